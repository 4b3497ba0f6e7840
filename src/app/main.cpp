#include "app/dialogs.h"
#include "app/qt_translation.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "browser/network_browser.h"
#include "platform/display_platform.h"
#include "platform/module_path.h"
#include "ui/artwork.h"
#include "ui/startup_marks.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QNetworkProxyFactory>
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

    QApplication app(argc, argv);
    plimo::StartupMark("application object made");
    QApplication::setApplicationName(QStringLiteral("Plimo"));
    // A second start from the same folder shows the running panel instead of a second one writing its settings.
    plimo::SingleInstance instance(QString::fromStdU16String(plimo::ModuleDirectory().u16string()));
    if (!instance.claim()) {
        return 0;
    }
    // Qt's own texts (edit menus, the colour picker) in Russian like all of ours.
    plimo::InstallQtRussian(app, QCoreApplication::applicationDirPath());
    // No display name: Qt would append it to every window title ("Настройки — Plimo", "Confirm — Plimo").
    QApplication::setWindowIcon(plimo::programWindowIcon());
    // The panel hidden in the tray and the settings window closed is no reason to end; only the panel's close is.
    QApplication::setQuitOnLastWindowClosed(false);
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    auto form1 = std::make_unique<plimo::TForm1>(std::make_unique<plimo::NetworkBrowser>());
    form1->FormCreate();
    plimo::StartupMark("panel made");
    auto foptions = std::make_unique<plimo::Tfoptions>(form1.get());
    form1->setOptionsWindow(foptions.get());
    plimo::StartupMark("settings window made");
    QObject::connect(form1.get(), &plimo::TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // A log-off saves the settings when it is asked for, and the panel stays: the user may cancel the log-off. It
    // closes the normal way only when the session really ends.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form1.get(),
                     [&form1](QSessionManager&) { form1->saveForSessionCommit(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, form1.get(), [&form1] { form1->closeForSessionEnd(); });
    plimo::CloseOnTerminationSignals(form1.get());
    QObject::connect(&instance, &plimo::SingleInstance::showRequested, form1.get(),
                     [&form1] { form1->showForAnotherStart(); });

    form1->show();
    plimo::StartupMark("panel shown");
    const int status = QApplication::exec();
    foptions.reset();
    form1.reset();
    return status;
}
