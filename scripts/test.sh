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
    ctest --preset "$preset" -j"$jobs" -LE e2e
done
# The end-to-end runs drive the installed program in real time on a display of
# their own, one at a time. A run that a busy machine threw off its timing gets
# one more try; a fault in the program fails both.
echo "== default: end-to-end"
ctest --preset default -L e2e --repeat until-pass:2
