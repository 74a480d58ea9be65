#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: once optimised, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"
jobs=$(nproc)
werror=-DCUELARK_WERROR=ON
for preset in default asan; do
    echo "== $preset: build"
    cmake --preset "$preset" $werror >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    echo "== $preset: test"
    ctest --preset "$preset" -j"$jobs"
done
