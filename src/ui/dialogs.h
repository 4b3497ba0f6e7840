#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <string>

namespace plimo {

// A modal box the program is about to show; tests answer it instead of a user.
struct DialogRequest {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};
using DialogAnswerer = std::function<QMessageBox::StandardButton(const DialogRequest&)>;
// Routes every box to the answerer instead of the screen; an empty function restores the real boxes.
void SetDialogAnswererForTests(DialogAnswerer answerer);

// The standard error box: the message (ANSI bytes), with a full stop when its last character sorts after ".",
// caption "Plimo", an error icon and OK.
void ShowErrorBox(const std::string& ansiMessage);

// "Невозможно сохранить настройки в config.ini!": modal, caption "Plimo", no icon, OK.
void ShowSaveFailedBox();

// Says which settings file could not be read and why, and that the program runs on the defaults without touching
// it. It does not wait for an answer: the panel goes on.
void ShowSettingsUnreadableBox(const QString& file, const QString& reason);

// Says that the history could not be saved to the file the user chose.
void ShowHistoryNotSavedBox(const QString& file);

// The update question with "OK" (default) and "Cancel"; true when the user chose OK.
bool AskToUpdate();

}  // namespace plimo
