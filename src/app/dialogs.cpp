#include "app/dialogs.h"

#include "ui/ansi_qstring.h"

#include <QPushButton>

namespace plimo {
namespace {

DialogAnswerer& answerer() {
    static DialogAnswerer instance;
    return instance;
}

QMessageBox::StandardButton run(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    if (answerer()) {
        return answerer()(DialogRequest{icon, caption, text});
    }
    // No parent: a box over its parent would sit on the panel in the corner, half off the screen; the program's
    // boxes are centred on the screen.
    QMessageBox box(icon, caption, text, buttons);
    box.setDefaultButton(defaultButton);
    box.setWindowModality(Qt::ApplicationModal);
    // The program's own windows stay on top; its boxes must not open behind them.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void SetDialogAnswererForTests(DialogAnswerer newAnswerer) {
    answerer() = std::move(newAnswerer);
}

void ShowErrorBox(const std::string& ansiMessage) {
    std::string text = ansiMessage;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
        text += '.';
    }
    run(QMessageBox::Critical, QStringLiteral("Plimo"), AnsiToQString(text), QMessageBox::Ok, QMessageBox::Ok);
}

void ShowSaveFailedBox() {
    run(QMessageBox::NoIcon, QStringLiteral("Plimo"), QStringLiteral("Невозможно сохранить настройки в config.ini!"),
        QMessageBox::Ok, QMessageBox::Ok);
}

bool AskToUpdate() {
    return run(QMessageBox::Question, QStringLiteral("Confirm"),
               QStringLiteral("Доступна новая версия программы Plimo. Хотите обновить?"),
               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

}  // namespace plimo
