#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, ASan+UBSan) and runs each for a while.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Findings are written as crash-*/leak-* files in build/fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
"$root/scripts/setup.sh"
cd "$root"
cmake --preset fuzz >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_decoder fuzz_profile fuzz_scc fuzz_mci fuzz_captionscreen fuzz_channelnumber fuzz_duration
        fuzz_journal fuzz_wavheader fuzz_script fuzz_exportargs fuzz_studychoices
        fuzz_streamoptions fuzz_tunerrequest fuzz_tspackets fuzz_lineupconfig fuzz_discovery
        fuzz_lineup fuzz_m3u fuzz_tvcard fuzz_cctriplets)
fi
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]}"

# Absolute paths: a target may change its working folder.
findings=$root/build/fuzz/findings
mkdir -p "$findings"
status=0
for t in "${targets[@]}"; do
    corpus=$root/build/fuzz/corpus/${t#fuzz_}
    mkdir -p "$corpus"
    # Seeds kept in the tree start the corpus where there are any.
    for seeds in tests/fuzz/${t#fuzz_}/seeds tests/fuzz/${t#fuzz_}/corpus; do
        [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    done
    extra=()
    [ -f tests/fuzz/${t#fuzz_}/${t#fuzz_}.dict ] && extra+=("-dict=$root/tests/fuzz/${t#fuzz_}/${t#fuzz_}.dict")
    echo "== $t: ${seconds}s"
    if ! build/fuzz/bin/"$t" -max_total_time="$seconds" -max_len=4096 -artifact_prefix="$findings/$t-" \
        "${extra[@]}" "$corpus" 2>"build/fuzz/$t.log"; then
        echo "$t: FOUND A FAULT (see build/fuzz/$t.log and $findings)"
        status=1
    else
        tail -n 1 "build/fuzz/$t.log"
    fi
done
exit $status
