#!/usr/bin/env bash
# Puts the program's folder somewhere outside the build tree and starts it from there: it must run, keep its
# settings beside itself, and save them when asked to end.
#   package_test.sh BUILD archive   the portable archive (cpack), unpacked
#   package_test.sh BUILD install   cmake --install into a fresh prefix: one folder, <prefix>/plimo
set -euo pipefail
build=$1
mode=${2:-archive}
# Sanitizer builds run several times slower: the waits below stretch with them.
scale=${PLIMO_TEST_TIME_SCALE:-1}
work=$(mktemp -d)
pid=
proxy_pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A folder name with a blank, as in "My programs", must not break the program or its menu entry.
place="$work/my apps"
mkdir "$place"
case "$mode" in
    archive)
        (cd "$build" && cpack -G TGZ -B "$work/out" >/dev/null)
        archive=$(ls "$work"/out/plimo-*.tar.gz)
        tar -xzf "$archive" -C "$place"
        ;;
    install)
        cmake --install "$build" --prefix "$place" >/dev/null
        ;;
    *) echo "usage: package_test.sh BUILD archive|install" >&2; exit 2 ;;
esac
# Nothing lands beside the program's folder.
top=$(ls -A "$place")
[ "$top" = plimo ] || { echo "expected only plimo/ in the $mode, found:"; echo "$top"; exit 1; }
folder="$place/plimo/"
for f in plimo plimo.desktop install config.example.ini icons/hicolor/16x16/apps/plimo.png \
         icons/hicolor/256x256/apps/plimo.png translations/qtbase_ru.qm; do
    [ -e "$folder/$f" ] || { echo "missing from the $mode: $f"; exit 1; }
done

# The update check asks the maker's server through a local proxy, which notes each request's first line and
# closes the connection unanswered: nothing reaches the network, and the check fails at once.
python3 -c 'import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
print(server.getsockname()[1], flush=True)
with open(sys.argv[1], "a") as log:
    while True:
        connection, _ = server.accept()
        connection.settimeout(5)
        try:
            request = connection.recv(4096)
        except OSError:
            request = b""
        log.write(request.split(b"\r\n", 1)[0].decode("latin-1") + "\n")
        log.flush()
        connection.close()' "$work/proxy.log" >"$work/proxy.port" &
proxy_pid=$!
for _ in $(seq $((100 * scale))); do [ -s "$work/proxy.port" ] && break; sleep 0.05; done
[ -s "$work/proxy.port" ] || { echo "the local proxy did not start"; exit 1; }
proxy="http://127.0.0.1:$(cat "$work/proxy.port")"

printf '[OPTIONS]\r\nfs=0\r\nlindx=http://127.0.0.1:9/stat\r\n' > "$folder/config.ini"
(cd "$work" && exec env -u all_proxy -u ALL_PROXY -u HTTP_PROXY -u HTTPS_PROXY http_proxy="$proxy" https_proxy="$proxy" \
    no_proxy=127.0.0.1,localhost QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS= \
    QT_LOGGING_RULES="plimo.startup.debug=true" "$folder/plimo" >"$work/plimo.log" 2>&1) &
pid=$!
# Settings are saved only once they have been loaded: wait for the first activation to have run its course.
for _ in $(seq $((300 * scale))); do
    grep -q 'update check done' "$work/plimo.log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null || { echo "the program did not stay up"; cat "$work/plimo.log"; exit 1; }
grep -q 'update check done' "$work/plimo.log" || { echo "no first activation"; cat "$work/plimo.log"; exit 1; }
grep -q '^CONNECT ' "$work/proxy.log" || { echo "the update check did not go through the local proxy"; exit 1; }
kill -TERM "$pid"
for _ in $(seq $((100 * scale))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { echo "exit status $status"; cat "$work/plimo.log"; exit 1; }
grep -q '^cx=' "$folder/config.ini" || { echo "settings were not saved beside the program"; exit 1; }

# The menu helper installs the entry with the program's full, quoted path, and removes it again.
HOME="$work/home" "$folder/install" >/dev/null
entry="$work/home/.local/share/applications/plimo.desktop"
grep -qx "Exec=\"${folder%/}/plimo\"" "$entry" || { echo "bad Exec line:"; cat "$entry"; exit 1; }
[ -f "$work/home/.local/share/icons/hicolor/48x48/apps/plimo.png" ] || { echo "icon not installed"; exit 1; }
HOME="$work/home" "$folder/install" --remove >/dev/null
[ ! -e "$entry" ] || { echo "entry not removed"; exit 1; }
echo "package test ($mode) passed"
