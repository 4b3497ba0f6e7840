#include "app/termination_signals.h"

#include "ui/handler_guard.h"

#include <QPointer>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace plimo {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int signalNumber) {
    // Only async-signal-safe work here: the event loop picks the byte up.
    const char byte = static_cast<char>(signalNumber);
    const int savedErrno = errno;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

void CloseOnTerminationSignals(QWidget* panel) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, panel);
    QObject::connect(notifier, &QSocketNotifier::activated, panel, [panel = QPointer<QWidget>(panel)] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (panel) {
            Guarded([&] { panel->close(); });
        }
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace plimo
