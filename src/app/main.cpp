#include "app/dialogs.h"
#include "app/termination_signals.h"
#include "browser/network_browser.h"
#include "platform/display_platform.h"
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

    // Log-off and shut-down close the panel the normal way, which saves the settings, and let the session end.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form1.get(),
                     [&form1](QSessionManager&) { form1->close(); });
    plimo::CloseOnTerminationSignals(form1.get());

    form1->show();
    plimo::StartupMark("panel shown");
    const int status = QApplication::exec();
    foptions.reset();
    form1.reset();
    return status;
}
