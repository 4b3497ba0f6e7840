#!/usr/bin/env python3
"""Whole-program tests: the built plimo, run from a folder of its own, on a headless X server with a window
manager (openbox) and a notification area (trayer), signing in to a local statistics server. Everything is
checked from outside, as a user would see it: window geometry and properties with xwininfo and xprop, pixels
with ImageMagick's import, mouse input with xdotool.

    desktop_test.py --plimo PATH --server PATH --maker-host HOST TEST_NAME

With --wine LOADER --wine-prefix DIR the same tests run plimo.exe under Wine, in the prefix that
--make-prefix creates afresh (and --remove-prefix removes) once per run. Under Wine the program's windows
belong to a process that the loader starts, so they are found by their class; the tray icon's window belongs
to Wine's explorer.exe.

Exit status 77 means a needed tool or privilege is missing (the test is skipped, saying why). Every process a
test starts is stopped by its pid when the test ends; nothing is stopped by name."""

import argparse
import datetime
import os
import pwd
import re
import select
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import zipfile

SKIPPED = 77
# Sanitizer builds run several times slower: every time limit below stretches by this factor (CMake sets it).
TIME_SCALE = int(os.environ.get("PLIMO_TEST_TIME_SCALE", "1"))
TIME_LIMIT = 50 * TIME_SCALE  # seconds; CTest stops a test 10 s (scaled) later, and the clean-up must run before
WINE_TIME_LIMIT = 110 * TIME_SCALE  # Wine starts its own services first; CTest stops these tests 10 s (scaled) later
TOOLS = ["Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "import"]
SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
PANEL_WIDTH, PANEL_HEIGHT = 222, 77
TRAY_ICON_SIZE = 22  # as trayer docks it
DEFAULT_PLACE = (SCREEN_WIDTH - PANEL_WIDTH, SCREEN_HEIGHT - PANEL_HEIGHT - 40)  # 802, 651

SETTINGS_KEYS = {"autostart", "sitename", "sitehttp", "lindx", "pass", "color", "colorf1", "colorf2", "blend",
                 "up", "cx", "cy", "fs"}

# Colours the panel must show (R, G, B).
GREEN_NAME = (0, 254, 34)
RED_NAME = (251, 49, 49)
UP_ARROW = (0, 254, 35)
DOWN_ARROW = (254, 0, 0)
VIEWS_TEXT = (7, 237, 243)
VISITORS_TEXT = (255, 255, 128)

# Places on the panel (left, top, width, height).
SITE_NAME_AREA = (0, 0, 205, 17)
VIEWS_AREA = (40, 22, 77, 24)
VIEWS_CHANGE_AREA = (152, 22, 65, 24)
VISITORS_AREA = (40, 49, 77, 24)
VISITORS_CHANGE_AREA = (152, 49, 65, 24)
VIEWS_ARROW_AREA = (132, 25, 12, 16)
VISITORS_ARROW_AREA = (132, 51, 12, 16)
ARROW_PIXELS = 54  # a 12-column triangle of seven rows: 2 + 4 + 6 + 8 + 10 + 12 + 12
HIDE_GLYPH = (214, 6)
SITE_NAME_POINT = (15, 8)
VIEWS_POINT = (78, 34)

# The version file a newer version's maker serves (the INI form the program reads).
NEWER_VERSION_FILE = b"[VER_INFO]\r\ncurrent_version=1.1\r\n"

# Why the tray menu's checks may not hold under Wine: in some runs Wine loses every right click on the icon.
TRAY_MENU_UNDER_WINE = ("under Wine three right clicks on the docked tray icon never reached its window procedure "
                        "(Wine's trace shows no mouse message there, though the X press may reach its window; in "
                        "other runs the same clicks open the menu)")

# Why the tray tooltip's text is not read under Wine: the program's log is where the test reads it from.
TOOLTIP_UNDER_WINE = ("under Wine the log of a Windows program without a console reaches neither its standard error "
                      "nor Wine's debug output: the tray tooltip's text is not checked, the panel's mark is")

# Why the tray's left clicks may not hold under Wine: in some runs Wine loses all of them.
TRAY_CLICKS_UNDER_WINE = ("under Wine three left clicks on the docked tray icon never reached its window procedure "
                          "(Wine's trace shows no mouse message there, though the X press may reach its window; in "
                          "other runs the same clicks hide and show the panel): hiding and showing from the tray and "
                          "its menu are not checked")

OPTIONS = None  # the command line, once parsed
FOLDERS = []  # temporary folders of the tests that ran


def wine_environment():
    # No prompts to install Wine's .NET or browser engine: the program needs neither.
    return {"WINEPREFIX": OPTIONS.wine_prefix, "WINEARCH": "win64", "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml="}


def tray_record_path():
    """Where this run's tray cases under Wine note whether a click reached the tray: beside the prefix."""
    return OPTIONS.wine_prefix.rstrip("/") + ".tray"


def record_tray(outcome):
    with open(tray_record_path(), "a", encoding="utf-8") as file:
        file.write(f"{outcome} {OPTIONS.test}\n")


def check_tray_record():
    """Says so, as a skip (answers 77), when the run's tray cases under Wine all found their clicks unseen: a run in
    which no click ever reached the tray checked nothing of it. Not a failure: on some runs Wine's tray passes no
    click on at all, whatever the program does (its trace shows no mouse message at the tray's window procedure)."""
    try:
        with open(tray_record_path(), encoding="utf-8") as file:
            lines = [line.split() for line in file.read().splitlines() if line]
    except FileNotFoundError:
        return 0
    os.remove(tray_record_path())
    unseen = sorted({case for outcome, case in lines if outcome == "unseen"})
    if unseen and not any(outcome == "reached" for outcome, _ in lines):
        print("skipped: no click on the tray icon reached its window under Wine in this run; tray checks skipped in "
              + ", ".join(unseen))
        return 77
    return 0


def wineserver():
    beside = os.path.join(os.path.dirname(OPTIONS.wine), "wineserver")
    return beside if os.access(beside, os.X_OK) else shutil.which("wineserver")


def stop_wine(env):
    """Ends the prefix's Wine server and the Windows processes in it, and waits until they are gone."""
    for flag in ("-k", "-w"):
        try:
            subprocess.run([wineserver(), flag], env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=15)
        except subprocess.TimeoutExpired:
            pass


def make_prefix():
    """A fresh prefix for this run's tests, made without a display, the way the tools/ scripts make theirs."""
    shutil.rmtree(OPTIONS.wine_prefix, ignore_errors=True)
    env = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(wine_environment())
    setup = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "setup")
    started = time.monotonic()
    # Output to a file, not a pipe: the Wine server the maker leaves running would hold a pipe open.
    with tempfile.TemporaryFile() as output:
        result = subprocess.run(["bash", "-c", 'source "$1" && plimo_wine_prefix "$2" "$3"', "plimo-wine-prefix",
                                 setup, OPTIONS.wine, OPTIONS.wine_prefix], env=env, stdin=subprocess.DEVNULL,
                                stdout=output, stderr=subprocess.STDOUT, timeout=240)
        stop_wine(env)
        output.seek(0)
        text = output.read().decode("utf-8", "replace")
    if result.returncode != 0:
        print(text[-4000:])
        return 1
    print(f"Wine prefix {OPTIONS.wine_prefix} made in {time.monotonic() - started:.1f} s")
    return 0


def set_wine_proxy(env, folder, server, bypass):
    """Sets the user's proxy the way Internet Options does: the connection settings that WinHTTP reads (and so
    Qt), and the plain values beside them that WinINet reads. One import: each Wine command costs a start."""
    def counted(text):
        data = text.encode("ascii")
        return struct.pack("<I", len(data)) + data
    # Version, change counter, flags (direct | through a proxy), proxy, bypass list, no configuration script.
    settings = struct.pack("<III", 0x46, 1, 0x3) + counted(server) + counted(bypass) + counted("") + bytes(32)
    key = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
    path = os.path.join(folder, "proxy.reg")
    with open(path, "w", encoding="ascii", newline="\r\n") as file:
        file.write(f'REGEDIT4\n\n[{key}]\n"ProxyEnable"=dword:00000001\n"ProxyServer"="{server}"\n'
                   f'"ProxyOverride"="{bypass}"\n\n[{key}\\Connections]\n'
                   f'"DefaultConnectionSettings"=hex:{",".join(f"{b:02x}" for b in settings)}\n')
    subprocess.run([OPTIONS.wine, "reg", "import", windows_path(path)], env=env, stdin=subprocess.DEVNULL,
                   capture_output=True, timeout=30, check=True)


def windows_path(path):
    """The path a Windows program under Wine sees for a Unix path: drive Z: is the root."""
    return "Z:" + path.replace("/", "\\")


