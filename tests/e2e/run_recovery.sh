#!/usr/bin/env bash
# A recording that never reaches its stop loses nothing: killed with -9 at
# 15 s of a 60 s recording, the next start finishes its files and says so in
# one message; ended by TERM, and by the X server going away, it saves at once
# as a Stop press would, without a crash.
# Usage: run_recovery.sh BUILD_DIR ARTIFACTS_DIR SCRIPTMAKER SOUNDMATCH
E2E_BUILD=$1
E2E_ARTIFACTS=$2
SCRIPTMAKER=$3
SOUNDMATCH=$4
E2E_NAME=recovery
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
check() { python3 "$here/check_recording.py" "$@" || fail "recording check failed: $*"; }

install_program
program_dir=$(dirname "$E2E_PROGRAM")
"$SCRIPTMAKER" "$program_dir/broadcasts/3/captions.scc" "$E2E_TMP/ref3.txt" >/dev/null ||
    fail "scriptmaker could not read channel 3's captions"
# The sound of a recording is the station's from the programme time its
# script starts at.
sound_matches() {
    local start
    start=$(python3 "$here/check_recording.py" offset "$2" "$E2E_TMP/ref3.txt") ||
        fail "no programme time for $2"
    "$SOUNDMATCH" "$1" "$program_dir/broadcasts/3/sound.flac" "$start" 0.1 ||
        fail "$1 is not channel 3's sound from ${start}s"
}
# Types a name and a duration and presses Enter; record_at is the moment
# just before the press.
# The press comes at $3 ms after the window showed, when given.
record() { # name duration [at]
    focus "$MAIN_WINDOW"
    key alt+n
    type_text "$1"
    key alt+u
    type_text "$2"
    [ -z "${3:-}" ] || sleep_until_shown_for "$3"
    record_at=$(now_ms)
    key Return
}

start_display
start_program
# Recordings start between 2 s and 4 s of the programme (its clock starts
# as the window loads, a little before it shows), before the caption shown
# from 7.9 s is loaded: their first row is that caption, to 12.2 s, so each
# runs at least 12 s. Check pressed at 17.5 s or so, while the third caption
# (from 16.6 s) or the second is current, marks a row finished before the kill.
note "record 60 s of channel 3, Check at 15 s, killed at 16 s"
record crash 60 2000
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 11000))
shot recording
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 15000))
key alt+c
press=$(($(now_ms) - record_at))
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 16000))
kill -KILL "$APP_PID"
killed=$(($(now_ms) - record_at))
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
[ "$(hidden_files "$program_dir" | wc -l)" -eq 2 ] ||
    fail "the killed recording did not leave its journal and sound: $(ls -A "$program_dir")"
[ ! -s "$program_dir/crash.txt" ] || fail "the script was written before any stop"

note "start again: the recording is recovered"
start_program
wait_for 10 "the message about the recovered recording" has_message_box
shot recovered-message
program_said "A recording was cut off when Cuelark last ended" ||
    fail "the message does not say a recording was recovered"
program_said "Sound: $program_dir/crash.wav (" || fail "the message does not name crash.wav"
program_said "Script: $program_dir/crash.txt (" || fail "the message does not name crash.txt"
focus "$(message_box)"
key Return
wait_for 10 "the message box to close" no_message_box
[ "$(grep -c "was cut off" "$E2E_LOG/program.log")" -eq 1 ] || fail "more than one message"

# The next recording runs while the recovered one is checked.
note "ended by TERM while recording: saved at once"
record term 60 2000
[ -z "$(hidden_files "$program_dir" | grep -v '/\.term\.')" ] ||
    fail "left behind: $(hidden_files "$program_dir")"
check wav "$program_dir/crash.wav" 22050 16 1 "$((killed / 1000)).$(printf '%03d' $((killed % 1000)))"
check script "$program_dir/crash.txt" "$E2E_TMP/ref3.txt" "$press" 1
sound_matches "$program_dir/crash.wav" "$program_dir/crash.txt"
# This recording starts later in the programme (after the message and the
# checks above), so it runs long enough to finish the caption after the
# one it may have started too late to load.
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 14000))
kill -TERM "$APP_PID"
ended=$(($(now_ms) - record_at))
wait_program_exit 143
check wav "$program_dir/term.wav" 22050 16 1 "$((ended / 1000)).$(printf '%03d' $((ended % 1000)))"
check script "$program_dir/term.txt" "$E2E_TMP/ref3.txt" "" 1
sound_matches "$program_dir/term.wav" "$program_dir/term.txt"
[ -z "$(hidden_files "$program_dir")" ] || fail "left behind: $(hidden_files "$program_dir")"
[ "$(grep -c "was cut off" "$E2E_LOG/program.log")" -eq 1 ] || fail "TERM needed a recovery"

note "the X server goes away while recording: saved, no crash"
start_program
record xlost 60 2000
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 11000))
shot before-x-lost
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 12000))
kill -TERM "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null || true
XVFB_PID=""
# Qt's X11 layer ends the program with status 1 when its display breaks.
wait_program_exit 1
check wav "$program_dir/xlost.wav" 22050 16 1 12 1
check script "$program_dir/xlost.txt" "$E2E_TMP/ref3.txt" "" 1
sound_matches "$program_dir/xlost.wav" "$program_dir/xlost.txt"
[ -z "$(hidden_files "$program_dir")" ] || fail "left behind: $(hidden_files "$program_dir")"
note "passed"
