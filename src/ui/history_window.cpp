#include "ui/history_window.h"

#include "platform/atomic_file.h"
#include "stats/display.h"
#include "ui/classic_font.h"
#include "ui/dialogs.h"
#include "ui/handler_guard.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QTimeZone>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <filesystem>

namespace plimo {
namespace {

constexpr int kRightMargin = 12;

// "12 345": thousands apart, as the panel's own texts write them.
QString Grouped(std::int64_t value) {
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, u' ');
    }
    return value < 0 ? u'-' + digits : digits;
}

QString ValueText(const std::optional<std::int64_t>& value) {
    return value ? Grouped(*value) : QStringLiteral("нет данных");
}

// Midnight of the date, in the same kind of time as the clock tells.
QDateTime StartOfDay(const QDate& date, const QDateTime& like) {
    switch (like.timeSpec()) {
        case Qt::TimeZone:
            return date.startOfDay(like.timeZone());
        case Qt::OffsetFromUTC:
            return date.startOfDay(Qt::OffsetFromUTC, like.offsetFromUtc());
        default:
            return date.startOfDay(like.timeSpec());
    }
}

const std::array<std::optional<std::int64_t>, 24>& Hours(const HourlyValues& day, int chart) {
    return chart == 0 ? day.views : day.visitors;
}

std::int64_t Highest(const TodayAndYesterday& days, int chart) {
    std::int64_t highest = 0;
    for (const HourlyValues* day : {&days.today, &days.yesterday}) {
        for (const auto& value : Hours(*day, chart)) {
            highest = std::max(highest, value.value_or(0));
        }
    }
    return highest;
}

}  // namespace

const QColor HistoryChart::kTodayColour(0, 90, 200);
const QColor HistoryChart::kYesterdayColour(230, 110, 0);

bool RecordSample(HistoryFile& history, const DisplayUpdate& values, const QDateTime& now) {
    const auto sample = SampleFromDisplay(values, now.toSecsSinceEpoch(), now.offsetFromUtc());
    return sample && history.add(*sample);
}

HistoryChart::HistoryChart(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
}

void HistoryChart::setDays(const TodayAndYesterday& days) {
    m_days = days;
    update();
}

std::int64_t HistoryChart::scaleStep(int chart) const {
    const std::int64_t highest = Highest(m_days, chart);
    // A round step (1, 2 or 5 times a power of ten) of which at most five pass the highest value.
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t factor : {1, 2, 5}) {
            if (factor * power * 4 >= highest) {
                return factor * power;
            }
        }
    }
}

std::int64_t HistoryChart::scaleTop(int chart) const {
    const std::int64_t step = scaleStep(chart);
    // The highest value stays below the top line.
    return (Highest(m_days, chart) / step + 1) * step;
}

int HistoryChart::labelWidth() const {
    const QFontMetrics metrics(font());
    return std::max(metrics.horizontalAdvance(Grouped(scaleTop(0))), metrics.horizontalAdvance(Grouped(scaleTop(1))));
}

QRect HistoryChart::plotArea(int chart) const {
    const int line = QFontMetrics(font()).height();
    const int legend = line + 10;
    const int each = (height() - legend) / 2;
    const int left = labelWidth() + 10;
    const int top = legend + chart * each + line + 4;
    return {left, top, std::max(1, width() - left - kRightMargin), std::max(1, each - (line + 4) - (line + 10))};
}

QPointF HistoryChart::pointFor(int chart, int hour, std::int64_t value) const {
    const QRectF area = plotArea(chart);
    return {area.left() + area.width() * (hour + 0.5) / 24.0,
            area.bottom() - area.height() * static_cast<double>(value) / static_cast<double>(scaleTop(chart))};
}

std::optional<int> HistoryChart::hourAt(QPoint position) const {
    const QRect views = plotArea(0);
    const QRect visitors = plotArea(1);
    if (position.x() < views.left() || position.x() > views.right() || position.y() < views.top() ||
        position.y() > visitors.bottom()) {
        return std::nullopt;
    }
    return std::clamp(static_cast<int>((position.x() - views.left()) * 24.0 / views.width()), 0, 23);
}

QString HistoryChart::toolTipAt(QPoint position) const {
    const auto hour = hourAt(position);
    if (!hour) {
        return {};
    }
    const std::size_t h = static_cast<std::size_t>(*hour);
    return QStringLiteral("%1:00–%2:00\nПросмотры: сегодня %3, вчера %4\nПосетители: сегодня %5, вчера %6")
        .arg(*hour)
        .arg(*hour + 1)
        .arg(ValueText(m_days.today.views[h]), ValueText(m_days.yesterday.views[h]),
             ValueText(m_days.today.visitors[h]), ValueText(m_days.yesterday.visitors[h]));
}

void HistoryChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int line = metrics.height();

    // The legend: what solid and dashed mean.
    int x = plotArea(0).left();
    for (const auto& [colour, style, text] : {std::tuple{kTodayColour, Qt::SolidLine, QStringLiteral("сегодня")},
                                              std::tuple{kYesterdayColour, Qt::DashLine, QStringLiteral("вчера")}}) {
        painter.setPen(QPen(colour, 2, style));
        painter.drawLine(QPointF(x, 5 + line / 2.0), QPointF(x + 28, 5 + line / 2.0));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPoint(x + 34, 5 + metrics.ascent()), text);
        x += 34 + metrics.horizontalAdvance(text) + 24;
    }

    bool empty = true;
    for (int chart = 0; chart < 2; ++chart) {
        const QRect area = plotArea(chart);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPoint(area.left(), area.top() - 4 - metrics.descent()),
                         chart == 0 ? QStringLiteral("Просмотры") : QStringLiteral("Посетители"));

        // Grid and scale: round steps from zero.
        const std::int64_t step = scaleStep(chart);
        for (std::int64_t value = 0; value <= scaleTop(chart); value += step) {
            const double y = std::round(pointFor(chart, 0, value).y()) + 0.5;
            painter.setPen(QPen(value == 0 ? QColor(120, 120, 120) : QColor(225, 225, 225), 1));
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
            painter.setPen(palette().color(QPalette::WindowText));
            const QString label = Grouped(value);
            painter.drawText(
                QPointF(area.left() - 6 - metrics.horizontalAdvance(label), y + metrics.ascent() / 2.0 - 1), label);
        }
        // The hours along the bottom, every three.
        for (int hour = 0; hour < 24; hour += 3) {
            const double hx = area.left() + area.width() * hour / 24.0;
            painter.setPen(QColor(120, 120, 120));
            painter.drawLine(QPointF(hx, area.bottom() + 1), QPointF(hx, area.bottom() + 4));
            const QString label = QStringLiteral("%1:00").arg(hour);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QPointF(hx - metrics.horizontalAdvance(label) / 2.0, area.bottom() + 5 + metrics.ascent()),
                             label);
        }

        if (m_hoverHour) {
            const double hx = pointFor(chart, *m_hoverHour, 0).x();
            painter.setPen(QPen(QColor(160, 160, 160), 1, Qt::DotLine));
            painter.drawLine(QPointF(hx, area.top()), QPointF(hx, area.bottom()));
        }

        // Yesterday first, so that today is drawn over it where the two meet.
        for (const bool today : {false, true}) {
            const auto& hours = Hours(today ? m_days.today : m_days.yesterday, chart);
            const QColor colour = today ? kTodayColour : kYesterdayColour;
            QPen pen(colour, 2, today ? Qt::SolidLine : Qt::DashLine);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            QPainterPath path;
            bool drawing = false;
            for (int hour = 0; hour < 24; ++hour) {
                const auto& value = hours[static_cast<std::size_t>(hour)];
                if (!value) {
                    drawing = false;
                    continue;
                }
                empty = false;
                const QPointF point = pointFor(chart, hour, *value);
                if (drawing) {
                    path.lineTo(point);
                } else {
                    path.moveTo(point);
                }
                drawing = true;
                // An hour alone between gaps would be no line at all: a dot shows it.
                const bool alone = (hour == 0 || !hours[static_cast<std::size_t>(hour - 1)]) &&
                                   (hour == 23 || !hours[static_cast<std::size_t>(hour + 1)]);
                if (alone || (m_hoverHour && *m_hoverHour == hour)) {
                    painter.save();
                    painter.setPen(Qt::NoPen);
                    painter.setBrush(colour);
                    painter.drawEllipse(point, 3, 3);
                    painter.restore();
                }
            }
            painter.drawPath(path);
        }
    }
    if (empty) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("Истории пока нет: она начнётся с первого обновления."));
    }
}

void HistoryChart::mouseMoveEvent(QMouseEvent* event) {
    const auto hour = hourAt(event->position().toPoint());
    if (hour != m_hoverHour) {
        m_hoverHour = hour;
        update();
    }
    if (hour) {
        QToolTip::showText(event->globalPosition().toPoint(), toolTipAt(event->position().toPoint()), this);
    } else {
        QToolTip::hideText();
    }
}

void HistoryChart::leaveEvent(QEvent*) {
    m_hoverHour.reset();
    QToolTip::hideText();
    update();
}

HistoryWindow::HistoryWindow(HistoryFile& history, std::function<QDateTime()> clock, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinMaxButtonsHint),
      m_history(history),
      m_now(std::move(clock)),
      m_chooseFile([](QWidget* owner, const QString& suggested) {
          return QFileDialog::getSaveFileName(owner, QStringLiteral("Сохранить историю"), suggested,
                                              QStringLiteral("Файлы CSV (*.csv);;Все файлы (*)"));
      }) {
    setWindowTitle(QStringLiteral("История"));
    setFont(ClassicFont(11));

    chart = new HistoryChart(this);
    note = new QLabel(this);
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    note->hide();
    saveButton = new QPushButton(QStringLiteral("Сохранить CSV…"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(chart, 1);
    layout->addWidget(note);
    layout->addLayout(buttons);
    ConnectGuarded(saveButton, &QPushButton::clicked, this, &HistoryWindow::saveCsv);
    resize(580, 440);
}

void HistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Guarded([this] { refresh(); });
}

void HistoryWindow::refresh() {
    if (!isVisible()) {
        return;
    }
    const QDateTime now = m_now();
    const QDateTime today = StartOfDay(now.date(), now);
    const QDateTime yesterday = StartOfDay(now.date().addDays(-1), now);
    chart->setDays(ChartDays(m_history.samples(), today.toSecsSinceEpoch(), yesterday.toSecsSinceEpoch()));
    note->setVisible(m_history.behind());
    if (m_history.behind()) {
        note->setText(QStringLiteral("Файл %1 сейчас недоступен: история хранится в памяти и будет записана "
                                     "в него, как только он освободится.")
                          .arg(QDir::toNativeSeparators(QString::fromStdU16String(m_history.path().u16string()))));
    }
}

void HistoryWindow::saveCsv() {
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                  .filePath(QStringLiteral("history.csv"));
    const QString file = m_chooseFile(this, suggested);
    if (file.isEmpty()) {
        return;
    }
    const std::string text = FormatHistory(m_history.samples());
    if (!ReplaceFileContents(std::filesystem::path(file.toStdU16String()), text, NewFileReaders::Everyone)) {
        ShowHistoryNotSavedBox(QDir::toNativeSeparators(file));
    }
}

}  // namespace plimo