def wait_for(what, predicate, timeout, interval=0.05):
    """Polls until predicate answers something true, and returns that; fails after `timeout` seconds."""
    timeout *= TIME_SCALE
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Image:
    """An RGB picture read from a binary PPM."""

    def __init__(self, ppm):
        fields = []
        at = 0
        while len(fields) < 4:
            while ppm[at:at + 1].isspace():
                at += 1
            if ppm[at:at + 1] == b"#":
                at = ppm.index(b"\n", at)
                continue
            end = at
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError(f"not an 8-bit binary PPM: {fields}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = ppm[at + 1:at + 1 + 3 * self.width * self.height]

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def count(self, area, colour, tolerance=0):
        """Pixels of `area` within `tolerance` of `colour` on every channel."""
        left, top, width, height = area
        found = 0
        for y in range(top, top + height):
            for x in range(left, left + width):
                if all(abs(a - b) <= tolerance for a, b in zip(self.pixel(x, y), colour)):
                    found += 1
        return found


class Desktop:
    """A headless X session (Xvfb, openbox, trayer) and the processes a test starts in it."""

    def __init__(self, folder):
        self.folder = folder
        self.processes = []
        self.env = self._base_environment()
        try:
            for attempt in range(2):
                self._start_x_server()
                openbox = self._start("openbox", ["openbox", "--sm-disable"])

                def window_manager():
                    if "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"):
                        return "ready"
                    return "ended" if openbox.poll() is not None else None
                if wait_for("the window manager", window_manager, 10) == "ready":
                    break
                # Now and then, on a loaded machine, openbox cannot open a display that Xvfb has just named: a
                # second X server is the cure.
                if attempt:
                    raise AssertionError("openbox could not open the display of two X servers in a row")
                self._stop_processes()
            self.start_tray()
        except BaseException:
            self.close()
            raise

    def start_tray(self):
        self.tray = self._start("trayer", ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                                           "--height", "24", "--SetDockType", "true", "--transparent", "false"])
        wait_for("the notification area", self.tray_window, 10)
        # The tray claims its selection just after its window appears.
        time.sleep(0.3)

    def tray_window(self):
        """The notification area's own window, or None."""
        found = self.x("xdotool", "search", "--classname", "^panel$").split()
        return int(found[0]) if found else None

    def stop_tray(self):
        """Ends the notification area the way a crash would, and waits until its window is gone."""
        window = self.tray_window()
        self.tray.kill()
        self.tray.wait(timeout=5)
        self.processes.remove(self.tray)
        wait_for("the notification area gone", lambda: self.geometry(window) is None, 5)

    def _base_environment(self):
        env = {key: value for key, value in os.environ.items()
               if key.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy", "ftp_proxy")
               and key not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DISPLAY", "XAUTHORITY")}
        for name in ("XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
            path = os.path.join(self.folder, name.lower())
            os.makedirs(path, mode=0o700)
            env[name] = path
        # A bus address that leads nowhere: Qt then uses the XEmbed tray, and nothing starts a bus of its own.
        env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(self.folder, "no-bus")
        env["LC_ALL"] = OPTIONS.locale
        if OPTIONS.wine:
            env.update(wine_environment())
        return env

    def _start_x_server(self):
        # Xvfb picks a free display number itself and writes it to the pipe.
        reader, writer = os.pipe()
        try:
            self._start("Xvfb", ["Xvfb", "-displayfd", str(writer), "-screen", "0",
                                 f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp"], pass_fds=(writer,))
            os.close(writer)
            writer = -1
            number = b""
            deadline = time.monotonic() + 10
            while not number.endswith(b"\n"):
                if not select.select([reader], [], [], max(0.0, deadline - time.monotonic()))[0]:
                    raise AssertionError("Xvfb did not name its display within 10 s")
                piece = os.read(reader, 16)
                if not piece:
                    raise AssertionError("Xvfb ended without naming its display")
                number += piece
        finally:
            os.close(reader)
            if writer >= 0:
                os.close(writer)
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def _start(self, name, command, env=None, **kwargs):
        log = open(os.path.join(self.folder, name + ".log"), "wb")
        process = subprocess.Popen(command, env=env or self.env, stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, **kwargs)
        log.close()
        self.processes.append(process)
        return process

    def start(self, name, command, env=None):
        return self._start(name, command, env)

    def close(self):
        if OPTIONS.wine:
            # The prefix's server and every Windows process in it were started by this test, under its display.
            stop_wine(self.env)
        self._stop_processes()

    def _stop_processes(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=5)
        self.processes = []

    def x(self, *command):
        """Runs an X tool in the session and returns its output (empty when it fails)."""
        result = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=15)
        return result.stdout.decode("utf-8", "replace") if result.returncode == 0 else ""

    def windows_of(self, pid):
        return [int(w) for w in self.x("xdotool", "search", "--onlyvisible", "--pid", str(pid)).split()]

    def top_windows(self):
        """Every window that is a child of the screen's root."""
        found = []
        for line in self.x("xwininfo", "-root", "-children").splitlines():
            word = line.strip().split(" ", 1)[0]
            if word.startswith("0x"):
                found.append(int(word, 16))
        return found

    def windows_of_class(self, name):
        pattern = "^" + name.replace(".", "\\.") + "$"
        return [int(w) for w in self.x("xdotool", "search", "--onlyvisible", "--classname", pattern).split()]

    def geometry(self, window):
        fields = {}
        for line in self.x("xwininfo", "-id", str(window)).splitlines():
            name, _, value = line.strip().partition(":")
            fields[name] = value.strip()
        if not fields:
            return None
        return {"x": int(fields["Absolute upper-left X"]), "y": int(fields["Absolute upper-left Y"]),
                "width": int(fields["Width"]), "height": int(fields["Height"]),
                "mapped": fields["Map State"] == "IsViewable"}

    def ancestors(self, window):
        """The windows that hold `window`, its parent first, up to a child of the root."""
        found = []
        while True:
            match = re.search(r"Parent window id: (0x[0-9a-f]+)( \(the root window\))?",
                              self.x("xwininfo", "-tree", "-id", str(window)))
            if not match or match.group(2):
                return found
            window = int(match.group(1), 16)
            found.append(window)

    def property(self, window, name):
        return self.x("xprop", "-id", str(window), name)

    def title(self, window):
        text = self.x("xprop", "-id", str(window), "-notype", "_NET_WM_NAME")
        _, _, value = text.partition("=")
        return value.strip().strip('"')

    def active_window(self):
        text = self.x("xprop", "-root", "_NET_ACTIVE_WINDOW")
        return int(text.split()[-1], 16) if "#" in text else None

    def screenshot(self, left, top, width, height):
        ppm = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}", "+repage", "-depth", "8",
                              "ppm:-"], env=self.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=15,
                             check=True).stdout
        return Image(ppm)

    def click(self, x, y, button=1):
        self.x("xdotool", "mousemove", str(x), str(y), "click", str(button))


