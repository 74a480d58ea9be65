#!/usr/bin/env bash
# What goes wrong during a recording loses nothing already recorded, and the
# user is told in words of files and folders: the save folder deleted
# mid-recording, the disk under the recording filling up (told at once, while
# recording), and the window closed with the Script Name box emptied.
# Usage: run_failures.sh BUILD_DIR ARTIFACTS_DIR SCRIPTMAKER SOUNDMATCH
#
# The full disk is a small tmpfs, mounted in a mount namespace of the run's
# own where that is allowed (as root, or through a user namespace); elsewhere
# the process's file size limit makes the same failed write.
if [ -z "${E2E_NAMESPACE:-}" ]; then
    if unshare --mount --propagation private true 2>/dev/null; then
        E2E_NAMESPACE=mount exec unshare --mount --propagation private bash "$0" "$@"
    elif unshare --user --map-root-user --mount true 2>/dev/null; then
        E2E_NAMESPACE=user exec unshare --user --map-root-user --mount bash "$0" "$@"
    fi
fi
E2E_BUILD=$1
E2E_ARTIFACTS=$2
SCRIPTMAKER=$3
SOUNDMATCH=$4
E2E_NAME=failures
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
check() { python3 "$here/check_recording.py" "$@" || fail "recording check failed: $*"; }
small=$E2E_TMP/small
# The small disk goes before the run's folder does.
unmount_small() { ! mountpoint -q "$small" 2>/dev/null || umount "$small"; }
trap 'status=$?; set +e; unmount_small; (exit $status); cleanup' EXIT

install_program
program_dir=$(dirname "$E2E_PROGRAM")
ini=$program_dir/cuelark.ini
data=$E2E_TMP/data/cuelark
"$SCRIPTMAKER" "$program_dir/broadcasts/3/captions.scc" "$E2E_TMP/ref3.txt" >/dev/null ||
    fail "scriptmaker could not read channel 3's captions"
sound_matches() { # wav script
    local start
    start=$(python3 "$here/check_recording.py" offset "$2" "$E2E_TMP/ref3.txt") ||
        fail "no programme time for $2"
    "$SOUNDMATCH" "$1" "$program_dir/broadcasts/3/sound.flac" "$start" 0.1 ||
        fail "$1 is not channel 3's sound from ${start}s"
}
seconds_since() { local ms=$(($(now_ms) - $1)); echo "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"; }
# A recording from about 2.5 s of the programme: the caption shown from
# 7.9 s to 12.2 s is its first row.
record() { # name
    focus "$MAIN_WINDOW"
    key alt+n
    type_text "$1"
    key alt+u
    type_text 600
    sleep_until_shown_for 2000
    record_at=$(now_ms)
    key Return
}
at() { sleep_until_shown_for $((record_at - PROGRAM_SHOWN + $1)); }
expect_box() { # what, screenshot
    wait_for 15 "a message box: $1" has_message_box
    focus "$(message_box)"
    shot "$2"
    key Return
    wait_for 10 "the message box to close" no_message_box
    focus "$MAIN_WINDOW"
}
said() { program_said "$1" || fail "the program did not say: $1"; }
save_into() { printf '[global]\nSaveDir=%s\n' "$1" >"$ini"; }

start_display

note "the save folder is deleted while recording"
folder=$E2E_TMP/vanishing
mkdir -p "$folder"
save_into "$folder"
start_program
record gone
at 6000
rm -rf "$folder"
at 11000
key Return
stopped=$(seconds_since "$record_at")
expect_box "where the recording went instead" folder-gone
said "The script could not be written to '$folder/gone.txt' (its folder was deleted during the recording). Its 1 row is saved in '$data/gone.txt' instead."
said "The sound could not be saved as '$folder/gone.wav' (No such file or directory). It is saved as '$data/gone.wav' instead ("
check wav "$data/gone.wav" 22050 16 1 "$stopped"
check script "$data/gone.txt" "$E2E_TMP/ref3.txt" "" 1
sound_matches "$data/gone.wav" "$data/gone.txt"
[ ! -e "$folder" ] || fail "the deleted folder came back"
key alt+f x
wait_program_exit

note "the disk under the recording fills up"
mkdir -p "$small"
limited=""
# Only inside the run's own namespace: never on the machine's own mounts.
if { [ "${E2E_NAMESPACE:-}" = mount ] || [ "${E2E_NAMESPACE:-}" = user ]; } &&
    mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null; then
    full="The sound is no longer being recorded: the disk holding '$small' is full."
else
    # Files grow to 256 KiB at most, and a write past that fails instead of
    # ending the program (an ignored signal stays ignored across exec).
    limited=yes
    trap '' XFSZ
    ulimit -S -f 256
    full="The sound is no longer being recorded: '$small/.full."
fi
note "$([ -n "$limited" ] && echo "no mount here: a file size limit" || echo "a 256 KiB tmpfs")"
save_into "$small"
start_program
[ -z "$limited" ] || ulimit -S -f unlimited
[ -z "$limited" ] || trap - XFSZ
record full
# 256 KiB hold about six seconds of 22050 Hz 16-bit mono: told while recording.
wait_for 12 "the message that the sound is no longer recorded" has_message_box
told=$(seconds_since "$record_at")
said "$full"
[ "$(grep -c "no longer being recorded" "$E2E_LOG/program.log")" -eq 1 ] || fail "told more than once"
focus "$(message_box)"
shot disk-full
key Return
wait_for 10 "the message box to close" no_message_box
at 11000
focus "$MAIN_WINDOW"
key Return
expect_box "what was kept of the recording" disk-full-stopped
said "The sound stopped being recorded early"
said "'$small/full.wav' holds the sound up to then."
check wav "$small/full.wav" 22050 16 1 4 "$told"
if [ -z "$limited" ]; then
    # The script had no room either: it went to the data folder.
    said "Its 1 row is saved in '$data/full.txt' instead."
    script=$data/full.txt
else
    script=$small/full.txt
fi
check script "$script" "$E2E_TMP/ref3.txt" "" 1
sound_matches "$small/full.wav" "$script"
key alt+f x
wait_program_exit
unmount_small

note "the window is closed while recording with the Script Name box empty"
save_into "$program_dir"
start_program
record kitchen
at 11000
key alt+n
type_text ""
key alt+f x
closed=$(seconds_since "$record_at")
wait_for 15 "a message box: the recording kept its name" has_message_box
focus "$(message_box)"
shot empty-name-closed
key Return
said "The Script Name box was empty, so the recording is saved under the name it started with, 'kitchen'."
wait_program_exit
check wav "$program_dir/kitchen.wav" 22050 16 1 "$closed"
check script "$program_dir/kitchen.txt" "$E2E_TMP/ref3.txt" "" 1
sound_matches "$program_dir/kitchen.wav" "$program_dir/kitchen.txt"
[ ! -e "$program_dir/.wav" ] && [ ! -e "$program_dir/.txt" ] || fail "a file without a name was made"
[ -z "$(hidden_files "$program_dir")" ] || fail "left behind: $(hidden_files "$program_dir")"
note "passed"
