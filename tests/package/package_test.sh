#!/usr/bin/env bash
# Makes the portable archive, unpacks it into a temporary folder and starts the program from there: it must run
# outside the build tree, keep its settings beside itself, and save them when asked to end.
set -euo pipefail
build=$1
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G TGZ -B "$work/out" >/dev/null)
archive=$(ls "$work"/out/plimo-*.tar.gz)
# A folder name with a blank, as in "My programs", must not break the program or its menu entry.
mkdir "$work/my apps"
tar -xzf "$archive" -C "$work/my apps"
folder=$(ls -d "$work/my apps"/plimo-*/)
for f in plimo plimo.desktop install config.example.ini icons/hicolor/16x16/apps/plimo.png \
         icons/hicolor/256x256/apps/plimo.png translations/qtbase_ru.qm; do
    [ -e "$folder/$f" ] || { echo "missing from the archive: $f"; exit 1; }
done

printf '[OPTIONS]\r\nfs=0\r\nlindx=http://127.0.0.1:9/stat\r\n' > "$folder/config.ini"
(cd "$work" && exec env QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS= "$folder/plimo" >"$work/plimo.log" 2>&1) &
pid=$!
sleep 2
kill -0 "$pid" || { echo "the program did not stay up"; cat "$work/plimo.log"; exit 1; }
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
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
echo "package test passed"
