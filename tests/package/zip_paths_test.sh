#!/usr/bin/env bash
# The ZIP's plimo.exe, stripped as shipped, names no folder of the machine it was built on: two builders make the
# same file, and Qt finds nothing to load from a path that only means something here.
#   zip_paths_test.sh ZIP FOLDER...   each FOLDER (the checkout, the build, the builder's home) must not appear
set -euo pipefail
zip=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -c 'import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    name = next(n for n in z.namelist() if n.endswith("/plimo.exe"))
    open(sys.argv[2], "wb").write(z.read(name))' "$zip" "$work/plimo.exe"
status=0
for folder in "$@"; do
    # A home of "/" would match every path; the rest are checked as narrow and as UTF-16 text.
    [ "$folder" != / ] || continue
    for encoding in s l; do
        found=$(strings -a -e "$encoding" "$work/plimo.exe" | grep -F -- "$folder" | head -n 3 || true)
        if [ -n "$found" ]; then
            echo "plimo.exe names $folder:"
            echo "$found"
            status=1
        fi
    done
done
exit "$status"
