#!/usr/bin/env bash
# The real program in a real X window, driven with real X input: start-up in live mode,
# a reading taken by a click, then Close and the confirmation answered with Return.
#   acceptance.sh <build dir> <screenshot folder>
set -euo pipefail
build="$1"
shots="$2"
mkdir -p "$shots"
work=$(mktemp -d)
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT

display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display" QT_QPA_PLATFORM=xcb VISA_SIM_TRACE="$work/trace.txt"
unset VISA_SIM_BUS
sleep 1

wait_for_window() {  # name, seconds
    for _ in $(seq 1 $(( $2 * 10 ))); do
        if id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named '$1'" >&2
    return 1
}

"$build/gu7304" >"$work/out.txt" 2>&1 &
app=$!
frame=$(wait_for_window "VO Q7304A Soft Front Panel" 20)
sleep 1
import -window root "$shots/acceptance_start.png"
grep -q 'viOpen(.*"VXI0::24::INSTR"' "$work/trace.txt" || { echo "instrument not opened" >&2; exit 1; }

# A click on the reading takes one.
before=$(grep -c 'FETC?' "$work/trace.txt" || true)
xdotool mousemove --window "$frame" 150 75 click 1
for _ in $(seq 1 50); do
    after=$(grep -c 'FETC?' "$work/trace.txt" || true)
    [ "$after" -gt "$before" ] && break
    sleep 0.1
done
[ "$after" -gt "$before" ] || { echo "the click took no reading" >&2; exit 1; }
sleep 0.5
import -window root "$shots/acceptance_reading.png"

sent() { grep -c "$1" "$work/trace.txt" || true; }
wait_sent() {  # pattern, count before
    for _ in $(seq 1 50); do
        [ "$(sent "$1")" -gt "$2" ] && return 0
        sleep 0.1
    done
    echo "nothing matching '$1' was sent" >&2
    return 1
}

# AC volts from the function ring, by keyboard.
before=$(sent 'CONF:VOLT:AC')
xdotool mousemove --window "$frame" 85 200 click 1
sleep 0.5
xdotool key Down Return
wait_sent 'CONF:VOLT:AC' "$before"
sleep 0.5
import -window root "$shots/acceptance_function.png"

# Five samples: the graph replaces the number, and a click on it takes a block.
xdotool mousemove --window "$frame" 50 248 click --repeat 3 1
xdotool key ctrl+a
xdotool type 5
before=$(sent 'SAMP:COUN 5')
xdotool key Return
wait_sent 'SAMP:COUN 5' "$before"
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.5
import -window root "$shots/acceptance_graph.png"

# Close, then confirm.
xdotool mousemove --window "$frame" 342 291 click 1
confirm=$(wait_for_window "Exit VO Q7304A" 10)
xdotool windowfocus --sync "$confirm" 2>/dev/null || true
xdotool mousemove --window "$confirm" 20 20
sleep 0.3
xdotool key Return
for _ in $(seq 1 50); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
    echo "the program did not end after the confirmation" >&2
    kill "$app"
    exit 1
fi
wait "$app"
grep -q 'viClose(' "$work/trace.txt" || { echo "the session was not closed" >&2; exit 1; }
echo "acceptance run passed"
