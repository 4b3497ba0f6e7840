#pragma once

#include "stats/history.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>

namespace plimo {

// Keeps a sample of the values a display step found, taken at now; false when a value is missing or the file could
// not take it.
bool RecordSample(HistoryFile& history, const DisplayUpdate& values, const QDateTime& now);

// Today against yesterday by hour: views above, visitors below; today solid, yesterday dashed.
class HistoryChart : public QWidget {
    Q_OBJECT
public:
    static const QColor kTodayColour;
    static const QColor kYesterdayColour;

    explicit HistoryChart(QWidget* parent = nullptr);
    void setDays(const TodayAndYesterday& days);
    // The plot of views (0) or visitors (1), and where an hour's value sits in it.
    QRect plotArea(int chart) const;
    QPointF pointFor(int chart, int hour, std::int64_t value) const;
    // What hovering over the point tells: the hour and both days' values.
    QString toolTipAt(QPoint position) const;

    QSize sizeHint() const override { return {560, 380}; }
    QSize minimumSizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::optional<int> hourAt(QPoint position) const;
    std::int64_t scaleStep(int chart) const;
    std::int64_t scaleTop(int chart) const;
    int labelWidth() const;

    TodayAndYesterday m_days;
    std::optional<int> m_hoverHour;
};

// "История": the chart of the history kept in history.csv, and "Сохранить CSV…".
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Asks where to save; an empty answer is a cancel.
    using FileChooser = std::function<QString(QWidget* owner, const QString& suggested)>;

    HistoryWindow(HistoryFile& history, std::function<QDateTime()> clock, QWidget* parent = nullptr);

    // Draws the history again as of now; nothing while the window is hidden (it redraws when shown).
    void refresh();
    // "Сохранить CSV…": the whole history into the file the user chooses, replaced at once; a failure is told.
    void saveCsv();
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    HistoryChart* chart;
    QLabel* note;  // says when the file lags behind the samples shown
    QPushButton* saveButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    HistoryFile& m_history;
    std::function<QDateTime()> m_now;
    FileChooser m_chooseFile;
};

}  // namespace plimo
