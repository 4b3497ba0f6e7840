#include "ui/ansi_input.h"

#include "ui/ansi_qstring.h"

#include <QToolTip>

namespace plimo {

std::optional<QString> FirstCharacterAnsiLacks(const QString& text) {
    if (AnsiToQString(QStringToAnsi(text)) == text) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (AnsiToQString(QStringToAnsi(character)) != character) {
            return character;
        }
        i += length;
    }
    return std::nullopt;
}

AnsiInputValidator::AnsiInputValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit) {
    connect(edit, &QLineEdit::inputRejected, this, &AnsiInputValidator::showRefusal);
}

QValidator::State AnsiInputValidator::validate(QString& input, int& /*position*/) const {
    const std::optional<QString> lacking = FirstCharacterAnsiLacks(input);
    m_refused = lacking.value_or(QString());
    return lacking ? Invalid : Acceptable;
}

QString AnsiInputValidator::RefusalText(const QString& character) {
    return QStringLiteral("Символ «%1» нельзя сохранить в настройках: его нет в кодовой странице системы")
        .arg(character);
}

void AnsiInputValidator::showRefusal() {
    if (m_refused.isEmpty()) {
        return;
    }
    QToolTip::showText(m_edit->mapToGlobal(QPoint(0, m_edit->height())), RefusalText(m_refused), m_edit);
}

}  // namespace plimo
