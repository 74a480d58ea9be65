#!/usr/bin/env bash
# Makes the transport streams the network card's figures are measured on,
# from a sample station, at bench time (they are large and never committed):
#   1080i-mpeg2.ts  MPEG-2 1920x1080 29.97i at about 15 Mb/s, AC-3, as ATSC HD
#   720p-h264.ts    H.264 1280x720 59.94p at about 8 Mb/s, AC-3
# with a lineup.json naming them channels 1 and 2, so that
# `faketuner --channels=OUT_DIR` serves them, and each one's measured bit rate
# in summary.txt.
#   bench/streams/make_streams.sh [--seconds S] [--bin DIR] [--station DIR] OUT_DIR
# Defaults: 120 s (the fake tuner loops them seamlessly), build/default/bin,
# assets/broadcasts/3. Making both takes a few minutes of one core.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=120
bin="$root/build/default/bin"
station="$root/assets/broadcasts/3"
while [ $# -gt 1 ]; do
    case "$1" in
    --seconds) seconds=$2; shift ;;
    --bin) bin=$2; shift ;;
    --station) station=$2; shift ;;
    *) break ;;
    esac
    shift
done
if [ $# -ne 1 ]; then
    echo "usage: bench/streams/make_streams.sh [--seconds S] [--bin DIR] [--station DIR] OUT_DIR" >&2
    exit 64
fi
out=$1
mkdir -p "$out"
: >"$out/summary.txt"

make() {
    local name=$1
    shift
    "$bin/streammaker" --seconds="$seconds" "$@" "$station" "$out/$name.ts" >/dev/null
    local bytes
    bytes=$(stat -c %s "$out/$name.ts")
    echo "$name $(awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "%.1f", b * 8 / s / 1e6 }') Mb/s" \
        | tee -a "$out/summary.txt"
}

# x264's superfast preset keeps what makes broadcast H.264 cost its decoder
# (CABAC, B-frames, the loop filter) and is quick to make.
make 1080i-mpeg2 --video=mpeg2 --rate=29.97i --size=1920x1080 --video-kbps=15000 --sound=ac3
make 720p-h264 --video=h264 --rate=59.94p --size=1280x720 --video-kbps=8000 --sound=ac3 \
    --x264-preset=superfast
cat >"$out/lineup.json" <<'LINEUP'
[{"GuideNumber": "1", "GuideName": "1080i MPEG-2", "File": "1080i-mpeg2.ts", "HD": 1},
 {"GuideNumber": "2", "GuideName": "720p H.264", "File": "720p-h264.ts", "HD": 1}]
LINEUP
