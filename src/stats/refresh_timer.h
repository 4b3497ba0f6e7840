#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

namespace plimo {

// The refresh timer with the rules the refresh cycle relies on: enabling an enabled timer does not restart its
// countdown; a new interval restarts a running countdown, the same interval does not; an interval of 0 never ticks.
class RefreshTimer : public QObject {
    Q_OBJECT
public:
    explicit RefreshTimer(QObject* parent = nullptr);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    std::uint32_t interval() const { return m_interval; }
    void setInterval(std::uint32_t milliseconds);

    // Whether a countdown is running (enabled with a non-zero interval).
    bool isCounting() const { return m_timer.isActive(); }
    // Milliseconds left of the running countdown, -1 when none runs.
    int remainingMs() const { return m_timer.remainingTime(); }

signals:
    void tick();

private:
    void restartCountdown();

    QTimer m_timer;
    bool m_enabled = false;
    std::uint32_t m_interval = 30000;
};

}  // namespace plimo
