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
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
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

printf '[OPTIONS]\r\nfs=0\r\nlindx=http://127.0.0.1:9/stat\r\n' > "$folder/config.ini"
(cd "$work" && exec env QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS= QT_LOGGING_RULES="plimo.startup.debug=true" \
    "$folder/plimo" >"$work/plimo.log" 2>&1) &
pid=$!
# Settings are saved only once they have been loaded: wait for the first activation to have run its course.
for _ in $(seq $((300 * scale))); do
    grep -q 'update check done' "$work/plimo.log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null || { echo "the program did not stay up"; cat "$work/plimo.log"; exit 1; }
grep -q 'update check done' "$work/plimo.log" || { echo "no first activation"; cat "$work/plimo.log"; exit 1; }
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