class Program:
    """The built plimo, copied into a folder of its own, with a recording desktop handler first in its PATH."""

    def __init__(self, desktop, folder, config=None, server=None, prefix=(), unpacked=None, user=None,
                 before_start=None):
        """user: (uid, gid) to run the program as, with a home of its own; before_start(program) runs just before
        the program starts."""
        self.desktop = desktop
        if unpacked:
            # Already in place, as a user unpacked it.
            self.folder = unpacked
        else:
            # Under Wine in the Russian code page, a folder name with a blank and Cyrillic letters, as a Windows
            # user's may well be.
            russian = OPTIONS.wine and OPTIONS.locale.startswith("ru_")
            self.folder = os.path.join(folder, "Мой Plimo" if russian else "program")
            os.makedirs(self.folder)
        self.executable = os.path.join(self.folder, "plimo.exe" if OPTIONS.wine else "plimo")
        if not unpacked:
            shutil.copy2(OPTIONS.plimo, self.executable)
        self.config_path = os.path.join(self.folder, "config.ini")
        if config is not None:
            with open(self.config_path, "w", encoding="cp1251") as file:
                file.write("[OPTIONS]\n" + "".join(f"{key}={value}\n" for key, value in config.items()))

        env = dict(desktop.env)
        home = None
        if user is not None:
            # The user's own session folders and home, where the settings go when the program's folder is closed
            # to it; the test's folder must be open to it too.
            home = os.path.join(folder, "home")
            for name in ("XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
                env[name] = os.path.join(home, name.lower())
                os.makedirs(env[name], mode=0o700)
            env["HOME"] = home
            for root, folders, _ in os.walk(home):
                for name in [root] + [os.path.join(root, f) for f in folders]:
                    os.chown(name, *user)
            os.chmod(folder, 0o755)
            if user[0] != os.geteuid():
                prefix = ["setpriv", f"--reuid={user[0]}", f"--regid={user[1]}", "--clear-groups", "--", *prefix]
        self.user_config_path = os.path.join(env["XDG_CONFIG_HOME"], "plimo", "config.ini")

        handler_folder = os.path.join(folder, "bin")
        os.makedirs(handler_folder)
        self.opened_path = os.path.join(home or folder, "opened.txt")
        handler = os.path.join(handler_folder, "xdg-open")
        with open(handler, "w") as file:
            file.write(f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{self.opened_path}'\n")
        os.chmod(handler, stat.S_IRWXU | stat.S_IRGRP | stat.S_IXGRP | stat.S_IROTH | stat.S_IXOTH)

        env["PATH"] = handler_folder + os.pathsep + env.get("PATH", "/usr/bin:/bin")
        if not OPTIONS.wine:
            env["QT_QPA_PLATFORM"] = "xcb"
        # The tray icon's tooltip, which no X tool can read, goes to the program's log as it changes.
        env["QT_LOGGING_RULES"] = "plimo.status.debug=true"
        env["QT_FORCE_STDERR_LOGGING"] = "1"
        if OPTIONS.wine:
            # Wine's trace of the X events it takes and of the messages its tray icon's window gets, in the same
            # log (the tray's explorer.exe inherits it): the evidence of how far a click on the tray icon came.
            env["WINEDEBUG"] = "-all,trace+event,trace+systray"
        self.log_path = os.path.join(desktop.folder, "plimo.log")
        if server is not None:
            # Anything not for the local server (the update check's host, the real service) goes to the local
            # server as a proxy: no test traffic leaves the machine.
            env["http_proxy"] = env["https_proxy"] = server.url
            env["no_proxy"] = "127.0.0.1,localhost"
            if OPTIONS.wine:
                # A Windows program takes the proxy from the user's Internet settings, not from the environment.
                set_wine_proxy(env, folder, urllib.parse.urlsplit(server.url).netloc, "127.0.0.1;localhost")
        self.env = env
        if before_start:
            before_start(self)
        self.started = time.monotonic()
        # A prefix must end by executing the program in its own process: the windows carry that process's id.
        self.process = desktop.start("plimo", [*prefix, *self.command()], env)
        self.pid = self.process.pid

    def command(self):
        return [OPTIONS.wine, self.executable] if OPTIONS.wine else [self.executable]

    def windows(self):
        """The program's visible windows (under Wine, those of any process running plimo.exe)."""
        if OPTIONS.wine:
            return self.desktop.windows_of_class("plimo.exe")
        return self.desktop.windows_of(self.pid)

    def panels(self):
        found = []
        for window in self.windows():
            geometry = self.desktop.geometry(window)
            if geometry and geometry["width"] == PANEL_WIDTH and self.desktop.title(window) == "Plimo":
                found.append(window)
        return found

    def panel(self, timeout=None):
        """The panel's window once it is on screen."""
        return wait_for("the panel on screen", lambda: (self.panels() or [None])[0],
                        timeout or (30 if OPTIONS.wine else 15))

    def tray_icon(self, timeout=15, tray=None):
        """The icon's window once the notification area (the window `tray`, if named) has docked it."""
        def find():
            owned = self.desktop.windows_of_class("explorer.exe") if OPTIONS.wine else self.windows()
            for window in owned:
                geometry = self.desktop.geometry(window)
                # Wine's explorer.exe also maps a sliver of a window (2 x 24) at the screen's edge: not the icon.
                if (geometry and 8 <= geometry["width"] <= 32 and 8 <= geometry["height"] <= 32
                        and geometry["mapped"] and (tray is None or tray in self.desktop.ancestors(window))):
                    return window
            return None
        return wait_for("the tray icon docked", find, timeout)

    def click_tray_icon(self, button=1):
        geometry = self.desktop.geometry(self.tray_icon())
        x, y = geometry["x"] + geometry["width"] // 2, geometry["y"] + geometry["height"] // 2
        if OPTIONS.wine:
            # Wine's tray takes a press only where it has seen the pointer arrive: move onto the icon first.
            self.desktop.x("xdotool", "mousemove", str(x - 1), str(y - 1), "sleep", "0.5", "mousemove", str(x), str(y),
                           "sleep", "0.5")
        self.desktop.click(x, y, button)

    def click_tray_icon_until(self, what, predicate, unseen_allowed=False):
        """A click on the icon, and the wait for what it does. Under Wine a click now and then goes unseen (the
        program never hears of it, at any time): the click is tried again, up to three times. With unseen_allowed,
        three clicks under Wine that Wine's trace shows never reached it answer None instead of failing."""
        attempts = 3 if OPTIONS.wine else 1
        trace_from = self.log_size()
        for attempt in range(attempts):
            self.click_tray_icon()
            try:
                found = wait_for(what, predicate, 4 if OPTIONS.wine else 5)
                if OPTIONS.wine:
                    record_tray("reached")
                return found
            except AssertionError:
                if attempt == attempts - 1:
                    if unseen_allowed and OPTIONS.wine and self.clicks_unseen_by_wine(trace_from, what):
                        return None
                    raise

    def log_size(self):
        try:
            return os.path.getsize(self.log_path)
        except FileNotFoundError:
            return 0

    def clicks_unseen_by_wine(self, trace_from, what):
        """True where Wine's trace since `trace_from` shows that the clicks never reached the tray icon's window
        procedure, the one that tells the program: no mouse message there, whether or not the X press reached
        Wine's window for the icon. A click that reached it without `what` fails the test, and so does a trace
        that shows nothing of the icon (no evidence either way). Notes the unseen clicks for the run."""
        with open(self.log_path, "rb") as file:
            whole = file.read()
        trace = whole[trace_from:].decode("utf-8", "replace")
        messages = [int(m, 16) for m in re.findall(r"tray_icon_wndproc hwnd=\w+, msg=(0x[0-9a-f]+)", trace)]
        # The mouse's button messages, WM_LBUTTONDOWN to WM_MBUTTONDBLCLK.
        buttons = [m for m in messages if 0x201 <= m <= 0x209]
        if buttons:
            raise AssertionError(f"Wine's tray icon took the clicks (messages {[hex(m) for m in buttons]}) but not "
                                 f"{what}")
        presses = len(re.findall(r"call_event_handler \d+ ButtonPress for hwnd/window", trace))
        if b"tray_icon_wndproc" not in whole or not re.search(r"call_event_handler \d+ \w+", trace):
            raise AssertionError(f"no {what} after the clicks on the tray icon, and Wine's trace shows nothing of "
                                 "its tray: no evidence of where the clicks went")
        print(f"Wine's trace: {presses} X button presses, no mouse message at the tray icon's window", flush=True)
        record_tray("unseen")
        return True

    def choose_from_tray_menu(self, entry):
        """Right-clicks the icon and clicks entry 0 ("Настройки"), 1 ("Выход"), 2 ("Обновить сейчас"), 3 ("Открыть
        статистику") or 4 ("История…") of the menu that opens; under Wine answers False where no menu opened because
        Wine's trace shows that no right click reached it."""
        # Under Wine the menu is a window of the screen's own, without the program's class.
        windows = self.desktop.top_windows if OPTIONS.wine else self.windows
        if OPTIONS.wine:
            # Under Wine the program can hear that the click on the tray took the focus from it only after its
            # menu has opened, and Qt closes a menu when its program loses the focus; on Windows that news comes
            # first. So the focus leaves the program for the bare desktop first, and the click is tried again.
            self.desktop.click(5, SCREEN_HEIGHT - 5)
            deadline = time.monotonic() + 5 * TIME_SCALE
            while self.desktop.active_window() in self.windows() and time.monotonic() < deadline:
                time.sleep(0.05)
        before = set(windows())

        def menu():
            for window in set(windows()) - before:
                geometry = self.desktop.geometry(window)
                if geometry and geometry["mapped"] and geometry["height"] > 30:
                    return geometry
            return None
        geometry = None
        trace_from = self.log_size()
        # Each wait ends in "no menu opened": a slow build gets the time it needs to open one.
        menu_wait = (4 if OPTIONS.wine else 10) * TIME_SCALE
        for _ in range(3 if OPTIONS.wine else 1):
            self.click_tray_icon(button=3)
            deadline = time.monotonic() + menu_wait
            while not (geometry := menu()) and time.monotonic() < deadline:
                time.sleep(0.05)
            if geometry:
                break
        if not geometry:
            if OPTIONS.wine and self.clicks_unseen_by_wine(trace_from, "the tray menu"):
                return False
            raise AssertionError(f"timed out after {menu_wait} s waiting for the tray menu")
        if OPTIONS.wine:
            record_tray("reached")
        # Five rows of one height, a separator between the third and the fourth, and a thin frame: the upper
        # entries counted from the top, "Настройки" and "Выход" from the bottom.
        row = (geometry["height"] - 8) / 5
        top, bottom = geometry["y"] + 1, geometry["y"] + geometry["height"] - 1
        y = {0: bottom - 1.5 * row, 1: bottom - 0.5 * row, 2: top + 0.5 * row, 3: top + 1.5 * row,
             4: top + 2.5 * row}[entry]
        self.desktop.click(geometry["x"] + geometry["width"] // 2, int(y))
        return True

    def opened(self):
        """Addresses handed to the desktop's default handler so far."""
        try:
            with open(self.opened_path, encoding="utf-8") as file:
                addresses = file.read().splitlines()
        except FileNotFoundError:
            return []
        if OPTIONS.wine:
            # Wine's ShellExecute writes an empty path as "/" before the handler sees it: the same address.
            addresses = [a[:-1] if urllib.parse.urlsplit(a).path == "/" else a for a in addresses]
        return addresses

    def settings_window(self, timeout=10):
        return wait_for("the settings window",
                        lambda: [w for w in self.windows() if self.desktop.title(w) == "Настройки"], timeout)[0]

    def end(self, signal_number):
        """Asks the program to end: with the signal; under Wine, where Unix signals do not reach a Windows
        program, by closing the panel with Alt+F4, the way its user would."""
        if not OPTIONS.wine:
            self.process.send_signal(signal_number)
            return
        # The settings window first, if open: the window manager keeps the focus on a dialog over its owner.
        for window in [w for w in self.windows() if self.desktop.title(w) == "Настройки"]:
            self.close_with_keys(window)
            wait_for("the settings window closed", lambda: window not in self.windows(), 10)
        self.close_with_keys(self.panel())

    def end_session(self):
        """Ends the user's session the way the system does: under Wine, wineboot asks every window with Windows'
        WM_QUERYENDSESSION and then sends WM_ENDSESSION; on Linux, where no session manager runs here, the end of
        a desktop session sends SIGTERM. Answers whether the session could end (no window objected)."""
        if not OPTIONS.wine:
            self.process.send_signal(signal.SIGTERM)
            return True
        # Output to a file: a Wine program it starts would hold a pipe open.
        with tempfile.TemporaryFile() as output:
            result = subprocess.run([OPTIONS.wine, "wineboot", "--end-session"], env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT,
                                    timeout=60 * TIME_SCALE)
        return result.returncode == 0

    def close_with_keys(self, window):
        """Alt+F4 once the window is the active one (keys go to the focused window)."""
        def active():
            if self.desktop.active_window() == window:
                return True
            self.desktop.x("xdotool", "windowactivate", str(window))
            return False
        wait_for("the window to close active", active, 10, interval=0.3)
        self.desktop.x("xdotool", "key", "--clearmodifiers", "alt+F4")

    def wait_exit(self, timeout=15):
        timeout *= TIME_SCALE
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"plimo still runs {timeout} s after it was asked to end")

    def run_value(self):
        """The Run key's "Plimo" value under Wine (the machine's key, else the user's), or None."""
        for root in ("HKLM", "HKCU"):
            key = root + r"\Software\Microsoft\Windows\CurrentVersion\Run"
            result = subprocess.run([OPTIONS.wine, "reg", "query", key, "/v", "Plimo"], env=self.env,
                                    stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
            # reg writes to a pipe in the OEM code page.
            oem = "cp866" if OPTIONS.locale.startswith("ru_") else "cp437"
            for line in result.stdout.decode(oem, "replace").splitlines():
                name, _, rest = line.strip().partition(" ")
                if name.lower() == "plimo" and "REG_SZ" in rest:
                    return rest.split("REG_SZ", 1)[1].strip()
        return None

    def tray_tooltips(self):
        """The tray icon's tooltips so far, oldest first, each a list of its lines."""
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as file:
                lines = file.read().splitlines()
        except FileNotFoundError:
            return []
        marker = "tray tooltip: "
        return [line.split(marker, 1)[1].split(" | ") for line in lines if marker in line]

    def mark(self, panel):
        """What the 8 x 8 mark left of the hide glyph shows: "failure" (red), "stale" (grey) or None."""
        g = self.desktop.geometry(panel)
        image = self.desktop.screenshot(g["x"] + 197, g["y"] + 5, 8, 8)
        if image.count((0, 0, 8, 8), (230, 30, 30), 60) >= 6:
            return "failure"
        if image.count((0, 0, 8, 8), (160, 160, 160), 20) >= 10:
            return "stale"
        return None

    def box(self, timeout=10):
        """A message box of the program's once it is on screen: a window captioned "Plimo" that is neither the panel
        nor the tray icon."""
        def find():
            for window in self.windows():
                geometry = self.desktop.geometry(window)
                if (geometry and geometry["width"] not in (PANEL_WIDTH, TRAY_ICON_SIZE) and
                        self.desktop.title(window) == "Plimo"):
                    return window
            return None
        return wait_for("a message box", find, timeout)

    def settings(self, path=None):
        """The [OPTIONS] keys of config.ini as a list of (key, value), in file order."""
        pairs = []
        section = None
        with open(path or self.config_path, encoding="cp1251") as file:
            for line in file.read().splitlines():
                line = line.strip()
                if line.startswith("[") and line.endswith("]"):
                    section = line[1:-1].upper()
                elif section == "OPTIONS" and "=" in line:
                    key, _, value = line.partition("=")
                    pairs.append((key.strip().lower(), value.strip()))
        return pairs


class StatisticsServer:
    """The local statistics server: a page whose values move on every request, with the given trend."""

    def __init__(self, desktop, trend, arguments=()):
        self.log_path = os.path.join(desktop.folder, "plimo_test_server.log")
        self.process = desktop.start("plimo_test_server",
                                     [OPTIONS.server, "--statistics", trend, "--lifetime", "120", *arguments])
        self.url = wait_for("the statistics server's address", lambda: self._lines()[:1], 10)[0]

    def _lines(self):
        try:
            with open(self.log_path, encoding="utf-8") as file:
                return [line.rstrip("\n") for line in file if line.endswith("\n")]
        except FileNotFoundError:
            return []

    def requests(self):
        """(method, target, body bytes) of every request so far."""
        found = []
        for line in self._lines()[1:]:
            method, target, body = (line.split(" ", 2) + [""])[:3]
            found.append((method, target, urllib.parse.unquote_to_bytes(body)))
        return found

    def sign_ins(self):
        return [(target, body) for method, target, body in self.requests() if method == "POST"]


def product_page():
    return (f"https://{OPTIONS.maker_host}/index.php?option=com_content&view=article&id=308:plimo"
            "&catid=52:lan-internet&Itemid=80")


def openssl(folder, *arguments):
    result = subprocess.run(["openssl", *arguments], cwd=folder, stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=30)
    if result.returncode != 0:
        raise AssertionError(f"openssl {' '.join(arguments)}: {result.stderr.decode(errors='replace')}")


class MakerSite:
    """The maker's https site as the program reaches it through the proxy: a test authority, a certificate for
    the maker's host that it signed, and the arguments that make the local server answer tunnels with it. The
    program trusts the authority only inside a mount namespace of its own, where a folder holding nothing but
    the authority lies over /etc/ssl/certs, the folder Qt's OpenSSL back-end reads trusted roots from on Debian
    (/usr/lib/ssl/certs leads there too). The namespace belongs to a user namespace of the program's own, so no
    root is needed. The system's own trust store is never touched."""

    # The caller keeps its own user id in the new user namespace (Wine finds its server by it) and the rights the
    # namespace gives it, which let it mount in the mount namespace of its own.
    NAMESPACE = ["unshare", "--map-current-user", "--keep-caps", "--mount", "--propagation", "private"]

    @staticmethod
    def missing():
        """Why the site cannot be set up here, or None."""
        tools = [tool for tool in ("unshare", "mount", "openssl") if shutil.which(tool) is None]
        if tools:
            return f"missing {', '.join(tools)} (tools/setup installs them)"
        # Kernels may refuse unprivileged user namespaces (a sysctl, or a security module).
        probe = subprocess.run([*MakerSite.NAMESPACE, "--", "mount", "--bind", "/etc/ssl/certs", "/etc/ssl/certs"],
                               stdin=subprocess.DEVNULL, capture_output=True, timeout=15)
        if probe.returncode != 0:
            return ("this kernel gives no user namespace with a mount of its own: "
                    + probe.stderr.decode(errors="replace").strip())
        return None

    def __init__(self, folder):
        self.folder = os.path.join(folder, "maker-site")
        self.trusted = os.path.join(self.folder, "trusted")
        os.makedirs(self.trusted)
        host = OPTIONS.maker_host
        with open(os.path.join(self.folder, "host.ext"), "w") as file:
            file.write(f"basicConstraints=critical,CA:FALSE\nsubjectAltName=DNS:{host}\n"
                       "extendedKeyUsage=serverAuth\nkeyUsage=critical,digitalSignature\n")
        ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        openssl(self.folder, "req", "-x509", *ec, "-keyout", "authority.key", "-out", "authority.pem", "-days", "2",
                "-subj", "/CN=Plimo test authority", "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        openssl(self.folder, "req", *ec, "-keyout", "host.key", "-out", "host.csr", "-subj", f"/CN={host}")
        openssl(self.folder, "x509", "-req", "-in", "host.csr", "-CA", "authority.pem", "-CAkey", "authority.key",
                "-set_serial", "2", "-days", "2", "-extfile", "host.ext", "-out", "host.pem")
        shutil.copy(os.path.join(self.folder, "authority.pem"), self.trusted)
        # The hashed names are what OpenSSL looks roots up by.
        openssl(self.folder, "rehash", self.trusted)
        self.version_file = os.path.join(self.folder, "plimover.txt")
        with open(self.version_file, "wb") as file:
            file.write(NEWER_VERSION_FILE)

    def server_arguments(self, offer_update=True):
        arguments = ["--tunnel-certificate", os.path.join(self.folder, "host.pem"),
                     "--tunnel-key", os.path.join(self.folder, "host.key")]
        return arguments + (["--serve", "/soft/plimover.txt=" + self.version_file] if offer_update else [])

    def program_prefix(self):
        """Runs the program in the namespace; mount and then exec keep one process from start to end."""
        return [*self.NAMESPACE, "--", "sh", "-c",
                'mount --bind "$0" /etc/ssl/certs && exec "$@"', self.trusted]


def base_config(server, **changes):
    config = {"autostart": "0", "sitename": "example.com", "sitehttp": "http://example.com", "pass": "secret",
              "lindx": server.url + "stat/example.com/index.html", "color": "$00503010", "blend": "193",
              "up": "0", "fs": "0"}
    config.update(changes)
    return config


def ordinary_user():
    """(uid, gid) of a user without root's rights: nobody when the tests run as root, else the tests' own."""
    if os.geteuid() != 0:
        return os.getuid(), os.getgid()
    nobody = pwd.getpwnam("nobody")
    return nobody.pw_uid, nobody.pw_gid


class DesktopTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="plimo-e2e-")
        self.desktop = None
        self.skipped_checks = []
        self.test_started = time.monotonic()
        try:
            self.desktop = Desktop(self.folder)
        except BaseException:
            self.tearDown()
            raise

    def tearDown(self):
        if self.desktop is not None:
            self.desktop.close()
        FOLDERS.append(self.folder)  # removed by main(), after it has shown the logs of a failed test
        if self.skipped_checks:
            self.skipTest("; ".join(self.skipped_checks))

    def skip_check(self, reason):
        """A check that cannot hold here: the rest of the test goes on, and the test ends as skipped."""
        self.note(f"skipped check: {reason}")
        self.skipped_checks.append(reason)

    def exit_from_tray_menu(self, program):
        """"Выход" from the tray menu; where the menu did not open (under Wine), Alt+F4 ends the program instead."""
        if not program.choose_from_tray_menu(1):
            self.skip_check(TRAY_MENU_UNDER_WINE + ": the program was ended with Alt+F4 instead of \"Выход\"")
            program.end(signal.SIGTERM)

    def note(self, text):
        print(f"[{time.monotonic() - self.test_started:6.2f} s] {text}", flush=True)

    def wait_for_values(self, panel, arrow_colour):
        """Waits until the display step has drawn both arrows in `arrow_colour`; answers the panel's picture."""
        def drawn():
            g = self.desktop.geometry(panel)
            image = self.desktop.screenshot(g["x"], g["y"], PANEL_WIDTH, PANEL_HEIGHT)
            if (image.count(VIEWS_ARROW_AREA, arrow_colour, 2) >= ARROW_PIXELS - 4 and
                    image.count(VISITORS_ARROW_AREA, arrow_colour, 2) >= ARROW_PIXELS - 4):
                return image
            return None
        return wait_for("the values on the panel", drawn, 20, interval=0.2)

    def assert_values_drawn(self, image, background, name_colour, other_name_colour, arrow_colour, other_arrow):
        total = PANEL_WIDTH * PANEL_HEIGHT
        # Without a compositor the pixels are not blended: the window colour shows exactly.
        self.assertGreater(image.count((0, 0, PANEL_WIDTH, PANEL_HEIGHT), background), total * 0.6)
        # Text is anti-aliased: count pixels close to the colour, not exact ones. The site name's thin strokes
        # hardly ever reach the full colour.
        self.assertGreaterEqual(image.count(SITE_NAME_AREA, name_colour, 60), 20)
        self.assertEqual(image.count(SITE_NAME_AREA, other_name_colour, 60), 0)
        for area in (VIEWS_ARROW_AREA, VISITORS_ARROW_AREA):
            self.assertGreaterEqual(image.count(area, arrow_colour, 2), ARROW_PIXELS - 4)
            self.assertEqual(image.count(area, other_arrow, 2), 0)
        for area, colour in ((VIEWS_AREA, VIEWS_TEXT), (VIEWS_CHANGE_AREA, VIEWS_TEXT),
                             (VISITORS_AREA, VISITORS_TEXT), (VISITORS_CHANGE_AREA, VISITORS_TEXT)):
            self.assertGreaterEqual(image.count(area, colour, 24), 15, f"text colour {colour} in {area}")

    def assert_saved(self, program, path=None, **expected):
        pairs = program.settings(path)
        keys = [key for key, _ in pairs]
        self.assertEqual(sorted(keys), sorted(SETTINGS_KEYS), "config.ini holds each of the thirteen keys once")
        values = dict(pairs)
        self.assertEqual(values["fs"], "0")
        for key, value in expected.items():
            self.assertEqual(values[key], value, key)

    def drag_panel(self, panel):
        """Drags the panel at its default place by a value, 150 px left and 200 px up; answers the new place."""
        left, top = DEFAULT_PLACE
        self.desktop.x("xdotool", "mousemove", str(left + VIEWS_POINT[0]), str(top + VIEWS_POINT[1]),
                       "mousedown", "1")
        for _ in range(10):
            time.sleep(0.03)
            self.desktop.x("xdotool", "mousemove_relative", "--", "-15", "-20")
        time.sleep(0.1)
        self.desktop.x("xdotool", "mouseup", "1")
        moved = (left - 150, top - 200)
        wait_for("the panel to follow the pointer",
                 lambda: (self.desktop.geometry(panel)["x"], self.desktop.geometry(panel)["y"]) == moved,
                 10 if OPTIONS.wine else 5)
        return moved

    # -- the tests ---------------------------------------------------------------------------------------------

    def test_panel_on_screen(self):
        """Place, size, stay-on-top, opacity, the sign-in, the values in the rising colours; SIGTERM saves."""
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server), server)
        panel = program.panel()
        shown = time.monotonic()
        self.note(f"panel on screen {shown - program.started:.3f} s after the start")

        geometry = self.desktop.geometry(panel)
        self.assertEqual((geometry["x"], geometry["y"]), DEFAULT_PLACE)
        self.assertEqual((geometry["width"], geometry["height"]), (PANEL_WIDTH, PANEL_HEIGHT))
        self.assertIn("_NET_WM_STATE_ABOVE", self.desktop.property(panel, "_NET_WM_STATE"))
        self.assertEqual(self.desktop.title(panel), "Plimo")

        wait_for("the sign-in request", server.sign_ins, 15)
        self.note(f"sign-in {time.monotonic() - shown:.3f} s after the panel was shown")
        # The window manager activates the panel when it appears: the first activation's work runs then, not
        # after the grace period for window systems that never activate it.
        wait_for("the panel to be the active window", lambda: self.desktop.active_window() == panel, 5)
        target, body = server.sign_ins()[0]
        self.assertEqual(target, "/stat/example.com/index.html")
        self.assertEqual(body, b"name=http://example.com;password=secret;keep_password=1")
        # The stored opacity applies from the first activation on: 193 of 255.
        opacity = self.desktop.property(panel, "_NET_WM_WINDOW_OPACITY").split("=")[-1].strip()
        self.assertAlmostEqual(int(opacity), round(193 / 255 * 0xFFFFFFFF), delta=1)

        image = self.wait_for_values(panel, UP_ARROW)
        self.note(f"values drawn {time.monotonic() - shown:.3f} s after the panel was shown")
        self.assert_values_drawn(image, (16, 48, 80), GREEN_NAME, RED_NAME, UP_ARROW, DOWN_ARROW)
        # The update check asked the maker's server over https (a tunnel through the local server as proxy), and
        # nothing broke when no version file came.
        self.assertIn(("CONNECT", f"{OPTIONS.maker_host}:443"), [(m, t) for m, t, _ in server.requests()])

        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, **{"cx": str(DEFAULT_PLACE[0]), "cy": str(DEFAULT_PLACE[1]), "blend": "193",
                                      "up": "0", "pass": "secret", "sitehttp": "http://example.com"})

    def test_falling_trend_at_stored_place(self):
        """A stored place and a named window colour; both changes falling: red name, red arrows; SIGHUP saves."""
        server = StatisticsServer(self.desktop, "falling")
        program = Program(self.desktop, self.folder,
                          base_config(server, color="clNavy", cx="100", cy="200", up="4"), server)
        panel = program.panel()
        image = self.wait_for_values(panel, DOWN_ARROW)
        geometry = self.desktop.geometry(panel)
        self.assertEqual((geometry["x"], geometry["y"]), (100, 200))
        self.assert_values_drawn(image, (0, 0, 128), RED_NAME, GREEN_NAME, DOWN_ARROW, UP_ARROW)

        program.end(signal.SIGHUP)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, cx="100", cy="200", color="clNavy", up="4")

    def test_drag_and_exit_from_tray_menu(self):
        """A press on a value drags the panel; the site name takes a click; "Выход" ends and saves the place."""
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server, sitehttp='"  http://example.com  "'),
                          server)
        panel = program.panel()
        self.wait_for_values(panel, UP_ARROW)

        moved = self.drag_panel(panel)

        # The site name is no drag handle: a click opens the site address, without its blanks.
        self.desktop.click(moved[0] + SITE_NAME_POINT[0], moved[1] + SITE_NAME_POINT[1])
        wait_for("the site handed to the desktop", program.opened, 5)
        self.assertEqual(program.opened(), ["http://example.com"])
        geometry = self.desktop.geometry(panel)
        self.assertEqual((geometry["x"], geometry["y"]), moved)

        self.exit_from_tray_menu(program)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, cx=str(moved[0]), cy=str(moved[1]), sitehttp="http://example.com")

    def test_hide_and_show_from_tray(self):
        """The tray icon hides and shows the panel; so does the hide glyph; "Настройки" opens the settings."""
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server), server)
        panel = program.panel()
        program.tray_icon()
        self.wait_for_values(panel, UP_ARROW)

        def mapped():
            return self.desktop.geometry(panel)["mapped"]

        # Clicks further apart than a double click: a double click counts as one click.
        if not program.click_tray_icon_until("the panel hidden", lambda: not mapped(), unseen_allowed=True):
            # The glyph's own hiding is checked with the second start, which brings the panel back.
            self.skip_check(TRAY_CLICKS_UNDER_WINE)
            program.end(signal.SIGINT)
            self.assertEqual(program.wait_exit(), 0)
            self.assert_saved(program, cx=str(DEFAULT_PLACE[0]), cy=str(DEFAULT_PLACE[1]))
            return
        time.sleep(0.6)
        program.click_tray_icon_until("the panel shown", mapped)
        geometry = self.desktop.geometry(panel)
        self.assertEqual((geometry["x"], geometry["y"]), DEFAULT_PLACE)
        self.assertIn("_NET_WM_STATE_ABOVE", self.desktop.property(panel, "_NET_WM_STATE"))
        wait_for("the panel active again", lambda: self.desktop.active_window() == panel, 5)

        self.desktop.click(DEFAULT_PLACE[0] + HIDE_GLYPH[0], DEFAULT_PLACE[1] + HIDE_GLYPH[1])
        wait_for("the panel hidden by its glyph", lambda: not mapped(), 5)
        time.sleep(0.6)
        program.click_tray_icon_until("the panel shown", mapped)

        if program.choose_from_tray_menu(0):
            settings = program.settings_window()
            self.assertTrue(self.desktop.geometry(settings)["mapped"])
            self.assertTrue(mapped())
            # A dialog of the panel's: no taskbar button of its own.
            self.assertIn("_NET_WM_WINDOW_TYPE_DIALOG", self.desktop.property(settings, "_NET_WM_WINDOW_TYPE"))
            self.assertIn(hex(panel), self.desktop.property(settings, "WM_TRANSIENT_FOR"))
        else:
            self.skip_check(TRAY_MENU_UNDER_WINE + ": \"Настройки\" from it is not checked")

        program.end(signal.SIGINT)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, cx=str(DEFAULT_PLACE[0]), cy=str(DEFAULT_PLACE[1]))

    def test_session_end_saves_this_runs_values(self):
        """The end of the user's session (a log-off or shut-down) ends the program, lets the session end, and leaves
        config.ini with all thirteen keys: the stored ones as they were, the place as this run moved it."""
        server = StatisticsServer(self.desktop, "rising")
        config = base_config(server, colorf1="$00000001", colorf2="$00000002", blend="200", up="3")
        program = Program(self.desktop, self.folder, config, server)
        panel = program.panel()
        self.wait_for_values(panel, UP_ARROW)
        moved = self.drag_panel(panel)

        self.assertTrue(program.end_session(), "the program objected to the end of the session")
        # Windows ends a program once it has answered WM_ENDSESSION, as Wine does: its loader dies of SIGKILL.
        self.assertIn(program.wait_exit(), (0, -signal.SIGKILL) if OPTIONS.wine else (0,))
        config.update(cx=str(moved[0]), cy=str(moved[1]))
        self.assert_saved(program, **config)

    def test_tray_icon_back_after_the_tray_restarts(self):
        """The notification area ends while the program runs and a new one starts: the icon docks in the new one
        and its clicks hide and show the panel."""
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server), server)
        panel = program.panel()
        program.tray_icon(tray=self.desktop.tray_window())
        self.wait_for_values(panel, UP_ARROW)

        self.desktop.stop_tray()
        self.desktop.start_tray()
        restarted = time.monotonic()
        program.tray_icon(tray=self.desktop.tray_window())
        self.note(f"icon docked again {time.monotonic() - restarted:.3f} s after the new tray started")

        def mapped():
            return self.desktop.geometry(panel)["mapped"]
        if program.click_tray_icon_until("the panel hidden", lambda: not mapped(), unseen_allowed=True):
            time.sleep(0.6)  # further apart than a double click
            program.click_tray_icon_until("the panel shown", mapped)
        else:
            self.skip_check(TRAY_CLICKS_UNDER_WINE)
        self.assertEqual(program.panels(), [panel])
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)

    def test_second_start_shows_the_running_panel(self):
        """A second start from the same folder brings the hidden panel back and ends; no second panel appears."""
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server), server)
        panel = program.panel()
        program.tray_icon()
        self.wait_for_values(panel, UP_ARROW)
        # Hidden by its glyph (the tray's own clicks have a test of their own).
        self.desktop.click(DEFAULT_PLACE[0] + HIDE_GLYPH[0], DEFAULT_PLACE[1] + HIDE_GLYPH[1])
        wait_for("the panel hidden", lambda: not self.desktop.geometry(panel)["mapped"], 5)

        second = self.desktop.start("plimo-second", program.command(), program.env)
        try:
            self.assertEqual(second.wait(timeout=15 * TIME_SCALE), 0)
        except subprocess.TimeoutExpired:
            raise AssertionError("the second start still runs")
        wait_for("the running panel shown again", lambda: self.desktop.geometry(panel)["mapped"], 5)
        if OPTIONS.wine:
            self.assertEqual(program.panels(), [panel])
        else:
            self.assertEqual(self.desktop.windows_of(second.pid), [])

        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, cx=str(DEFAULT_PLACE[0]), cy=str(DEFAULT_PLACE[1]))

    def test_first_start_without_config(self):
        """No config.ini: the product page is opened, the settings window shown; the exit writes the file."""
        # Start at log-on goes to the user's own autostart folder (the session's XDG_CONFIG_HOME), never to the
        # system-wide one, which must stay exactly as it was.
        system_entry = "/etc/xdg/autostart/Plimo.desktop"
        system_before = open(system_entry, "rb").read() if os.path.exists(system_entry) else None
        user_entry = os.path.join(self.desktop.env["XDG_CONFIG_HOME"], "autostart", "Plimo.desktop")
        # The proxy keeps the sign-in to the default (real) statistics page on this machine.
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, None, server)
        program.panel()
        settings = program.settings_window(15)
        geometry = self.desktop.geometry(settings)
        self.assertTrue(geometry["mapped"])
        # Centred on the screen the first time it is shown.
        self.assertAlmostEqual(geometry["x"] + geometry["width"] / 2, SCREEN_WIDTH / 2, delta=30)
        self.assertAlmostEqual(geometry["y"] + geometry["height"] / 2, SCREEN_HEIGHT / 2, delta=30)
        wait_for("the product page handed to the desktop", program.opened, 10)
        self.assertEqual(program.opened(), [product_page()])
        if OPTIONS.wine:
            # Start at log-on is the Run value, naming the program where it lies.
            wait_for("the Run value", program.run_value, 10)
            self.assertEqual(program.run_value().strip('"'), windows_path(program.executable))
        else:
            with open(user_entry, encoding="utf-8") as file:
                self.assertIn(f'Exec="{program.executable}"', file.read())

        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, autostart="1", up="2", blend="193", color="clBlack",
                          lindx="https://www.liveinternet.ru/stat/example.com/index.html",
                          cx=str(DEFAULT_PLACE[0]), cy=str(DEFAULT_PLACE[1]))
        self.assertEqual(open(system_entry, "rb").read() if os.path.exists(system_entry) else None, system_before)

    def test_page_bomb_leaves_the_panel_answering(self):
        """A statistics page of 32 MiB on the wire that inflates to 32 GiB: half a second after the sign-in a click
        on the site name opens the site within 1.5 s, and the program ends the normal way."""
        server = StatisticsServer(self.desktop, "rising", ["--gzip-bomb", str(32 * 1024)])
        program = Program(self.desktop, self.folder, base_config(server), server)
        panel = program.panel()
        program.tray_icon()
        wait_for("the sign-in request", server.sign_ins, 15, interval=0.01)
        # Once the answer is coming in: inflating all of it would hold the panel for a minute and more.
        time.sleep(0.5)
        clicked = time.monotonic()
        # The site name rather than the hide glyph: under Wine the program ends through its panel (Alt+F4).
        self.desktop.click(DEFAULT_PLACE[0] + SITE_NAME_POINT[0], DEFAULT_PLACE[1] + SITE_NAME_POINT[1])
        wait_for("the site handed to the desktop", program.opened, 1.5)
        self.note(f"site opened {time.monotonic() - clicked:.3f} s after the click")
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, cx=str(DEFAULT_PLACE[0]), cy=str(DEFAULT_PLACE[1]))

    def test_trickling_server_ends_at_the_deadline(self):
        """A statistics server that sends a byte every 9 s, never silent for the 10 s the engine waits for data:
        the panel answers a click meanwhile, the program drops the page 25 s after the sign-in (its deadline, below
        the shortest refresh period), and the tick 30 s after the start finds that error page rather than no page
        at all: refreshing goes on, with the next sign-in and the values."""
        # The program's deadline and period do not stretch with slow builds; the test's own limit grows by them.
        signal.alarm((WINE_TIME_LIMIT if OPTIONS.wine else TIME_LIMIT) + 30)
        server = StatisticsServer(self.desktop, "rising", ["--trickle", "9"])
        program = Program(self.desktop, self.folder, base_config(server, up="0"), server)
        panel = program.panel()
        wait_for("the sign-in request", server.sign_ins, 15)

        self.desktop.click(DEFAULT_PLACE[0] + SITE_NAME_POINT[0], DEFAULT_PLACE[1] + SITE_NAME_POINT[1])
        wait_for("the site handed to the desktop", program.opened, 1.5)
        self.assertEqual(program.opened(), ["http://example.com"])

        def dropped():
            return [float(body) for method, _, body in server.requests() if method == "closed"]
        seconds = wait_for("the trickling answer dropped", dropped, 40, interval=0.5)[0]
        self.note(f"the trickle was dropped after {seconds:.1f} s")
        self.assertGreaterEqual(seconds, 22)  # the deadline (an ordinary timer: up to 5 % early), not the stall time
        self.assertLessEqual(seconds, 30)

        wait_for("the next tick's sign-in", lambda: len(server.sign_ins()) >= 2, 20)
        self.wait_for_values(panel, UP_ARROW)
        self.assertFalse([w for w in program.windows() if w != panel and self.desktop.title(w) == "Plimo" and
                          self.desktop.geometry(w)["width"] > TRAY_ICON_SIZE], "no error box")
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)

    def test_https_sign_in_only_to_a_trusted_certificate(self):
        """A statistics page over https (the maker's host, through the proxy): signed in and its values shown where
        the certificate's authority is trusted; refused with the red mark where it is not, and where the page
        redirects to plain http, which is never asked."""
        missing = MakerSite.missing()
        if missing:
            self.skipTest(missing)
        site = MakerSite(self.folder)
        page = f"https://{OPTIONS.maker_host}/stat/example.com/index.html"
        downgrade = f"http://{OPTIONS.maker_host}/downgraded/index.html"
        for name, trusted, arguments, told in (
                ("untrusted", False, [], "сертификат сервера не заслуживает доверия"),
                ("trusted", True, [], None),
                ("downgraded", True, ["--redirect", downgrade], "перенаправление с https на http отклонено")):
            self.note(name)
            folder = os.path.join(self.folder, name)
            os.makedirs(folder)
            server = StatisticsServer(self.desktop, "rising", site.server_arguments(offer_update=False) + arguments)
            program = Program(self.desktop, folder, base_config(server, lindx=page), server,
                              site.program_prefix() if trusted else ())
            panel = program.panel()
            self.assertIn(("CONNECT", f"{OPTIONS.maker_host}:443"),
                          wait_for("the tunnel to the page", lambda: [(m, t) for m, t, _ in server.requests()], 15))
            if name == "trusted":
                self.wait_for_values(panel, UP_ARROW)
                self.assertIsNone(program.mark(panel))
                target, body = server.sign_ins()[0]
                self.assertEqual(target, "/stat/example.com/index.html")
                self.assertEqual(body, b"name=http://example.com;password=secret;keep_password=1")
            else:
                wait_for(f"the red mark ({name})", lambda: program.mark(panel) == "failure", 15)
                targets = [target for _, target, _ in server.requests()]
                # Nothing went to the page over an untrusted connection. The downgrade came as the page's answer,
                # and nothing left https for the plain address.
                self.assertEqual(bool(server.sign_ins()), name == "downgraded", targets)
                self.assertFalse([t for t in targets if "downgraded" in t], targets)
                if not OPTIONS.wine:  # the tooltip is read from the log, which Wine does not give
                    self.assertEqual(program.tray_tooltips()[-1], ["Plimo", "Нет связи с сервером статистики: " + told])
            program.end(signal.SIGTERM)
            self.assertEqual(program.wait_exit(), 0)
            server.process.terminate()
            if OPTIONS.wine:
                # Wine's crypt32 copies the system's roots into the registry once per Wine server, and every
                # later program of that server trusts that copy: each part needs a server of its own.
                stop_wine(self.desktop.env)

    def start_with_update_offered(self):
        """Starts the program where the maker offers a newer version; answers the program, its panel and the
        "Confirm" box, once the box is the active window."""
        missing = MakerSite.missing()
        if missing:
            self.skipTest(missing)
        site = MakerSite(self.folder)
        server = StatisticsServer(self.desktop, "rising", site.server_arguments())
        program = Program(self.desktop, self.folder, base_config(server), server, site.program_prefix())
        panel = program.panel()
        box = wait_for("the Confirm box", lambda: [w for w in program.windows()
                                                   if self.desktop.title(w) == "Confirm"], 20)[0]
        self.note(f"Confirm box {time.monotonic() - program.started:.3f} s after the start")
        geometry = self.desktop.geometry(box)
        self.assertTrue(geometry["mapped"])
        # Centred on the screen, not over the panel in its corner. Qt's own placement of a box without a parent
        # allows for a frame it guesses at (10 px wide, a 40 px title bar): up to that much off the middle.
        self.assertAlmostEqual(geometry["x"] + geometry["width"] / 2, SCREEN_WIDTH / 2, delta=30)
        self.assertAlmostEqual(geometry["y"] + geometry["height"] / 2, SCREEN_HEIGHT / 2, delta=50)
        # The version file came over https through a tunnel (a plain proxy request would name the whole
        # address), and its copy lies beside the program.
        requests = [(method, target) for method, target, _ in server.requests()]
        self.assertIn(("CONNECT", f"{OPTIONS.maker_host}:443"), requests)
        self.assertIn(("GET", "/soft/plimover.txt"), requests)
        with open(os.path.join(program.folder, "plimover.txt"), "rb") as file:
            self.assertEqual(file.read(), NEWER_VERSION_FILE)
        if self.desktop.active_window() != box:
            self.desktop.x("xdotool", "windowactivate", str(box))
        wait_for("the Confirm box active", lambda: self.desktop.active_window() == box, 10)
        return program, panel, box

    def assert_update_declined(self, keys):
        program, panel, box = self.start_with_update_offered()
        self.desktop.x("xdotool", "key", *keys)
        wait_for("the Confirm box gone", lambda: box not in program.windows(), 10)
        # Nothing was handed to the desktop: the next address opened, the site's, is the first one.
        self.assertTrue(self.desktop.geometry(panel)["mapped"])
        self.desktop.click(DEFAULT_PLACE[0] + SITE_NAME_POINT[0], DEFAULT_PLACE[1] + SITE_NAME_POINT[1])
        wait_for("the site handed to the desktop", program.opened, 10)
        self.assertEqual(program.opened(), ["http://example.com"])
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)

    def test_update_accepted(self):
        """A newer version on the maker's site: the centred box's OK hands exactly the product page to the desktop."""
        program, panel, box = self.start_with_update_offered()
        self.desktop.x("xdotool", "key", "Return")
        wait_for("the product page handed to the desktop", program.opened, 10)
        self.assertEqual(program.opened(), [product_page()])
        wait_for("the Confirm box gone", lambda: box not in program.windows(), 10)
        self.assertTrue(self.desktop.geometry(panel)["mapped"])
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(program.opened(), [product_page()])

    def test_update_cancelled(self):
        """Cancel (the button after the focused OK) closes the box and opens nothing."""
        self.assert_update_declined(["Tab", "space"])

    def test_update_dismissed_with_escape(self):
        """Esc closes the box and opens nothing."""
        self.assert_update_declined(["Escape"])

    def test_zip_unpacked_and_run(self):
        """The Windows ZIP, unpacked into a folder with a blank and Cyrillic letters: plimo.exe alone (no DLL
        beside it) shows the values, and "Выход" in the tray menu ends it with config.ini written beside it."""
        if not OPTIONS.zip:
            self.skipTest("no ZIP named (--zip)")
        target = os.path.join(self.folder, "Программы и Plimo")
        with zipfile.ZipFile(OPTIONS.zip) as archive:
            names = archive.namelist()
            self.assertIsNone(archive.testzip())
            archive.extractall(target)
        # One folder inside, "plimo", with the program, its example settings, the Russian README and the licenses
        # of the Qt linked into it.
        top = "plimo"
        self.assertEqual({name.split("/")[0] for name in names}, {top})
        files = {name[len(top) + 1:] for name in names if not name.endswith("/")}
        self.assertLessEqual({"plimo.exe", "config.example.ini", "README.txt", "LICENSE"}, files)
        self.assertTrue(any(name.startswith("licenses/") for name in files), "the Qt license texts")
        self.assertEqual([name for name in files if name.lower().endswith(".dll")], [])
        with open(os.path.join(target, top, "README.txt"), "rb") as file:
            self.assertIn("plimo.exe".encode(), file.read())

        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server), server, unpacked=os.path.join(target, top))
        panel = program.panel()
        image = self.wait_for_values(panel, UP_ARROW)
        self.assert_values_drawn(image, (16, 48, 80), GREEN_NAME, RED_NAME, UP_ARROW, DOWN_ARROW)
        # Gone before the exit: what lies there afterwards is what the exit wrote.
        os.remove(program.config_path)
        program.tray_icon()
        self.exit_from_tray_menu(program)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, cx=str(DEFAULT_PLACE[0]), cy=str(DEFAULT_PLACE[1]), **{"pass": "secret"})


    def test_bad_value_keeps_the_values_after_it(self):
        """A colour that does not convert stops the load with the error box; the exit saves only what was applied,
        so the values after it (an opacity, the place, the font colours) stay in config.ini as they were."""
        server = StatisticsServer(self.desktop, "rising")
        after = {"colorf1": "$00000001", "colorf2": "$00000002", "blend": "50", "up": "3", "cx": "100", "cy": "200"}
        program = Program(self.desktop, self.folder, base_config(server, color="abc", **after), server)
        box = program.box(30 if OPTIONS.wine else 15)
        # Alt+F4 sent as the box became active is now and then lost before the window manager takes it: once more.
        for attempt in range(3):
            if box not in program.windows():
                break
            program.close_with_keys(box)
            try:
                wait_for("the error box closed", lambda: box not in program.windows(), 5)
                break
            except AssertionError:
                if attempt == 2:
                    raise
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        values = dict(program.settings())
        self.assertEqual(values["color"], "abc")
        for key, value in after.items():
            self.assertEqual(values[key], value, key)
        self.assertEqual(values["pass"], "secret")

    def test_lock_of_another_computer(self):
        """A lock left in the folder by a copy on another computer (a synced folder) does not stop the start."""
        server = StatisticsServer(self.desktop, "rising")

        def lock_from_elsewhere(program):
            with open(os.path.join(program.folder, "plimo.lock"), "w") as file:
                file.write(f"{os.getpid()}\nplimo\nanother-computer-of-the-owner\n")
        program = Program(self.desktop, self.folder, base_config(server), server, before_start=lock_from_elsewhere)
        self.wait_for_values(program.panel(), UP_ARROW)
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        self.assert_saved(program, **{"pass": "secret"})

    def test_unreadable_config_is_never_written_over(self):
        """A config.ini that cannot be read at the start (here: no read permission) and can be by the exit keeps
        every byte: the program runs on the defaults, says which file it could not read, runs no first-run branch."""
        if OPTIONS.wine:
            self.skipTest("Wine runs a program as the prefix's owner, who may read every file: no unreadable file")
        user = ordinary_user()
        server = StatisticsServer(self.desktop, "rising")

        def closed_to_its_user(program):
            os.chown(program.folder, *user)
            os.chown(program.config_path, *user)
            os.chmod(program.config_path, 0)
        # No fs key: a program that took the defaults for the file's settings would run the first-run branch.
        config = base_config(server)
        del config["fs"]
        program = Program(self.desktop, self.folder, config, server, user=user, before_start=closed_to_its_user)
        program.panel()
        program.box(15)
        os.chmod(program.config_path, 0o600)
        with open(program.config_path, "rb") as file:
            before = file.read()
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)
        with open(program.config_path, "rb") as file:
            self.assertEqual(file.read(), before)
        self.assertEqual(program.opened(), [])
        self.assertFalse(os.path.exists(os.path.join(program.env["XDG_CONFIG_HOME"], "autostart")))

    def test_settings_move_to_the_user_when_the_folder_is_closed(self):
        """Installed where its user cannot write (a root-owned folder), the program reads the config.ini beside
        it, saves the user's own copy in $XDG_CONFIG_HOME/plimo, and leaves the folder as it was."""
        if OPTIONS.wine:
            self.skipTest("Wine runs a program as the prefix's owner, who may write every folder")
        user = ordinary_user()
        server = StatisticsServer(self.desktop, "rising")

        def closed_folder(program):
            if user[0] == os.geteuid():
                os.chmod(program.folder, 0o555)
        program = Program(self.desktop, self.folder, base_config(server), server, user=user,
                          before_start=closed_folder)
        with open(program.config_path, "rb") as file:
            shipped = file.read()
        self.wait_for_values(program.panel(), UP_ARROW)
        program.end(signal.SIGTERM)
        # A "cannot save" box would hold the exit.
        self.assertEqual(program.wait_exit(), 0)
        os.chmod(program.folder, 0o755)
        with open(program.config_path, "rb") as file:
            self.assertEqual(file.read(), shipped)
        self.assertEqual(sorted(os.listdir(program.folder)), ["config.ini", "plimo"])
        self.assert_saved(program, program.user_config_path, **{"pass": "secret", "up": "0"})


    def test_failures_show_on_the_panel_and_in_the_tray(self):
        """A sign-in the service refuses, an HTTP error and a page without the values each show, within the first
        refresh, as the red mark on the panel and as the tray tooltip's state line."""
        for arguments, told in ((["--sign-in-form"], "Неверный адрес сайта или пароль"),
                                (["--status", "404"], "Сервер статистики ответил ошибкой 404"),
                                (["--status", "200"], "На странице статистики нет значений")):
            folder = os.path.join(self.folder, arguments[-1].strip("-"))
            os.makedirs(folder)
            server = StatisticsServer(self.desktop, "rising", arguments)
            program = Program(self.desktop, folder, base_config(server), server)
            panel = program.panel()
            wait_for(f"the red mark for {told}", lambda: program.mark(panel) == "failure", 15)
            if OPTIONS.wine:
                self.skip_check(TOOLTIP_UNDER_WINE)
            else:
                wait_for("the tray tooltip", lambda: program.tray_tooltips(), 5)
                self.assertEqual(program.tray_tooltips()[-1], ["Plimo", told])
            program.end(signal.SIGTERM)
            self.assertEqual(program.wait_exit(), 0)
            server.process.terminate()

    def test_fresh_values_then_the_service_goes_away(self):
        """Fresh values: no mark, and the tray tooltip names them and when they came; the next refresh finds the
        service gone: the red mark, the same values, and "Нет связи с сервером статистики" under the time."""
        signal.alarm((WINE_TIME_LIMIT if OPTIONS.wine else TIME_LIMIT) + 30)
        server = StatisticsServer(self.desktop, "rising", ["--gone-after", "1"])
        program = Program(self.desktop, self.folder, base_config(server, up="0"), server)
        panel = program.panel()
        self.wait_for_values(panel, UP_ARROW)
        came = time.strftime("%H:%M")
        self.assertIsNone(program.mark(panel))
        if OPTIONS.wine:
            self.skip_check(TOOLTIP_UNDER_WINE)
        else:
            fresh = wait_for("the tray tooltip with the values",
                             lambda: next((t for t in reversed(program.tray_tooltips()) if len(t) > 2), None), 5)
            self.assertEqual(fresh[0], "Plimo — example.com")
            self.assertTrue(fresh[1].startswith("Просмотры 12,") and "▲" in fresh[1], fresh)
            self.assertTrue(fresh[2].startswith("Посетители 2,"), fresh)
            self.assertIn(fresh[3], {f"Обновлено в {came}", f"Обновлено в {time.strftime('%H:%M')}"})

        wait_for("the red mark after the service went away", lambda: program.mark(panel) == "failure", 40)
        self.wait_for_values(panel, UP_ARROW)  # the last values stay
        if not OPTIONS.wine:
            failed = program.tray_tooltips()[-1]
            self.assertEqual(failed[:4], fresh)
            self.assertTrue(failed[4].startswith("Нет связи с сервером статистики"), failed)
        program.end(signal.SIGTERM)
        self.assertEqual(program.wait_exit(), 0)

    def test_history_sample_after_the_first_fresh_refresh(self):
        """The first fresh values leave a line in history.csv beside config.ini at once; "История…" in the tray menu
        opens the history window; after "Выход" the file and its line are still there."""
        server = StatisticsServer(self.desktop, "rising")
        program = Program(self.desktop, self.folder, base_config(server, up="0"), server)
        panel = program.panel()
        self.wait_for_values(panel, UP_ARROW)
        path = os.path.join(program.folder, "history.csv")
        line = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d,(\d+),(\d+),(-?\d+),(-?\d+)$")

        def samples():
            try:
                with open(path, encoding="utf-8", newline="") as file:
                    text = file.read()
            except OSError:
                return None
            lines = text.split("\n")
            if lines[0] != "time,views,visitors,views_change,visitors_change" or lines[-1] != "":
                return None
            return [line.match(entry) for entry in lines[1:-1]] or None
        written = wait_for("a sample in history.csv", samples, 10)
        self.assertTrue(all(written), written)
        views, visitors, views_change, visitors_change = (int(value) for value in written[-1].groups())
        self.assertGreater(views, 12000)
        self.assertGreater(visitors, 2000)
        self.assertGreater(views_change, 0)
        self.assertGreater(visitors_change, 0)

        if program.choose_from_tray_menu(4):
            wait_for("the history window", lambda: any(self.desktop.title(w) == "История"
                                                       for w in program.windows()), 10)
        else:
            self.skip_check(TRAY_MENU_UNDER_WINE + ": the history window was not opened")
        self.exit_from_tray_menu(program)
        self.assertEqual(program.wait_exit(), 0)
        # The line is still there; a later refresh in its five minutes may have written newer values over it.
        kept = samples()
        self.assertIsNotNone(kept)
        self.assertTrue(all(kept), kept)

        def slot(match):
            return int(datetime.datetime.fromisoformat(match.group(0).split(",")[0]).timestamp()) // 300
        self.assertEqual(slot(kept[0]), slot(written[0]))


