#!/usr/bin/env bash
# Runs the real cuelark program under a private Xvfb and measures it from the
# outside: /proc/<pid> once a second for memory and CPU, xdotool to type.
#   cuelark_session.sh startup <program folder> <launches>
#   cuelark_session.sh watch   <program folder> <seconds>
#   cuelark_session.sh record  <program folder> <seconds> <script name> [quality]
# quality "44100s16" sets 44100 Hz stereo 16-bit in the Recording Quality
# dialog first; without it the program's default format is recorded.
# Every line of figures starts with "figure ". With AV_ALIGNMENT set to the
# av_alignment tool, record also prints the saved file's format.
set -u
mode=$1
dir=$2
shift 2

tick=$(getconf CLK_TCK)
work=$(mktemp -d "${TMPDIR:-/tmp}/cuelark-session-XXXXXX")
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb() {
    # Xvfb picks a free display itself and writes its number to fd 3.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$work/display" ] && break
        sleep 0.05
    done
    if [ ! -s "$work/display" ]; then
        echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$work/display")"
    unset QT_QPA_PLATFORM
}

launch() {
    (cd "$dir" && exec env "$@" ./cuelark) 2>"$work/stderr" >/dev/null &
    app_pid=$!
}

stop_app() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null
        wait "$app_pid" 2>/dev/null
        app_pid=""
    fi
}

main_window() {
    local w=""
    for _ in $(seq 1 100); do
        w=$(xdotool search --name '^Cuelark$' 2>/dev/null | head -n1)
        [ -n "$w" ] && break
        sleep 0.1
    done
    if [ -z "$w" ]; then
        echo "the main window did not appear; program said: $(cat "$work/stderr")" >&2
        exit 1
    fi
    echo "$w"
}

# VmRSS, VmHWM (KiB) and utime+stime (ticks) of the program now.
sample() {
    local rss hwm cpu
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status" 2>/dev/null)
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$app_pid/status" 2>/dev/null)
    cpu=$(sed 's/.*) //' "/proc/$app_pid/stat" 2>/dev/null | awk '{print $12 + $13}')
    echo "${rss:-0} ${hwm:-0} ${cpu:-0}"
}

now() { date +%s.%N; }

# Samples once a second for n seconds; prints one line per sample
# "<seconds> <rss> <hwm> <cpu ticks>" to the file given.
sample_for() {
    local n=$1 out=$2 t0
    t0=$(now)
    for i in $(seq 1 "$n"); do
        # Sleeps to the next whole second since t0, so the samples do not drift.
        sleep "$(awk -v t0="$t0" -v i="$i" -v t="$(now)" 'BEGIN { d = t0 + i - t; print (d > 0 ? d : 0) }')"
        kill -0 "$app_pid" 2>/dev/null || break
        echo "$i $(sample)" >>"$out"
    done
}

summarise() {
    local what=$1 file=$2 from=$3
    awk -v what="$what" -v tick="$tick" -v from="$from" '
        NR == 1 { t1 = $1; c1 = $4 }
        $1 == from { rssFrom = $2 }
        { if ($3 > peak) peak = $3; t = $1; c = $4; rss = $2 }
        END {
            if (NR < 2) { print "figure " what " no samples"; exit }
            printf "figure %s peak_rss_kib=%d rss_end_kib=%d cpu_pct=%.2f growth_kib=%d growth_from_s=%d seconds=%d\n",
                what, peak, rss, 100 * (c - c1) / tick / (t - t1), rss - rssFrom, from, t
        }' "$file"
}

set_quality_44100_stereo() {
    local main=$1 dlg=""
    xdotool windowfocus --sync "$main"
    xdotool key --clearmodifiers alt+s
    sleep 0.3
    xdotool key q
    for _ in $(seq 1 50); do
        dlg=$(xdotool search --name '^Recording Quality$' 2>/dev/null | head -n1)
        [ -n "$dlg" ] && break
        sleep 0.1
    done
    if [ -z "$dlg" ]; then
        echo "the Recording Quality dialog did not open" >&2
        return 1
    fi
    sleep 0.3
    # Dialog layout in pixels (15 twips each): "44000Hz" in the rate frame,
    # "16bit" and "Stereo" in the right-hand frames.
    xdotool mousemove --window "$dlg" 40 108 click 1
    xdotool mousemove --window "$dlg" 148 60 click 1
    xdotool mousemove --window "$dlg" 148 136 click 1
    xdotool windowfocus --sync "$dlg" key Return
    sleep 0.3
}

case "$mode" in
startup)
    n=$1
    start_xvfb
    : >"$work/times"
    for _ in $(seq 1 "$n"); do
        launch CUELARK_REPORT_FIRST_PAINT=1
        for _ in $(seq 1 100); do
            grep -q '^first-paint ' "$work/stderr" && break
            sleep 0.05
        done
        grep '^first-paint ' "$work/stderr" | head -n1 | awk '{print $2, $4}' >>"$work/times"
        stop_app
    done
    # The processor time the program spent by its first picture, beside the
    # time on the clock: on a busy machine the clock says little.
    cut -d' ' -f2 "$work/times" | sort -n >"$work/cpu"
    sort -n "$work/times" | awk -v cpus="$(tr '\n' ' ' <"$work/cpu")" '{v[NR] = $1} END {
        if (NR == 0) { print "figure startup none"; exit }
        split(cpus, c, " ")
        printf "figure startup launches=%d median_ms=%.0f min_ms=%.0f max_ms=%.0f cpu_median_ms=%.0f\n",
            NR, 1000 * v[int((NR + 1) / 2)], 1000 * v[1], 1000 * v[NR], 1000 * c[int((NR + 1) / 2)] }'
    ;;
watch)
    seconds=$1
    start_xvfb
    launch
    main_window >/dev/null
    sample_for "$seconds" "$work/samples"
    summarise watching "$work/samples" 1
    ;;
record)
    seconds=$1 name=$2 quality=${3:-}
    start_xvfb
    launch
    main=$(main_window)
    sleep 1
    if [ "$quality" = 44100s16 ]; then
        set_quality_44100_stereo "$main" || exit 1
    fi
    rm -f "$dir/$name.wav" "$dir/$name.txt"
    xdotool windowfocus --sync "$main"
    # The script name box has the focus at start; Tab leads to the duration.
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$name"
    xdotool key Tab ctrl+a
    xdotool type --delay 20 "$seconds"
    xdotool key Return
    sample_for $((seconds + 1)) "$work/samples"
    # The save runs at the first half-second tick past the end.
    for _ in $(seq 1 300); do
        [ -s "$dir/$name.wav" ] && [ -e "$dir/$name.txt" ] && break
        sleep 0.1
    done
    if [ ! -s "$dir/$name.wav" ]; then
        echo "no recording was saved; program said: $(cat "$work/stderr")" >&2
        exit 1
    fi
    sleep 1
    from=$((seconds >= 120 ? 60 : 10))
    summarise recording "$work/samples" "$from"
    # The sound format as the saved file's header gives it.
    [ -n "${AV_ALIGNMENT:-}" ] && echo "figure format $("$AV_ALIGNMENT" format "$dir/$name.wav")"
    ;;
*)
    echo "usage: $0 startup|watch|record <program folder> ..." >&2
    exit 64
    ;;
esac
