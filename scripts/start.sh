#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target cuelark
exec "$root/build/default/bin/cuelark" "$@"
