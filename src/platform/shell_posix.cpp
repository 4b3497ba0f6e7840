#include "platform/shell.h"

#include "platform/ansi_codepage.h"
#include "platform/shell_address.h"

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

// The desktop's handlers take UTF-8; the program's text is in the ANSI code page.
std::string AnsiToUtf8(std::string_view ansi) {
    const std::u16string wide = AnsiToWide(ansi);
    std::string utf8;
    utf8.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

}  // namespace

void OpenAddress(std::uintptr_t /*ownerWindow*/, std::string_view address) {
    if (!IsWebAddress(address)) {
        return;
    }
    try {
        std::string launcher = "xdg-open";
        std::string argument = AnsiToUtf8(address);
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
