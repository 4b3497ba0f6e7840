// Time from starting a program to its window named NAME being mapped on the X server in DISPLAY.
// Usage: bench_startup_time NAME PROGRAM [ARGUMENTS...]; prints the milliseconds, leaves the program running and
// prints its process id on a second line. Exits 1 when no such window is mapped within 30 seconds.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <spawn.h>

extern char** environ;

namespace {

std::string WindowName(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (reply == nullptr) {
        return {};
    }
    std::string name(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return name;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup_time NAME PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const std::string wanted = argv[1];
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "cannot connect to the X server\n");
        return 2;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netName = Atom(connection, "_NET_WM_NAME");
    xcb_flush(connection);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    // The program's output goes to the error stream, so that a caller reading ours is not kept waiting by it.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    const int spawned = posix_spawn(&pid, argv[2], &actions, nullptr, argv + 2, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 2;
    }
    const auto deadline = start + std::chrono::seconds(30);
    pollfd watch{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            poll(&watch, 1, 100);
            continue;
        }
        const auto when = std::chrono::steady_clock::now();
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            if (WindowName(connection, window, netName) == wanted ||
                WindowName(connection, window, XCB_ATOM_WM_NAME) == wanted) {
                std::printf("%.1f\n%d\n", std::chrono::duration<double, std::milli>(when - start).count(), pid);
                std::free(event);
                xcb_disconnect(connection);
                return 0;
            }
        }
        std::free(event);
    }
    std::fprintf(stderr, "no window named %s was mapped\n", wanted.c_str());
    std::printf("-\n%d\n", pid);
    xcb_disconnect(connection);
    return 1;
}
