#pragma once

#include "fake_browser.h"
#include "temp_dir.h"
#include "ui/dialogs.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QDateTime>

#include <memory>
#include <string>
#include <vector>

namespace plimo::test {

// The panel and its settings window as a first activation leaves them, with safe defaults: settings from a
// config.ini in a temporary folder, a browser the test completes by hand, no update check, the desktop's services
// and the message boxes recorded, and a clock the test sets.
struct LoadedPanel {
    explicit LoadedPanel(const std::string& settingsLines, QDateTime start) : now(std::move(start)) {
        auto owned = std::make_unique<FakeBrowser>();
        browser = owned.get();
        form = std::make_unique<TForm1>(std::move(owned), [] { return true; });
        form->setClock([this] { return now; });
        form->setUpdateCheck([] { return false; });
        options = std::make_unique<Tfoptions>(form.get());
        WriteFileBytes(folder.file("config.ini"), "[OPTIONS]\r\n" + settingsLines);
        options->setConfigPath(folder.file("config.ini"));
        options->setAutostartWriter([](const std::string&, bool) {});
        options->setAddressOpener([this](const std::string& address) { opened.push_back(address); });
        form->setOptionsWindow(options.get());
        SetDialogAnswererForTests([this](const DialogRequest& request) {
            dialogs.push_back(request.text.toStdString());
            return QMessageBox::Ok;
        });
    }
    ~LoadedPanel() { SetDialogAnswererForTests({}); }
    LoadedPanel(const LoadedPanel&) = delete;
    LoadedPanel& operator=(const LoadedPanel&) = delete;

    // Shown and activated the first time: the settings are loaded and the refreshing starts.
    void activate() {
        form->FormCreate();
        form->show();
        form->FormActivate();
    }

    TempDir folder;
    QDateTime now;
    FakeBrowser* browser = nullptr;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<Tfoptions> options;
    std::vector<std::string> opened;
    std::vector<std::string> dialogs;
};

}  // namespace plimo::test
