#!/usr/bin/env bash
# What a new user gets wrong, tried on the installed program: a settings file
# edited into nonsense, a station with a broken caption file, an empty script
# name, a duration of letters, a channel of letters, a save directory that
# does not exist and a script name with blanks. Each gets its answer, and a
# recording made first is still there, unchanged, at the end.
# Usage: run_bad_input.sh BUILD_DIR ARTIFACTS_DIR SCRIPTMAKER
E2E_BUILD=$1
E2E_ARTIFACTS=$2
E2E_NAME=bad_input
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
check() { python3 "$here/check_recording.py" "$@" || fail "recording check failed: $*"; }

install_program
program_dir=$(dirname "$E2E_PROGRAM")
ini=$program_dir/cuelark.ini
broken=$program_dir/broadcasts/8/captions.scc
printf 'Scenarist_SCC V1.0\n\nthis is no caption at all\n00:00:0x:00\tzz zz\n' >"$broken"
nonsense=(
    'this is not a settings file'
    '[[[global'
    '=a value without a key'
    'Channels1'
    'SaveDir'
)
printf '%s\n' "${nonsense[@]}" >"$ini"
printf '\x01\x02\xff\xfe binary junk\n' >>"$ini"

start_display
start_program
shot started-on-nonsense
names_broken() { grep -qF "$broken" "$E2E_LOG/program.log"; }
wait_for 10 "the program's output to name $broken" names_broken

# Something saved first, which nothing below may spoil.
key alt+n
type_text keep
key alt+u
type_text 2
key Return
wait_for 15 "keep.wav in the program folder, the default save directory" \
    file_exists "$program_dir/keep.wav"
sleep 0.5
kept=$(cd "$program_dir" && md5sum keep.wav keep.txt)

expect_box() {
    wait_for 10 "a \"Cuelark\" message box: $1" has_message_box
    focus "$(message_box)"
    shot "$2"
    key Return
    wait_for 10 "the message box to close" no_message_box
    focus "$MAIN_WINDOW"
}

note "empty script name"
key alt+n
type_text ""
key Return
expect_box "Input script name" empty-name
[ -z "$(find "$program_dir" -maxdepth 1 -name '.*')" ] || fail "a file without a name was made"

note "a duration of letters: the recording ends at its first tick"
key alt+n
type_text letters
key alt+u
type_text abc
key Return
wait_for 10 "letters.wav" file_exists "$program_dir/letters.wav"
sleep 0.3
check wav "$program_dir/letters.wav" 22050 16 1 0.5

note "a channel of letters, then Go"
menu_bar=$(($(xwininfo -id "$MAIN_WINDOW" | awk '/Height:/ {print $2}') - 478))
click "$MAIN_WINDOW" 40 $((menu_bar + 16))
type_text abc
key alt+g
expect_box "Input proper number" channel-letters
note "channel 8, whose captions are broken, shows snow"
click "$MAIN_WINDOW" 40 $((menu_bar + 16))
type_text 8
key alt+g
sleep 2.5
shot channel-8-snow
no_message_box || fail "Go to channel 8 brought a message box"

note "Auto Scan finds only the stations that loaded"
key alt+t a
focus_window "Auto Scan" >/dev/null
key Return
scan_done() { ! has_window_named "Auto Scan"; }
wait_for 30 "the scan to end" scan_done
focus "$MAIN_WINDOW"

note "a script name with blanks"
blanks="  two  words "
key alt+n
type_text "$blanks"
key alt+u
type_text 1
key Return
wait_for 15 "\"$blanks.wav\"" file_exists "$program_dir/$blanks.wav"
file_exists "$program_dir/$blanks.txt" || fail "no script \"$blanks.txt\""

note "a save directory that does not exist"
missing="$E2E_TMP/no such folder"
key alt+s g
focus_window "Script Recording" >/dev/null
type_text "$missing"
key Return
settings_closed() { ! has_window_named "Script Recording"; }
wait_for 10 "General Settings to close" settings_closed
focus "$MAIN_WINDOW"
key alt+n
type_text lost
key alt+u
type_text 1
key Return
expect_box "the files that could not be written" unwritable-save-dir
[ ! -e "$missing" ] || fail "the program made $missing"
# The recording was made in the user's data folder, and saved there.
program_said "so this recording was made in '$E2E_TMP/data/cuelark'" ||
    fail "the message does not say where the recording was made"
check wav "$E2E_TMP/data/cuelark/lost.wav" 22050 16 1 1 0.5
[ -f "$E2E_TMP/data/cuelark/lost.txt" ] || fail "no script lost.txt in the data folder"
program_running || fail "the program ended after the failed recording"

key alt+f x
wait_program_exit
shot closed

for line in "${nonsense[@]}"; do
    grep -qxF -- "$line" "$ini" || fail "the settings file lost the line '$line'"
done
grep -qF 'binary junk' "$ini" || fail "the settings file lost its binary line"
python3 - "$ini" "$missing" <<'PY' || fail "the settings file $ini holds the wrong values"
import sys
text = open(sys.argv[1], "rb").read().decode("utf-8", "replace")
values = dict(l.split("=", 1) for l in text.splitlines() if "=" in l and not l.startswith("="))
flags = "".join(values.get(f"Channels{k}", "") for k in range(1, 5))
used = [i + 1 for i, f in enumerate(flags) if f == "1"]
if used != [3, 5]:
    sys.exit(f"channels in use {used}, expected [3, 5] (8 has no readable captions)")
if values.get("SaveDir") != sys.argv[2]:
    sys.exit(f"SaveDir={values.get('SaveDir')!r}, expected {sys.argv[2]!r}")
PY
cp "$ini" "$E2E_LOG/cuelark.ini"
[ "$(cd "$program_dir" && md5sum keep.wav keep.txt)" = "$kept" ] ||
    fail "the first recording changed after the bad input"
note "passed"
