#pragma once

#include "browser/network_browser.h"
#include "ui/dialogs.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <sys/resource.h>

namespace plimo::bench {

// The panel with the real browser engine, its settings window pointing at a statistics page address: the
// program's own refresh cycle, driven tick by tick.
class LivePanel {
public:
    explicit LivePanel(NetworkBrowser::Limits limits = {}) {
        form = std::make_unique<TForm1>(std::make_unique<NetworkBrowser>(nullptr, limits));
        options = std::make_unique<Tfoptions>(form.get());
        options->setAutostartWriter([](const std::string&, bool) {});
        options->setAddressOpener([](const std::string&) {});
        form->setOptionsWindow(options.get());
        form->FormCreate();
        options->LMDEdit2->setText(QStringLiteral("example.com"));
        options->LMDEdit3->setText(QStringLiteral("password"));
        // A box would wait for a user who is not there: count them instead.
        SetDialogAnswererForTests([this](const DialogRequest&) {
            ++errorBoxes;
            return QMessageBox::Ok;
        });
    }
    ~LivePanel() { SetDialogAnswererForTests({}); }

    void pointAt(const QString& address) { options->LMDEdit4->setText(address); }

    // The start, as at the first activation: the timer on and the first sign-in; waits for its report.
    bool start() {
        return waitForReport([this] { form->Button4Click(); }, std::chrono::seconds(10));
    }

    // One tick as the timer gives it; waits for the browser's report of the navigation it started, which the
    // panel has handled by the time this returns. False when no report came in time.
    bool refresh(std::chrono::milliseconds wait = std::chrono::seconds(10)) {
        return waitForReport([this] { emit form->Timer1->tick(); }, wait);
    }

    std::unique_ptr<TForm1> form;
    std::unique_ptr<Tfoptions> options;
    int errorBoxes = 0;

private:
    template <typename Action>
    bool waitForReport(Action action, std::chrono::milliseconds wait) {
        QEventLoop loop;
        bool reported = false;
        // Connected after the panel's own handler, so it runs once the labels are set.
        const QMetaObject::Connection done =
            QObject::connect(form->WebBrowser1, &BrowserEngine::navigateComplete, &loop, [&] {
                reported = true;
                loop.quit();
            });
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(wait);
        action();
        if (!reported) {
            loop.exec();
        }
        QObject::disconnect(done);
        return reported;
    }
};

// Resident memory of this process in KiB (VmRSS).
inline long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

inline std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count - 1;  // the iterator's own
}

// User plus system CPU time of every thread of this process.
inline std::chrono::microseconds CpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto toMicroseconds = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return toMicroseconds(usage.ru_utime) + toMicroseconds(usage.ru_stime);
}

}  // namespace plimo::bench
