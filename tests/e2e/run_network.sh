#!/usr/bin/env bash
# Real television through the whole program: the fake network tuner on
# 127.0.0.1 serves two channels (the sample stations 3 and 5 made into
# transport streams); the person picks it in Tuner > Source... (Find asks the
# typed address, and its discovery request goes to a loopback port: never the
# network's broadcast address), runs Auto Scan, steps over the channels with
# < and >, watches one with its captions, and meets a tuner whose two tuners
# are taken by others.
# Usage: run_network.sh BUILD_DIR ARTIFACTS_DIR FAKETUNER STREAMS_DIR
E2E_BUILD=$1
E2E_ARTIFACTS=$2
FAKETUNER=$3
STREAMS=$4
E2E_NAME=network
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

TUNER_PID=""
stop_tuner() {
    if [ -n "$TUNER_PID" ]; then
        kill "$TUNER_PID" 2>/dev/null || true
        wait "$TUNER_PID" 2>/dev/null || true
        TUNER_PID=""
    fi
}
trap 'rc=$?; stop_tuner; (exit $rc); cleanup' EXIT

note "installing into $E2E_PREFIX"
install_program
program_dir=$(dirname "$E2E_PROGRAM")
log=$E2E_LOG/program.log

# The tuner's channels: the streams the build made, named as the stations.
channels=$E2E_TMP/channels
mkdir -p "$channels"
cp "$STREAMS"/3.ts "$STREAMS"/5.ts "$channels"/
cat >"$channels/lineup.json" <<JSON
[{"GuideNumber": "3", "GuideName": "$(cat "$program_dir/broadcasts/3/title.txt")"},
 {"GuideNumber": "5", "GuideName": "$(cat "$program_dir/broadcasts/5/title.txt")"}]
JSON
# Each stream starts at its programme's start, so what is on screen when is known.
"$FAKETUNER" --channels="$channels" --scan-seconds=3 --from-start=1 >"$E2E_LOG/tuner.log" 2>&1 &
TUNER_PID=$!
tuner_ready() { grep -q 'listening on' "$E2E_LOG/tuner.log"; }
wait_for 10 "the fake tuner" tuner_ready
tuner=$(sed -n 's/^faketuner listening on //p' "$E2E_LOG/tuner.log")
case "$tuner" in http://127.0.0.1:*) ;; *) fail "the tuner is not on 127.0.0.1: $tuner" ;; esac
note "tuner at $tuner"

# Find's discovery request goes to a loopback port where nothing answers.
printf '[card]\nDiscovery=127.0.0.1:9\n' >"$program_dir/tvcard.ini"

start_display
note "display $DISPLAY; starting the program"
start_program
shot simulated-card

says() { grep -qF "TV card: $1" "$log"; }

note "Tuner > Source...: the network tuner"
focus "$MAIN_WINDOW"
key alt+t s
dialog=$(focus_window "Source")
key alt+t
type_text "${tuner#http://}"
key alt+f
sleep 2 # Find listens for discovery answers for a moment
shot source-dialog
focus "$dialog"
key Return
source_closed() { ! has_window_named "Source"; }
wait_for 10 "the Source dialog to close" source_closed
grep -qx "Source=$tuner" "$program_dir/tvcard.ini" ||
    fail "tvcard.ini does not keep the tuner: $(cat "$program_dir/tvcard.ini")"
# Channel 3 is no channel of the tuner's until the lineup is numbered: 1 and 2.
wait_for 10 "the picture to say there is no channel 3" says "No such channel"
shot no-channel-3

note "Tuner > Auto Scan"
focus "$MAIN_WINDOW"
key alt+t a
focus_window "Auto Scan" >/dev/null
key Return
wait_for 10 "the card's scan box" has_window_named "Scanning Channels"
shot scanning
scan_done() { ! has_window_named "Scanning Channels"; }
wait_for 20 "the scan to end" scan_done

focus "$MAIN_WINDOW"
menu_bar=$(($(xwininfo -id "$MAIN_WINDOW" | awk '/Height:/ {print $2}') - 478))
channel_up() { click "$MAIN_WINDOW" 64 $((menu_bar + 17)); }
channel_down() { click "$MAIN_WINDOW" 16 $((menu_bar + 17)); }
channel_up
wait_for 10 "channel 1" says "1 · 3 "
channel_up
wait_for 10 "channel 2" says "2 · 5 "
channel_down
# Back on channel 1: its label comes a second time.
labels_of_1() { [ "$(grep -cF 'TV card: 1 · 3 ' "$log")" -ge 2 ]; }
wait_for 10 "channel 1 again" labels_of_1
# Station 3's second caption is on screen from 7.9 s to 12.2 s of its
# programme, which starts half a second after the tuning.
sleep 9.5
shot network-captions
import -display "$DISPLAY" -window "$MAIN_WINDOW" "$E2E_LOG/network-tuner.png" 2>/dev/null ||
    echo "(no screenshot of the main window)" >&2

note "both tuners taken by other viewers"
focus "$MAIN_WINDOW"
click "$MAIN_WINDOW" 40 $((menu_bar + 17))
type_text 9
key alt+g # "No such channel": the card lets its tuner go
wait_for 10 "channel 9 to be no channel" says "No such channel"
port=${tuner##*:}
exec 7<>"/dev/tcp/127.0.0.1/$port" 8<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /auto/v3 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&7
printf 'GET /auto/v5 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&8
click "$MAIN_WINDOW" 40 $((menu_bar + 17))
type_text 1
key alt+g
wait_for 10 "the busy tuner's message" says "All tuners are in use"
shot all-tuners-in-use
exec 7>&- 8>&-

note "closing"
focus "$MAIN_WINDOW"
key alt+f x
wait_program_exit
python3 - "$program_dir/cuelark.ini" "$program_dir/tvcard.ini" <<'PY' || fail "the settings do not hold the scan"
import sys
def values(path):
    return dict(l.split("=", 1) for l in open(path, encoding="utf-8").read().splitlines() if "=" in l)
flags = "".join(values(sys.argv[1]).get(f"Channels{k}", "") for k in range(1, 5))
used = [i + 1 for i, f in enumerate(flags) if f == "1"]
if used != [1, 2]:
    sys.exit(f"{sys.argv[1]}: channels in use {used}, expected the tuner's two, [1, 2]")
card = values(sys.argv[2])
if card.get("1") != "3" or card.get("2") != "5":
    sys.exit(f"{sys.argv[2]}: slots 1 and 2 hold {card.get('1')!r} and {card.get('2')!r}")
PY
cp "$program_dir/tvcard.ini" "$E2E_LOG/tvcard.ini"
note "passed"
