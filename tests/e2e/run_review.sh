#!/usr/bin/env bash
# Studying a recording from the keyboard alone: record channel 3 for
# seventeen seconds with a Check press, open the recording just made with
# Ctrl+R, play a row and loop it on the sound server (started for the run by
# with_pulse.sh), step to the last row, mark it, move its start and end,
# save, and export the marked rows as Anki cards and SRT subtitles. The
# files are checked: the script with its edits and a backup of the recorded
# one, the cards with their clips, the subtitles as ffmpeg reads them.
# Usage: with_pulse.sh run_review.sh BUILD_DIR ARTIFACTS_DIR
E2E_BUILD=$1
E2E_ARTIFACTS=$2
E2E_NAME=review
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

[ -n "${PULSE_RUNTIME_PATH:-}" ] || fail "run me under tests/platform/sound/with_pulse.sh"

# As start_program, with the run's sound server as the program's, and its
# settings of its own.
start_program_with_sound() {
    local launcher=$E2E_PREFIX/bin/cuelark
    mkdir -p -m 700 "$E2E_TMP/runtime"
    TMPDIR=$E2E_TMP XDG_RUNTIME_DIR=$E2E_TMP/runtime XDG_CONFIG_HOME=$E2E_TMP/config \
        PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native" \
        "$launcher" >>"$E2E_LOG/program.log" 2>&1 &
    APP_PID=$!
    wait_for 30 "the main window \"Cuelark\"" has_window_named Cuelark
    MAIN_WINDOW=$(windows_named Cuelark | head -n 1)
    PROGRAM_SHOWN=$(now_ms)
    focus "$MAIN_WINDOW"
}

# The program's streams on the server's sink (the run's own silence comes in
# through a loopback module). The card plays the station all along; the
# Review window's row is one stream more.
streams() { pactl list short sink-inputs 2>/dev/null | grep -c protocol-native || true; }
sounding() { [ "$(streams)" -gt "$CARD_STREAMS" ]; }
silent() { [ "$(streams)" -eq "$CARD_STREAMS" ]; }

review_window() { xdotool search --onlyvisible --name ' - Review Recording$' 2>/dev/null | head -n 1; }
review_titled() { has_window_named "$1 - Review Recording"; }

install_program
program_dir=$(dirname "$E2E_PROGRAM")
start_display
note "display $DISPLAY; starting the program"
start_program_with_sound

# Channel 3 from about 1 s to 18 s of its programme: at least the captions
# shown from 7.9 s and from 12.2 s, both replaced before the end.
key alt+n
type_text lesson
key alt+u
type_text 17
key Return
record_at=$(now_ms)
sleep_until_shown_for $((record_at - PROGRAM_SHOWN + 13500))
key alt+c # marks the row before the caption on screen
wait_for 25 "lesson.wav after the time-out" file_exists "$program_dir/lesson.wav"
script_written() { [ -s "$program_dir/lesson.txt" ]; }
wait_for 5 "the script lesson.txt" script_written
cp "$program_dir/lesson.txt" "$E2E_TMP/recorded.txt"
shot recorded

note "Script > Review Recording... (Ctrl+R)"
focus "$MAIN_WINDOW"
key ctrl+r
focus_window "Review Recording" >/dev/null
shot offered
key Return # "Open It" has the focus
wait_for 10 "the recording in the Review window" review_titled lesson
review=$(review_window)
focus "$review"

note "play, then loop"
CARD_STREAMS=$(streams)
key space
wait_for 5 "the row's sound on the sound server" sounding
shot playing
key space
wait_for 5 "the sound to stop" silent
key l space
wait_for 5 "the looped row's sound" sounding
sleep 1
shot looping
key space l
wait_for 5 "the sound to stop" silent

