#!/usr/bin/env bash
# A person's first session with the installed program: record channel 3 for
# twelve seconds with two Check presses, scan the channels, step through them,
# move the save directory, record in stereo 8-bit and close the window during
# that recording, then start again and find the settings kept.
# Usage: run_main.sh BUILD_DIR ARTIFACTS_DIR SCRIPTMAKER
E2E_BUILD=$1
E2E_ARTIFACTS=$2
SCRIPTMAKER=$3
E2E_NAME=main
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
check() { python3 "$here/check_recording.py" "$@" || fail "recording check failed: $*"; }

note "installing into $E2E_PREFIX"
install_program
program_dir=$(dirname "$E2E_PROGRAM")
for f in help.html icons/cuelark-16.png icons/cuelark-32.png broadcasts/3/captions.scc \
    broadcasts/5/sound.flac broadcasts/8/captions.scc; do
    [ -f "$program_dir/$f" ] || fail "the install left out $program_dir/$f"
done
for size in 16x16 32x32; do
    [ -f "$E2E_PREFIX/share/icons/hicolor/$size/apps/cuelark.png" ] || fail "no $size icon installed"
done
desktop=$E2E_PREFIX/share/applications/cuelark.desktop
grep -qx "Exec=$E2E_PROGRAM" "$desktop" || fail "$desktop does not start $E2E_PROGRAM"
grep -qx "Icon=cuelark" "$desktop" || fail "$desktop names no icon cuelark"
[ "$(readlink -f "$E2E_PREFIX/bin/cuelark")" = "$(readlink -f "$E2E_PROGRAM")" ] ||
    fail "the launcher link does not lead to $E2E_PROGRAM"
ls "$E2E_PREFIX"/lib/cuelark | grep -qv '^\(cuelark\|cuelark-export\|help.html\|icons\|broadcasts\)$' &&
    fail "the program folder holds more than the program: $(ls "$E2E_PREFIX/lib/cuelark")"
[ -z "$(find "$E2E_PREFIX" -name 'test_*' -o -name scriptmaker -o -name broadcastmaker)" ] ||
    fail "test or tool programs were installed"

ini=$program_dir/cuelark.ini
[ ! -e "$ini" ] || fail "a settings file came with the install"
"$SCRIPTMAKER" "$program_dir/broadcasts/3/captions.scc" "$E2E_TMP/ref3.txt" >/dev/null ||
    fail "scriptmaker could not read channel 3's captions"
"$SCRIPTMAKER" "$program_dir/broadcasts/5/captions.scc" "$E2E_TMP/ref5.txt" >/dev/null ||
    fail "scriptmaker could not read channel 5's captions"

start_display
note "display $DISPLAY; starting the program"
start_program
shot started

# First recording: channel 3 from between 1.8 s and 5.6 s of its programme
# (the programme clock runs about half a second ahead of the window). The
# caption loading then is lost to the fresh script, so its first row is the
# second caption, 7.9 s to 12.2 s; the third one shows from 12.2 s to 16.6 s
# and the fourth is still on display when the recording ends.
key alt+n
type_text evening
key alt+u
type_text 15
sleep_until_shown_for 3050
key Return
record_at=$(now_ms)
note "Record pressed, $(since_shown) ms after the window showed"
presses=()
# One press while the third caption shows, one while the fourth does.
for at in 10300 14300; do
    sleep_until_shown_for $((record_at - PROGRAM_SHOWN + at))
    key alt+c
    presses+=($(($(now_ms) - record_at)))
done
shot recording-checked
note "Check pressed at ${presses[*]} ms into the recording"
wait_for 25 "evening.wav after the time-out" file_exists "$program_dir/evening.wav"
script_written() { [ -s "$program_dir/evening.txt" ]; }
wait_for 5 "the script evening.txt" script_written
shot first-recording-saved
check wav "$program_dir/evening.wav" 22050 16 1 15 0.5
check script "$program_dir/evening.txt" "$E2E_TMP/ref3.txt" "$(IFS=,; echo "${presses[*]}")"

