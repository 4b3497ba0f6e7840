#pragma once

#include "fake_browser.h"
#include "temp_dir.h"
#include "ui/dialogs.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QDateTime>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plimo::test {

// Answers the program's boxes instead of a user and keeps what they asked. The one made last answers until it
// goes; then the one before it does again, so that a second panel in a test does not silence the first.
class RecordedDialogs {
public:
    RecordedDialogs() : m_outer(innermost()) { install(this); }
    ~RecordedDialogs() { install(m_outer); }
    RecordedDialogs(const RecordedDialogs&) = delete;
    RecordedDialogs& operator=(const RecordedDialogs&) = delete;

    std::vector<DialogRequest> asked;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

private:
    static RecordedDialogs*& innermost() {
        static RecordedDialogs* current = nullptr;
        return current;
    }
    static void install(RecordedDialogs* recorder) {
        innermost() = recorder;
        if (recorder == nullptr) {
            SetDialogAnswererForTests({});
            return;
        }
        SetDialogAnswererForTests([recorder](const DialogRequest& request) {
            recorder->asked.push_back(request);
            return recorder->answer;
        });
    }

    RecordedDialogs* m_outer;
};

// What a test changes in the panel it gets; everything else is safe as it is.
struct PanelSetup {
    // The lines under [OPTIONS] of a config.ini written before the panel starts; without them the folder's file is
    // left as it is (none in a new folder: a first run).
    std::optional<std::string> settings{};
    // The clock the panel tells its state by, which the test then moves; without it the real one.
    std::optional<QDateTime> start{};
    // The browser engine; without it a FakeBrowser the test completes by hand.
    std::unique_ptr<BrowserEngine> browser{};
    // Whether the desktop has a notification area.
    bool trayHost = true;
    // The folder of an earlier panel, whose config.ini this one starts from: the next start of the program.
    std::shared_ptr<TempDir> folder{};
};

// The panel and its settings window as the program wires them, with safe defaults: settings in a temporary
// folder, an update check that asks no server, the desktop's services (opening a page, the autostart entry) and
// the message boxes recorded. Created, not yet shown or activated.
struct LoadedPanel {
    explicit LoadedPanel(PanelSetup setup = {})
        : folder(setup.folder ? std::move(setup.folder) : std::make_shared<TempDir>()),
          now(setup.start.value_or(QDateTime())) {
        if (!setup.browser) {
            auto fake = std::make_unique<FakeBrowser>();
            browser = fake.get();
            setup.browser = std::move(fake);
        }
        form = std::make_unique<TForm1>(std::move(setup.browser), [host = setup.trayHost] { return host; });
        if (setup.start) {
            form->setClock([this] { return now; });
        }
        form->setUpdateCheck([this] {
            ++updateChecks;
            return newerVersion;
        });
        options = std::make_unique<Tfoptions>(form.get());
        if (setup.settings) {
            WriteFileBytes(config(), "[OPTIONS]\r\n" + *setup.settings);
        }
        options->setConfigPath(config());
        options->setAutostartWriter(
            [this](const std::string& name, bool remove) { autostart.emplace_back(name, remove); });
        options->setAddressOpener([this](const std::string& address) { opened.push_back(address); });
        form->setOptionsWindow(options.get());
        form->FormCreate();
    }
    LoadedPanel(const LoadedPanel&) = delete;
    LoadedPanel& operator=(const LoadedPanel&) = delete;

    std::filesystem::path config() const { return folder->file("config.ini"); }

    // Shown and activated the first time: the settings are loaded, the refreshing starts, the update is checked.
    void activate() {
        form->show();
        form->FormActivate();
    }

    std::shared_ptr<TempDir> folder;
    QDateTime now;
    RecordedDialogs dialogs;
    // The update check's answer, and how often it was asked.
    bool newerVersion = false;
    int updateChecks = 0;
    std::vector<std::string> opened;
    std::vector<std::pair<std::string, bool>> autostart;  // the entry's name, and whether it was removed
    FakeBrowser* browser = nullptr;                       // null on another engine
    std::unique_ptr<TForm1> form;
    std::unique_ptr<Tfoptions> options;
};

}  // namespace plimo::test
