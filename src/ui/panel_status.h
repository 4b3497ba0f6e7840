#pragma once

#include "browser/browser_engine.h"
#include "stats/display.h"
#include "stats/navigation_outcome.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace plimo {

// What the panel tells besides its numbers: since when they are fresh, and what went wrong after that.
struct PanelStatus {
    std::optional<QDateTime> lastFresh;        // local time of the last navigation that brought the values
    std::optional<NavigationOutcome> failure;  // the last navigation's outcome when it brought none
    QString failureText;

    bool operator==(const PanelStatus&) const = default;
};

// The status after a navigation ended with this outcome at this moment.
PanelStatus AfterNavigation(PanelStatus status, NavigationOutcome outcome, const NavigationResult& result,
                            const QDateTime& now);

// What a failed navigation tells the user; empty for fresh values.
QString OutcomeText(NavigationOutcome outcome, const NavigationResult& result);

// "Обновлено в 14:05", "Обновлено вчера в 14:05", "Обновлено 05.12.2026 в 14:05", in local time.
QString UpdatedText(const QDateTime& lastFresh, const QDateTime& now);

// Values older than two refresh periods are stale.
bool IsStale(const PanelStatus& status, const QDateTime& now, std::chrono::milliseconds period);
// When the values turn stale, if they are fresh now.
std::optional<std::chrono::milliseconds> TimeUntilStale(const PanelStatus& status, const QDateTime& now,
                                                        std::chrono::milliseconds period);

// The lines that tell the state: when the values came, then what went wrong, or that they are old.
QStringList StateLines(const PanelStatus& status, const QDateTime& now, std::chrono::milliseconds period);

enum class StatusMark { None, Stale, Failure };
StatusMark MarkFor(const PanelStatus& status, const QDateTime& now, std::chrono::milliseconds period);

// One value of the panel as it shows: the value's text, its change's magnitude and the change's arrow.
struct ShownValue {
    QString value;
    QString change;
    Arrow arrow = Arrow::None;
};

// The tray icon's tooltip: the site and both values with their changes, then the state; "Plimo" and the state
// while no values have come.
QString TrayToolTip(const QString& siteName, const ShownValue& views, const ShownValue& visitors,
                    const QStringList& state);

// "Просмотры: 12 345, на 56 больше, чем вчера в это же время": the value and its change in words.
QString AccessibleValueText(const QString& caption, const ShownValue& value);

}  // namespace plimo