# The first row the Check press left unmarked: mark it, start it 50 ms
# later, end it 100 ms later, save.
target=$(awk -F'\t' 'NF < 4 { print NR - 1; exit }' "$E2E_TMP/recorded.txt")
[ -n "$target" ] || fail "the Check press marked every row; nothing is left to mark"
note "row $((target + 1)): mark it, move its edges, save"
for _ in $(seq "$target"); do key Down; done
key m bracketright braceright braceright
wait_for 5 "the changes in the title" review_titled 'lesson\*'
shot edited
import -display "$DISPLAY" -window "$review" "$E2E_LOG/review-window.png" 2>/dev/null || true
key ctrl+s
wait_for 5 "the saved title" review_titled lesson

note "export the marked rows as Anki cards and SRT subtitles"
key ctrl+e
export_dialog=$(focus_window "Export - lesson")
key alt+s # SRT subtitles; Anki cards and the marked rows are the first choices
shot export-choices
key Return
exported() { [ -s "$program_dir/lesson.srt" ] && [ -s "$program_dir/lesson.tsv" ]; }
wait_for 30 "the exported cards and subtitles" exported
shot exported
focus "$export_dialog"
key Escape
focus "$review"
key ctrl+w
focus "$MAIN_WINDOW"
key alt+f x
wait_program_exit

python3 - "$program_dir" "$E2E_TMP/recorded.txt" "$target" <<'PY' || fail "the saved or exported files are not what the keys asked for"
import os, sys
folder, recorded_path, target = sys.argv[1], sys.argv[2], int(sys.argv[3])

def rows(path):
    out = []
    for line in open(path, "rb").read().split(b"\r\n")[:-1]:
        cols = line.split(b"\t")
        out.append((int(cols[0]), int(cols[1]), cols[2], len(cols) > 3 and cols[3] == b"1"))
    return out

recorded = rows(recorded_path)
saved = rows(os.path.join(folder, "lesson.txt"))
backup = rows(os.path.join(folder, "lesson.txt.bak"))
if len(recorded) < 2:
    sys.exit(f"the recording holds {len(recorded)} rows, not 2 or more")
if backup != recorded:
    sys.exit("the backup is not the recorded script")
start, end, text, marked = recorded[target]
expected = list(recorded)
expected[target] = (start + 5, end + 10, text, True)
if saved != expected:
    sys.exit(f"saved rows {saved}\nexpected {expected}")
chosen = [r for r in saved if r[3]]
if len(chosen) < 2:
    sys.exit(f"{len(chosen)} marked rows; the Check press and M should make two")
# (The Check press marks the row before the caption on screen: with the
# recording's start unknown to the second, that may be either row; M marks
# the other.)

# The cards as Anki reads them: its headers, then one note per marked row
# whose sound field names a clip in media/.
lines = open(os.path.join(folder, "lesson.tsv"), encoding="utf-8").read().splitlines()
if lines[:2] != ["#separator:tab", "#html:true"]:
    sys.exit(f"lesson.tsv starts {lines[:2]}")
notes = [l.split("\t") for l in lines[2:] if l and not l.startswith("#")]
if len(notes) != len(chosen):
    sys.exit(f"{len(notes)} notes for {len(chosen)} marked rows")
for note in notes:
    sound = [f for f in note if f.startswith("[sound:")]
    if len(sound) != 1 or not os.path.getsize(os.path.join(folder, "media", sound[0][7:-1])):
        sys.exit(f"note {note} has no clip in media/")
PY

# The subtitles as ffmpeg reads them: the marked rows, the edited times.
ffmpeg -v error -i "$program_dir/lesson.srt" -f srt - >"$E2E_LOG/lesson-ffmpeg.srt" ||
    fail "ffmpeg cannot read lesson.srt"
cues=$(grep -c -- '-->' "$E2E_LOG/lesson-ffmpeg.srt")
[ "$cues" -ge 2 ] || fail "ffmpeg reads $cues cues in lesson.srt, not 2 or more"
last=$(sed -n "$((target + 1))p" "$program_dir/lesson.txt" | cut -f1)
printf -v shown '%02d:%02d:%02d,%03d' $((last / 360000)) $((last / 6000 % 60)) $((last / 100 % 60)) $((last % 100 * 10))
grep -q "^$shown --> " "$E2E_LOG/lesson-ffmpeg.srt" || fail "no cue starts at $shown, the moved start"
note "passed"
