#include "app/guarded_application.h"
#include "app/qt_translation.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "browser/network_browser.h"
#include "platform/display_platform.h"
#include "platform/module_path.h"
#include "settings/settings_home.h"
#include "stats/history.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/handler_guard.h"
#include "ui/startup_marks.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"
#include "update/maker_site.h"
#include "update/update_check.h"

#include <QApplication>
#include <QSessionManager>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    plimo::StartupMark("main");
    const std::string platform =
        plimo::ChooseQtPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"),
                                std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    if (!platform.empty()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    }

#ifdef PLIMO_STATIC_QT
    // A static Qt has the folder it was built in compiled in and looks for plug-ins there first: on Windows any user
    // can make that folder under C:\. Plug-ins come only from inside the program and from beside it.
    QCoreApplication::setLibraryPaths({QString::fromStdU16String(plimo::ModuleDirectory().u16string())});
#endif
    plimo::GuardedApplication app(argc, argv);
    plimo::StartupMark("application object made");
    QApplication::setApplicationName(QStringLiteral("Plimo"));
    // Beside the program, or in the user's own folder where the program's cannot be written.
    const plimo::SettingsHome home = plimo::FindSettingsHome();
    // A second start with the same settings shows the running panel instead of a second one writing them.
    plimo::SingleInstance instance(QString::fromStdU16String(home.folder.u16string()));
    if (!instance.claim()) {
        return 0;
    }
    // Qt's own texts (edit menus, the colour picker) in Russian like all of ours.
    plimo::InstallQtRussian(app, QCoreApplication::applicationDirPath());
    // No display name: Qt would append it to every window title ("Настройки — Plimo", "Confirm — Plimo").
    QApplication::setWindowIcon(plimo::programWindowIcon());
    // The panel hidden in the tray and the settings window closed is no reason to end; only the panel's close is.
    QApplication::setQuitOnLastWindowClosed(false);

    auto form1 = std::make_unique<plimo::TForm1>(std::make_unique<plimo::NetworkBrowser>());
    form1->FormCreate();
    form1->setHistoryFile(home.folder / std::string(plimo::kHistoryFileName));
    plimo::StartupMark("panel made");
    form1->setUpdateCheck([folder = home.folder] {
        return plimo::CheckNewVersion(plimo::VersionFileAddress(), folder / "plimover.txt");
    });
    auto foptions = std::make_unique<plimo::Tfoptions>(form1.get());
    foptions->setSettingsHome(home);
    form1->setOptionsWindow(foptions.get());
    plimo::StartupMark("settings window made");
    QObject::connect(form1.get(), &plimo::TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // A log-off saves the settings when it is asked for, and the panel stays: the user may cancel the log-off. It
    // closes the normal way only when the session really ends.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form1.get(),
                     [&form1](QSessionManager&) { plimo::Guarded([&] { form1->saveForSessionCommit(); }); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, form1.get(),
                     [&form1] { plimo::Guarded([&] { form1->closeForSessionEnd(); }); });
    plimo::CloseOnTerminationSignals(form1.get());
    QObject::connect(&instance, &plimo::SingleInstance::showRequested, form1.get(),
                     [&form1] { plimo::Guarded([&] { form1->showForAnotherStart(); }); });

    form1->show();
    plimo::StartupMark("panel shown");
    const int status = QApplication::exec();
    foptions.reset();
    form1.reset();
    return status;
}
