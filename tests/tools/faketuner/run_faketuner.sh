#!/usr/bin/env bash
# The faketuner program as an end-to-end script starts it: a folder of made
# streams with a lineup.json, the address it prints, its documents and a
# stream fetched over HTTP (by Python's urllib), and the arguments it refuses.
#   run_faketuner.sh STREAMMAKER FAKETUNER STATION
set -euo pipefail
maker=$1
tuner=$2
station=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/cuelark-faketuner.XXXXXX")
pid=""
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    cat "$work/out" "$work/err" >&2 2>/dev/null || true
    exit 1
}

mkdir "$work/channels"
"$maker" --seconds=2 --size=176x144 "$station" "$work/channels/seven.ts" >/dev/null
printf '[{"GuideNumber": "7.1", "GuideName": "Seven", "File": "seven.ts"}]' \
    >"$work/channels/lineup.json"

if "$tuner" --channels="$work/channels" --stall=x 2>"$work/err"; then
    fail "a bad fault was taken"
fi
grep -q "bad stall 'x'" "$work/err" || fail "no reason for the bad fault"
grep -q "^usage: faketuner" "$work/err" || fail "no usage after a bad argument"
if "$tuner" --channels="$work/channels" --address=anywhere 2>"$work/err"; then
    fail "listened somewhere other than the loopback address"
fi
grep -q "loopback address only" "$work/err" || fail "no reason for refusing the address"

"$tuner" --channels="$work/channels" --tuners=1 >"$work/out" 2>"$work/err" &
pid=$!
# The program's start is real time: its line, within a generous limit.
for _ in $(seq 100); do
    grep -q "^faketuner listening on http://127.0.0.1:[0-9]*$" "$work/out" && break
    kill -0 "$pid" 2>/dev/null || fail "faketuner ended at start"
    sleep 0.1
done
url=$(sed -n 's/^faketuner listening on //p' "$work/out")
[ -n "$url" ] || fail "no address printed"

python3 - "$url" <<'PY' || fail "the tuner's answers"
import json, sys, urllib.error, urllib.request
url = sys.argv[1]
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # never a proxy
def get(path):
    with opener.open(url + path, timeout=10) as r:
        return r.status, r.read()
status, body = get("/discover.json")
d = json.loads(body)
assert status == 200 and d["BaseURL"] == url and d["TunerCount"] == 1, d
lineup = json.loads(get("/lineup.json")[1])
assert [c["GuideNumber"] for c in lineup] == ["7.1"], lineup
assert lineup[0]["URL"] == url + "/auto/v7.1" and lineup[0]["GuideName"] == "Seven", lineup
status, ts = get("/auto/v7.1?duration=0.5")
assert status == 200 and len(ts) > 0 and len(ts) % 188 == 0 and ts[0] == 0x47, len(ts)
try:
    get("/auto/v9")
    raise AssertionError("an unknown channel was streamed")
except urllib.error.HTTPError as e:
    assert e.code == 404, e.code
PY
echo "faketuner: documents, a stream and the refused arguments as expected"
