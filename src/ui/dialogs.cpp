#include "ui/dialogs.h"

#include "settings/settings_keys.h"
#include "ui/ansi_qstring.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <memory>

namespace plimo {
namespace {

DialogAnswerer& answerer() {
    static DialogAnswerer instance;
    return instance;
}

// Where a box appears: over the window the user works in, or in the middle of the screen.
enum class Placement { OverActiveWindow, ScreenCentre };

// A box centred on the primary screen once it knows its size, which it sets only as it is shown.
class ScreenCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
};

QMessageBox::StandardButton run(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                                Placement placement = Placement::OverActiveWindow) {
    if (answerer()) {
        return answerer()(DialogRequest{icon, caption, text});
    }
    // Over a 222 x 77 panel in the corner a box would hang half off the screen.
    std::unique_ptr<QMessageBox> owned =
        placement == Placement::ScreenCentre
            ? std::make_unique<ScreenCentredBox>(icon, caption, text, buttons)
            : std::make_unique<QMessageBox>(icon, caption, text, buttons, QApplication::activeWindow());
    QMessageBox& box = *owned;
    box.setDefaultButton(defaultButton);
    // An error can quote text from a page or the settings file: shown as it is, never as markup.
    box.setTextFormat(Qt::PlainText);
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
    run(QMessageBox::NoIcon, QStringLiteral("Plimo"),
        QStringLiteral("Невозможно сохранить настройки в ") +
            QLatin1StringView(kSettingsFileName.data(), kSettingsFileName.size()) + u'!',
        QMessageBox::Ok, QMessageBox::Ok, Placement::ScreenCentre);
}

void ShowSettingsUnreadableBox(const QString& file, const QString& reason) {
    const QString text = QStringLiteral(
                             "Не удалось прочитать файл настроек\n%1\n(%2).\n\n"
                             "Plimo работает с настройками по умолчанию и не изменит этот файл.")
                             .arg(file, reason);
    if (answerer()) {
        answerer()(DialogRequest{QMessageBox::Warning, QStringLiteral("Plimo"), text});
        return;
    }
    auto* box = new ScreenCentredBox(QMessageBox::Warning, QStringLiteral("Plimo"), text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::NonModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->show();
}

void ShowHistoryNotSavedBox(const QString& file) {
    run(QMessageBox::Warning, QStringLiteral("Plimo"),
        QStringLiteral("Не удалось сохранить историю в файл\n%1.\n\nПроверьте, что папка доступна для записи и "
                       "файл не открыт в другой программе.")
            .arg(file),
        QMessageBox::Ok, QMessageBox::Ok);
}

bool AskToUpdate() {
    return run(QMessageBox::Question, QStringLiteral("Confirm"),
               QStringLiteral("Доступна новая версия программы Plimo. Хотите обновить?"),
               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, Placement::ScreenCentre) == QMessageBox::Ok;
}

}  // namespace plimo
