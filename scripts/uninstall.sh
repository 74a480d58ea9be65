#!/usr/bin/env bash
# Removes an installed Cuelark: every file the install listed in the build
# folder's install_manifest.txt, then the program folders the removal emptied.
# A settings file or recordings left in the program folder keep it in place.
# Usage: scripts/uninstall.sh [build folder]   (default: build/default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
manifest=$build/install_manifest.txt
[ -f "$manifest" ] || { echo "uninstall: no $manifest: nothing was installed from $build" >&2; exit 1; }

# The manifest holds one absolute path per line; the paths may hold blanks.
program=""
while IFS= read -r file; do
    [ -n "$file" ] || continue
    case $file in */lib/cuelark/cuelark) program=${file%/cuelark} ;; esac
    rm -f -- "$file"
done <"$manifest"

if [ -n "$program" ] && [ -d "$program" ]; then
    find "$program" -depth -type d -empty -delete
    if [ -d "$program" ]; then
        echo "uninstall: kept $program: it holds files the program made (settings, recordings):" >&2
        find "$program" -type f >&2
    fi
fi
echo "uninstall: removed the files listed in $manifest"
