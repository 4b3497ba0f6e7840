#include "stats/refresh_timer.h"

#include <limits>

namespace plimo {

RefreshTimer::RefreshTimer(QObject* parent) : QObject(parent) {
    // The system's ordinary timer: a few per cent off a period of 30 s or more is unseen, while a precise one holds a
    // 1 ms multimedia timer on Windows for the whole run and keeps a laptop out of deep idle.
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RefreshTimer::tick);
}

void RefreshTimer::setEnabled(bool enabled) {
    if (enabled == m_enabled) {
        return;
    }
    m_enabled = enabled;
    restartCountdown();
}

void RefreshTimer::setInterval(std::uint32_t milliseconds) {
    if (milliseconds == m_interval) {
        return;
    }
    m_interval = milliseconds;
    if (m_enabled) {
        restartCountdown();
    }
}

void RefreshTimer::restartCountdown() {
    m_timer.stop();
    if (m_enabled && m_interval != 0) {
        // QTimer takes an int; the longest choice is an hour, far below the limit.
        const auto limit = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
        m_timer.start(static_cast<int>(m_interval < limit ? m_interval : limit));
    }
}

}  // namespace plimo
