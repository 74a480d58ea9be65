# Helpers shared by the end-to-end runs: a display of their own, the installed
# program started on it, and a person's keyboard and mouse through xdotool.
# Sourced by the run scripts; they set E2E_BUILD, E2E_ARTIFACTS and E2E_NAME.
set -euo pipefail
# The fonts and sound-server rules of every test, also when run by hand.
source "$(dirname "${BASH_SOURCE[0]}")/../harness/environment.sh"

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/cuelark-e2e.XXXXXX")
E2E_PREFIX=$E2E_TMP/prefix
E2E_PROGRAM=$E2E_PREFIX/lib/cuelark/cuelark
E2E_LOG=$E2E_ARTIFACTS/$E2E_NAME
XVFB_PID=""
APP_PID=""
MAIN_WINDOW=""
SHOT=0
# Wall-clock milliseconds: real-time waits are what an end-to-end run is made of.
now_ms() { echo $(($(date +%s%N) / 1000000)); }
T0=$(now_ms)

mkdir -p "$E2E_LOG"
rm -f "$E2E_LOG"/*.png "$E2E_LOG"/*.log

note() {
    local ms=$(($(now_ms) - T0))
    printf '[%3d.%03ds] %s\n' $((ms / 1000)) $((ms % 1000)) "$*"
}

fail() {
    echo "E2E FAILED ($E2E_NAME): $*" >&2
    shot "failure" || true
    if [ -f "$E2E_LOG/program.log" ]; then
        echo "--- the program's output:" >&2
        tail -n 30 "$E2E_LOG/program.log" >&2
    fi
    exit 1
}

cleanup() {
    local rc=$?
    set +e # a failing kill must not stop the rest of the cleaning up
    if [ -n "$APP_PID" ]; then
        kill "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    rm -rf "$E2E_TMP"
    exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A screenshot of the whole display, numbered in the order taken.
shot() {
    SHOT=$((SHOT + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$E2E_LOG" "$SHOT" "$1")
    import -display "$DISPLAY" -window root "$file" 2>/dev/null || echo "(no screenshot $file)" >&2
}

# Polls a command until it succeeds: wait_for <seconds> <what> <command...>.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local end=$(($(now_ms) + seconds * 1000))
    until "$@"; do
        if [ "$(now_ms)" -gt "$end" ]; then
            fail "waited ${seconds}s for $what"
        fi
        sleep 0.1
    done
}

install_program() {
    cmake --install "$E2E_BUILD" --prefix "$E2E_PREFIX" >"$E2E_LOG/install.log" 2>&1 ||
        fail "cmake --install $E2E_BUILD failed (see $E2E_LOG/install.log)"
    [ -x "$E2E_PROGRAM" ] || fail "no program at $E2E_PROGRAM after installing"
}

start_display() {
    local n
    for n in 93 94 95 96 97 98 99; do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$E2E_LOG/xvfb.log" 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    done
    fail "could not start Xvfb on any of :93..:99"
}

# Visible top-level windows whose title is exactly $1, one id a line.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }

has_window_named() { [ -n "$(windows_named "$1")" ]; }

# A visible "Cuelark" window other than the main window: a message box.
message_box() { windows_named Cuelark | grep -vx "$MAIN_WINDOW" | head -n 1; }
has_message_box() { [ -n "$(message_box)" ]; }
no_message_box() { [ -z "$(message_box)" ]; }

# Starts the installed program through its launcher link, as a desktop would.
start_program() {
    local launcher=$E2E_PREFIX/bin/cuelark
    [ -L "$launcher" ] || fail "no launcher link $launcher"
    # Its temporary files (a recording it could not save is kept there) stay
    # in the run's own folder.
    # A runtime folder of its own: no sound server is reached unless the run
    # starts one, as on a fresh build machine.
    # The user's data folder, where a recording goes that its save folder
    # cannot take, is the run's own too.
    mkdir -p -m 700 "$E2E_TMP/runtime"
    TMPDIR=$E2E_TMP XDG_RUNTIME_DIR=$E2E_TMP/runtime XDG_DATA_HOME=$E2E_TMP/data PULSE_SERVER= \
        "$launcher" "$@" >>"$E2E_LOG/program.log" 2>&1 &
    APP_PID=$!
    wait_for 30 "the main window \"Cuelark\"" has_window_named Cuelark
    MAIN_WINDOW=$(windows_named Cuelark | head -n 1)
    PROGRAM_SHOWN=$(now_ms)
    focus "$MAIN_WINDOW"
}

program_running() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }
program_gone() { ! program_running; }

# Waits for the program to end by itself and checks that it ended with
# status $1 (default 0).
wait_program_exit() {
    local want=${1:-0}
    wait_for 20 "the program to end" program_gone
    local rc=0
    wait "$APP_PID" || rc=$?
    APP_PID=""
    [ "$rc" -eq "$want" ] || fail "the program ended with status $rc, not $want"
}

# What the program said on standard error holds this text.
program_said() { grep -qF -- "$1" "$E2E_LOG/program.log"; }

# Hidden files left in a folder: the journals and sounds of unfinished recordings.
hidden_files() { find "$1" -maxdepth 1 -name '.*' -type f; }

# Without a window manager nobody hands out the focus: take it.
focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }

key() { xdotool key --clearmodifiers --delay 60 "$@"; }

# Replaces the text of the box that has the focus, as typed.
type_text() {
    key ctrl+a BackSpace
    [ -z "$1" ] || xdotool type --delay 40 -- "$1"
}

# A left click at a point of a window, in its own pixels.
click() {
    xdotool mousemove --window "$1" "$2" "$3"
    xdotool click 1
}

# Focuses a dialog or message box by title and waits until it has the focus.
focus_window() {
    local title=$1 id
    wait_for 15 "the window \"$title\"" has_window_named "$title"
    id=$(windows_named "$title" | grep -vx "$MAIN_WINDOW" | head -n 1)
    [ -n "$id" ] || fail "no window \"$title\" apart from the main window"
    focus "$id"
    echo "$id"
}

# Milliseconds since the main window appeared: close to the programme time of
# the stations, whose clock starts as the window loads.
since_shown() { echo $(($(now_ms) - PROGRAM_SHOWN)); }

# Sleeps until the main window has been shown for $1 milliseconds.
sleep_until_shown_for() {
    local left=$(($1 - $(since_shown)))
    if [ "$left" -gt 0 ]; then
        sleep "$((left / 1000)).$(printf '%03d' $((left % 1000)))"
    fi
}

file_exists() { [ -f "$1" ]; }
