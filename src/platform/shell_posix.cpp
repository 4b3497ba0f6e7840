#include "platform/shell.h"

#include "platform/ansi_codepage.h"
#include "platform/shell_address.h"
#include "platform/utf8_text.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace plimo {
namespace {

// posix_spawn's attribute objects, released on every path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

void OpenAddress(std::uintptr_t /*ownerWindow*/, std::string_view address) {
    if (!IsWebAddress(address)) {
        return;
    }
    try {
        std::string launcher = "xdg-open";
        // The desktop's handlers take UTF-8; the program's text is in the ANSI code page.
        std::string argument = WideToUtf8(AnsiToWide(address));
        char* arguments[] = {launcher.data(), argument.data(), nullptr};

        SpawnSetup setup;
        // The handler owns no terminal of ours and writes nowhere we could see; it lives in its own session, so
        // that closing the panel's terminal does not take the browser with it.
        posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&setup.actions, 1, 2);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        sigset_t defaultSignals;
        sigemptyset(&defaultSignals);
        for (const int signal : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
            sigaddset(&defaultSignals, signal);
        }
        posix_spawnattr_setsigmask(&setup.attributes, &noSignals);
        posix_spawnattr_setsigdefault(&setup.attributes, &defaultSignals);
        posix_spawnattr_setflags(&setup.attributes,
                                 POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

        pid_t child = 0;
        if (posix_spawnp(&child, launcher.c_str(), &setup.actions, &setup.attributes, arguments, environ) != 0) {
            return;
        }
        // Reaped off the caller's thread: the handler may run as long as the browser does, and no zombie is left.
        std::thread([child] {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // Nothing is reported, as the shell's own "open" reports nothing.
    }
}

}  // namespace plimo