def locale_exists(name):
    wanted = name.lower().replace("utf-8", "utf8")
    listed = subprocess.run(["locale", "-a"], capture_output=True, timeout=15).stdout.decode("utf-8", "replace")
    return wanted in (line.strip().lower() for line in listed.splitlines())


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--plimo")
    parser.add_argument("--server")
    parser.add_argument("--maker-host")
    parser.add_argument("--locale", default="C.UTF-8", help="LC_ALL of the session (under Wine: its code page)")
    parser.add_argument("--wine", help="Wine's loader: run plimo.exe under it")
    parser.add_argument("--wine-prefix", help="the Wine prefix of this run")
    parser.add_argument("--zip", help="the Windows ZIP that test zip_unpacked_and_run unpacks")
    parser.add_argument("--make-prefix", action="store_true", help="make the Wine prefix afresh and end")
    parser.add_argument("--remove-prefix", action="store_true", help="remove the Wine prefix and end")
    parser.add_argument("test", nargs="?", help="name of a test_ method without the prefix")
    OPTIONS = parser.parse_args()
    if OPTIONS.wine and not OPTIONS.wine_prefix:
        parser.error("--wine takes --wine-prefix")
    if OPTIONS.remove_prefix:
        shutil.rmtree(OPTIONS.wine_prefix, ignore_errors=True)
        return check_tray_record()
    if OPTIONS.make_prefix:
        if os.path.exists(tray_record_path()):
            os.remove(tray_record_path())
        return make_prefix()
    if not (OPTIONS.plimo and OPTIONS.server and OPTIONS.maker_host and OPTIONS.test):
        parser.error("a test takes --plimo, --server, --maker-host and its name")
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if OPTIONS.wine and not (os.access(OPTIONS.wine, os.X_OK) and wineserver()):
        missing.append("wine")
    if missing:
        print(f"skipped: missing {', '.join(missing)} (tools/setup installs them)")
        return SKIPPED
    if OPTIONS.locale not in ("C.UTF-8", "C") and not locale_exists(OPTIONS.locale):
        print(f"skipped: the locale {OPTIONS.locale} is not generated (tools/wincheck makes it)")
        return SKIPPED
    if OPTIONS.wine and not os.path.isdir(os.path.join(OPTIONS.wine_prefix, "drive_c")):
        print(f"the Wine prefix {OPTIONS.wine_prefix} is missing: --make-prefix makes it")
        return 1
    time_limit = WINE_TIME_LIMIT if OPTIONS.wine else TIME_LIMIT
    def give_up(signal_number, _frame):
        # Raised inside the test, so that its clean-up still stops every process it started.
        raise TimeoutError(f"stopped by signal {signal.Signals(signal_number).name}" if signal_number != signal.SIGALRM
                           else f"the test took longer than {time_limit} s")
    signal.signal(signal.SIGALRM, give_up)
    signal.signal(signal.SIGTERM, give_up)
    signal.alarm(time_limit)
    suite = unittest.TestSuite([DesktopTest("test_" + OPTIONS.test)])
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    signal.alarm(0)
    for _, reason in result.skipped:
        print(f"skipped: {reason}")
    for folder in FOLDERS:
        if not result.wasSuccessful():
            # What the processes said goes to the test's output before their folder goes.
            for name in sorted(os.listdir(folder)):
                if name.endswith(".log"):
                    with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as file:
                        print(f"--- {name}\n{file.read()[-4000:]}")
        shutil.rmtree(folder, ignore_errors=True)
    if not result.wasSuccessful():
        return 1
    return SKIPPED if result.skipped else 0


if __name__ == "__main__":
    sys.exit(main())
