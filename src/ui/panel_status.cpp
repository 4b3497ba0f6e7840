#include "ui/panel_status.h"

#include <algorithm>

namespace plimo {

PanelStatus AfterNavigation(PanelStatus status, NavigationOutcome outcome, const NavigationResult& result,
                            const QDateTime& now) {
    if (outcome == NavigationOutcome::Fresh) {
        status.lastFresh = now;
        status.failure.reset();
        status.failureText.clear();
    } else {
        status.failure = outcome;
        status.failureText = OutcomeText(outcome, result);
    }
    return status;
}

QString OutcomeText(NavigationOutcome outcome, const NavigationResult& result) {
    switch (outcome) {
        case NavigationOutcome::Fresh:
            return {};
        case NavigationOutcome::NoNetwork:
            return result.failureReason.isEmpty()
                       ? QStringLiteral("Нет связи с сервером статистики")
                       : QStringLiteral("Нет связи с сервером статистики: ") + result.failureReason;
        case NavigationOutcome::HttpError:
            return QStringLiteral("Сервер статистики ответил ошибкой ") + QString::number(result.httpStatus);
        case NavigationOutcome::SignInRejected:
            return QStringLiteral("Неверный адрес сайта или пароль");
        case NavigationOutcome::PageChanged:
            return QStringLiteral("На странице статистики нет значений");
    }
    return {};
}

QString UpdatedText(const QDateTime& lastFresh, const QDateTime& now) {
    const QDateTime local = lastFresh.toLocalTime();
    const QDate today = now.toLocalTime().date();
    const QString time = local.toString(QStringLiteral("HH:mm"));
    if (local.date() == today) {
        return QStringLiteral("Обновлено в ") + time;
    }
    if (local.date() == today.addDays(-1)) {
        return QStringLiteral("Обновлено вчера в ") + time;
    }
    return QStringLiteral("Обновлено ") + local.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" в ") + time;
}

std::optional<std::chrono::milliseconds> TimeUntilStale(const PanelStatus& status, const QDateTime& now,
                                                        std::chrono::milliseconds period) {
    if (!status.lastFresh) {
        return std::nullopt;
    }
    const std::chrono::milliseconds age{status.lastFresh->msecsTo(now)};
    const std::chrono::milliseconds left = 2 * period - age;
    if (left.count() <= 0) {
        return std::nullopt;
    }
    return left;
}

bool IsStale(const PanelStatus& status, const QDateTime& now, std::chrono::milliseconds period) {
    return status.lastFresh && !TimeUntilStale(status, now, period);
}

QStringList StateLines(const PanelStatus& status, const QDateTime& now, std::chrono::milliseconds period) {
    QStringList lines;
    if (status.lastFresh) {
        lines.append(UpdatedText(*status.lastFresh, now));
    }
    if (status.failure) {
        lines.append(status.failureText);
    } else if (IsStale(status, now, period)) {
        lines.append(QStringLiteral("Данные устарели"));
    }
    return lines;
}

StatusMark MarkFor(const PanelStatus& status, const QDateTime& now, std::chrono::milliseconds period) {
    if (status.failure) {
        return StatusMark::Failure;
    }
    return IsStale(status, now, period) ? StatusMark::Stale : StatusMark::None;
}

namespace {

QString ChangeText(const ShownValue& value) {
    switch (value.arrow) {
        case Arrow::Up:
            return u'\u25B2' + value.change;
        case Arrow::Down:
            return u'\u25BC' + value.change;
        default:
            return value.change;
    }
}

QString ValueLine(const QString& caption, const ShownValue& value) {
    QString line = caption + u' ' + value.value;
    const QString change = ChangeText(value);
    if (!change.isEmpty()) {
        line += u' ' + change;
    }
    return line;
}

}  // namespace

QString TrayToolTip(const QString& siteName, const ShownValue& views, const ShownValue& visitors,
                    const QStringList& state) {
    // Windows keeps 127 characters: what went wrong must not be what is cut off.
    constexpr qsizetype kLimit = 127;
    const bool hasValues = !views.value.isEmpty() || !visitors.value.isEmpty();
    const QString plimo = QStringLiteral("Plimo");
    const QString dash = QStringLiteral(" \u2014 ");
    QStringList lines;
    if (hasValues) {
        lines.append(ValueLine(QStringLiteral("Просмотры"), views));
        lines.append(ValueLine(QStringLiteral("Посетители"), visitors));
    }
    lines.append(state);
    const auto length = [&](const QString& site) {
        return lines.join(u'\n').size() + 1 + plimo.size() + (site.isEmpty() ? 0 : dash.size() + site.size());
    };
    QString site = hasValues ? siteName : QString();
    if (length(site) > kLimit && !state.isEmpty() && state.last().contains(QStringLiteral(": "))) {
        // The failure's reason goes first; its kind stays.
        lines.last() = state.last().section(QStringLiteral(": "), 0, 0);
    }
    if (length(site) > kLimit && !site.isEmpty()) {
        site = site.left(std::max<qsizetype>(site.size() - (length(site) - kLimit) - 1, 1)) + u'\u2026';
    }
    lines.prepend(site.isEmpty() ? plimo : plimo + dash + site);
    return lines.join(u'\n');
}

QString AccessibleValueText(const QString& caption, const ShownValue& value) {
    if (value.value.isEmpty()) {
        return caption;
    }
    // The page groups digits with commas; a screen reader reads "12 345" as one number.
    QString text = caption + QStringLiteral(": ") + QString(value.value).replace(u',', u' ');
    if (value.change.isEmpty()) {
        return text;
    }
    const QString change = QString(value.change).replace(u',', u' ');
    switch (value.arrow) {
        case Arrow::Up:
            return text + QStringLiteral(", на ") + change + QStringLiteral(" больше, чем вчера в это же время");
        case Arrow::Down:
            return text + QStringLiteral(", на ") + change + QStringLiteral(" меньше, чем вчера в это же время");
        default:
            return text + QStringLiteral(", столько же, сколько вчера в это же время");
    }
}

}  // namespace plimo
