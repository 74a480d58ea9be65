#!/usr/bin/env bash
# Runs a command against a PulseAudio server of its own: a null sink "tv"
# whose monitor is the default source "tvmic", so what is played to the sink
# is what a capture records. The server is started before the command (Qt
# does not reconnect to a server that appears later) and killed after it.
# The command sees the server's pid in CUELARK_TEST_PULSE_PID.
set -u
# The fonts and sound-server rules of every test, for the program too.
source "$(dirname "${BASH_SOURCE[0]}")/../../harness/environment.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/cuelark-pulse-XXXXXX")
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work"
export PULSE_RUNTIME_PATH="$work/pulse"
export PULSE_STATE_PATH="$work/state"
export HOME="$work"
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
unset PULSE_SERVER

cat > "$work/server.pa" <<'PA'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=tv
load-module module-remap-source source_name=tvmic master=tv.monitor
set-default-sink tv
set-default-source tvmic
# An idle null sink holds back the monitor's first data for up to two
# seconds; a silent source looped into it keeps the sink running.
load-module module-null-source source_name=silence
load-module module-loopback source=silence sink=tv latency_msec=20
PA

pulseaudio -n -F "$work/server.pa" --daemonize=no --exit-idle-time=-1 --system=false \
    --disallow-exit --disable-shm=true --log-target=file:"$work/pulse.log" &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
    if pactl info >/dev/null 2>&1; then
        break
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "with_pulse: the PulseAudio server did not start:" >&2
        cat "$work/pulse.log" >&2
        exit 1
    fi
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    echo "with_pulse: the PulseAudio server does not answer" >&2
    cat "$work/pulse.log" >&2
    exit 1
fi

export CUELARK_TEST_PULSE_PID="$pid"
"$@"
rc=$?
exit $rc
