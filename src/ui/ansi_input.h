#pragma once

#include <QLineEdit>
#include <QString>
#include <QValidator>

#include <optional>

namespace plimo {

// The first character of the text that the ANSI code page lacks (a surrogate pair is one character), if any.
std::optional<QString> FirstCharacterAnsiLacks(const QString& text);

// Refuses, as they are typed or pasted, characters the settings file could only store as "?" (a password of "?"
// would then sign in with another password than the one typed); a tooltip names the refused character.
class AnsiInputValidator : public QValidator {
    Q_OBJECT
public:
    explicit AnsiInputValidator(QLineEdit* edit);

    State validate(QString& input, int& position) const override;

    // What the edit shows when it refuses a character.
    static QString RefusalText(const QString& character);

private:
    void showRefusal();

    QLineEdit* m_edit;
    mutable QString m_refused;
};

}  // namespace plimo