note "Tuner > Auto Scan"
focus "$MAIN_WINDOW"
key alt+t a
box=$(focus_window "Auto Scan")
shot auto-scan-question
key Return
scan_done() { ! has_window_named "Auto Scan"; }
wait_for 30 "the Auto Scan question to close and the scan to end" scan_done
shot scanned

# The channel buttons, clicked with the mouse: ">" and "<" sit left in the
# strip below the menu bar.
focus "$MAIN_WINDOW"
menu_bar=$(($(xwininfo -id "$MAIN_WINDOW" | awk '/Height:/ {print $2}') - 478))
channel_up() { click "$MAIN_WINDOW" 64 $((menu_bar + 17)); }
channel_down() { click "$MAIN_WINDOW" 16 $((menu_bar + 17)); }
channel_up # 5
sleep 0.3
shot channel-5
channel_up # 8
sleep 0.3
shot channel-8
channel_down # 5
sleep 0.3
shot channel-5-again

save2="$E2E_TMP/saved recordings"
mkdir -p "$save2"
note "Script > General Settings...: save into $save2"
focus "$MAIN_WINDOW"
key alt+s g
focus_window "Script Recording" >/dev/null
type_text "$save2"
shot general-settings
key Return
settings_closed() { ! has_window_named "Script Recording"; }
wait_for 10 "General Settings to close" settings_closed

note "Script > Recording Quality...: Stereo, 8bit"
focus "$MAIN_WINDOW"
key alt+s q
quality=$(focus_window "Recording Quality")
click "$quality" 140 36  # "8bit"
click "$quality" 150 136 # "Stereo"
shot recording-quality
key Return
quality_closed() { ! has_window_named "Recording Quality"; }
wait_for 10 "Recording Quality to close" quality_closed

# Second recording, on channel 5, ended by closing the window after some
# captions went by; the duration is long enough never to run out.
focus "$MAIN_WINDOW"
key alt+n
type_text kitchen
key alt+u
type_text 600
key Return
second_at=$(now_ms)
sleep 12
shot second-recording
key alt+f x
closed_at=$(now_ms)
wait_program_exit
shot closed
check wav "$save2/kitchen.wav" 22050 8 2 \
    "$(((closed_at - second_at) / 1000)).$(printf '%03d' $(((closed_at - second_at) % 1000)))"
# Twelve seconds of channel 5 hold one caption shown and replaced at least.
check script "$save2/kitchen.txt" "$E2E_TMP/ref5.txt" "" 1

# The settings file now holds the scanned table and the new save directory.
settings_kept() {
    python3 - "$ini" "$save2" <<'PY' || fail "the settings file $ini lost the channel table or the save directory"
import sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
values = dict(l.split("=", 1) for l in lines if "=" in l)
flags = "".join(values.get(f"Channels{k}", "") for k in range(1, 5))
used = [i + 1 for i, f in enumerate(flags) if f == "1"]
if used != [3, 5, 8] or len(flags) != 125:
    sys.exit(f"{sys.argv[1]}: channels in use {used} of {len(flags)}, expected [3, 5, 8] of 125")
if values.get("SaveDir") != sys.argv[2]:
    sys.exit(f"{sys.argv[1]}: SaveDir={values.get('SaveDir')!r}, expected {sys.argv[2]!r}")
PY
}
settings_kept
cp "$ini" "$E2E_LOG/cuelark.ini"

note "starting the program again"
start_program
shot restarted
key alt+n
type_text again
key alt+u
type_text 1
key Return
wait_for 15 "a recording in the kept save directory" file_exists "$save2/again.wav"
shot restarted-recorded
focus "$MAIN_WINDOW"
key alt+f x
wait_program_exit
settings_kept
note "passed"
