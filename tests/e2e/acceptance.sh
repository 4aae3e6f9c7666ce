#!/usr/bin/env bash
# The real program in a real X window, driven with real X input (xdotool mouse and keys):
# start-up in live mode, a reading, the keyboard on the main panel (the reading display,
# Tab order, a field kept while auto update runs), function and range, a trigger count with
# its block of readings on the graph, the trigger panel cancelled, auto update on and off,
# the trigger and About panels by keyboard (Tab, Return, Escape), a state file stored and
# recalled, Close and the confirmation, the Instrument Select dialog by keyboard, and
# start-up failures. Checks window titles, the VISA
# trace, control values read back through the clipboard, and saves a screenshot per step.
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
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

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

# Starts the program in the background (its pid in $launched), again when the X server
# refused its connection: Xvfb now and then turns a client away as another one goes.
launch() {  # command and arguments
    for _ in 1 2 3; do
        "$@" >"$work/out.txt" 2>&1 &
        launched=$!
        sleep 0.3
        kill -0 "$launched" 2>/dev/null && return 0
        grep -q 'could not connect to display' "$work/out.txt" || return 0
        wait "$launched" 2>/dev/null || true
    done
}

launch "$build/gu7304"
app=$launched
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
app_windows() { xdotool search --onlyvisible --classname gu7304 2>/dev/null | wc -l; }
ring_pick() {  # click the ring at frame x y, wait for its list, then Down n times and Return
    local windows
    windows=$(app_windows)
    xdotool mousemove --window "$frame" "$1" "$2" click 1
    for _ in $(seq 1 30); do [ "$(app_windows)" -gt "$windows" ] && break; sleep 0.1; done
    [ "$(app_windows)" -gt "$windows" ] || { echo "the ring at $1,$2 did not open" >&2; exit 1; }
    sleep 0.1
    for _ in $(seq 1 "$3"); do xdotool key Down; done
    xdotool key Return
}
wait_sent() {  # pattern, count before
    for _ in $(seq 1 50); do
        [ "$(sent "$1")" -gt "$2" ] && return 0
        sleep 0.1
    done
    echo "nothing matching '$1' was sent" >&2
    return 1
}

last_reply() {  # the reply to the last query matching the pattern
    grep -A1 "viWrite(.*\"$1" "$work/trace.txt" | grep -o 'data="[^"]*' | tail -1 | sed 's/data="//; s/\\n$//'
}
shot() {  # the screen over the frame window, pop-ups on it included
    local X Y WIDTH HEIGHT WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "$frame")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/acceptance_$1.png"
}
control_text() {  # the text of the line edit at frame x y, copied with Ctrl+A Ctrl+C
    xdotool mousemove --window "$frame" "$1" "$2" click 1
    sleep 0.2
    xdotool key ctrl+a ctrl+c
    sleep 0.2
    "$build/clipboard_text" 2>/dev/null
}
expect() {  # what, got, wanted
    [ "$2" = "$3" ] || { echo "$1: got '$2', wanted '$3'" >&2; exit 1; }
}
menu() {  # Alt+mnemonic, then Down n times, then Return, once the menu is up
    local windows
    windows=$(app_windows)
    # Up to three tries: a key pressed while another window has the focus is lost.
    for _ in 1 2 3; do
        xdotool windowfocus --sync "$frame" 2>/dev/null || true
        xdotool mousemove --window "$frame" 200 160 key "alt+$1"
        for _ in $(seq 1 20); do [ "$(app_windows)" -gt "$windows" ] && break 2; sleep 0.1; done
    done
    [ "$(app_windows)" -gt "$windows" ] || { echo "the menu alt+$1 did not open" >&2; exit 1; }
    sleep 0.1
    for _ in $(seq 1 "$2"); do xdotool key Down; done
    xdotool key Return
}
wait_file() {  # path
    for _ in $(seq 1 50); do [ -e "$1" ] && return 0; sleep 0.1; done
    echo "no file $1" >&2
    return 1
}
wait_gone() {  # window name
    for _ in $(seq 1 50); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "window '$1' still open" >&2
    return 1
}
type_into() {  # frame x y, text: replaces the field's text, then Return
    xdotool mousemove --window "$frame" "$1" "$2" click --repeat 3 1
    xdotool key ctrl+a
    xdotool type "$3"
    xdotool key Return
}
type_path() {  # into the file pop-up named $1
    local popup
    popup=$(wait_for_window "$1" 10)
    xdotool mousemove --window "$popup" 5 5
    sleep 0.3
    xdotool type "$2"
    xdotool key Return
    wait_gone "$1"
}

# The keyboard on the main panel: Space and Return on the reading display take a reading;
# after one the focus is on the function ring, and Tab follows the layout from there
# (Range, then Samples past the dimmed Resolution); Return commits a typed field.
keys() { xdotool windowfocus --sync "$frame" 2>/dev/null || true; xdotool key "$@"; }
before=$(sent 'FETC?')
keys shift+Tab space
wait_sent 'FETC?' "$before"
sleep 0.3
before=$(sent 'FETC?')
keys shift+Tab Return
wait_sent 'FETC?' "$before"
sleep 0.3
before=$(sent 'SAMP:COUN 2')
keys Tab Tab ctrl+a
xdotool type 2
xdotool key Return
wait_sent 'SAMP:COUN 2' "$before"
before=$(sent 'SAMP:COUN 1')
keys ctrl+a
xdotool type 1
xdotool key Return
wait_sent 'SAMP:COUN 1' "$before"

# Auto update takes a reading on every idle event, and each asks for the focus on the
# function ring: the sample count field, which has it, keeps it, slowly typed digits and all.
before=$(sent 'FETC?')
menu i 0
wait_sent 'FETC?' $(( before + 2 ))
keys ctrl+a
before=$(sent 'SAMP:COUN 12')
xdotool type --delay 400 12
xdotool key Return
wait_sent 'SAMP:COUN 12' "$before"
before=$(sent 'SAMP:COUN 1')
keys ctrl+a
xdotool type 1
xdotool key Return
wait_sent 'SAMP:COUN 1' "$before"
menu i 0
sleep 0.5

# AC volts from the function ring, by keyboard.
before=$(sent 'CONF:VOLT:AC')
ring_pick 85 200 1
wait_sent 'CONF:VOLT:AC' "$before"
sleep 0.5
import -window root "$shots/acceptance_function.png"

# The 1 V range from the range ring; the reading after it comes from that range.
before=$(sent 'VOLT:AC:RANG 1\\n')
ring_pick 220 200 2
wait_sent 'VOLT:AC:RANG 1\\n' "$before"
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
grep 'viWrite' "$work/trace.txt" | grep -v 'FETC?\|INIT\|STB\|\*OPC\|SYST:ERR' | tail -20 | grep -q 'VOLT:AC:RANG 1' ||
    { echo "the range changed again before the reading" >&2; exit 1; }
sleep 0.3
shot range

# Trigger count 4 on the trigger panel, from the Panels menu: the graph replaces the number
# and a click on it takes a block of four readings.
trigger_count_x=260; trigger_count_y=103; ok_x=85; cancel_x=200; buttons_y=295
menu p 1
sleep 0.5
before=$(sent 'TRIG:COUN 4')
type_into $trigger_count_x $trigger_count_y 4
wait_sent 'TRIG:COUN 4' "$before"
expect "trigger count shown" "$(control_text $trigger_count_x $trigger_count_y)" 4
shot trigger_count
xdotool mousemove --window "$frame" $ok_x $buttons_y click 1
sleep 0.5
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
readings=$(last_reply 'FETC?' | tr ',' '\n' | wc -l)
expect "readings in the block" "$readings" 4
sleep 0.5
shot graph

# The trigger panel again: a count of 9 typed, then Cancel restores 4 and sends it again;
# the panel closes, so a click on the graph reaches the main panel.
menu p 1
sleep 0.5
before=$(sent 'TRIG:COUN 9')
type_into $trigger_count_x $trigger_count_y 9
wait_sent 'TRIG:COUN 9' "$before"
shot trigger_changed
before=$(sent 'TRIG:COUN 4')
xdotool mousemove --window "$frame" $cancel_x $buttons_y click 1
wait_sent 'TRIG:COUN 4' "$before"
expect "trigger count in the instrument after Cancel" \
    "$(grep -o 'TRIG:COUN [0-9]*' "$work/trace.txt" | tail -1)" "TRIG:COUN 4"
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.3
shot trigger_cancelled

# Auto update from the Instrument menu: readings flow while it is ticked and stop after.
before=$(sent 'FETC?')
menu i 0
for _ in $(seq 1 50); do
    [ "$(sent 'FETC?')" -ge $(( before + 3 )) ] && break
    sleep 0.1
done
[ "$(sent 'FETC?')" -ge $(( before + 3 )) ] || { echo "auto update took no readings" >&2; exit 1; }
shot auto_update
menu i 0
sleep 0.5
stopped=$(sent 'FETC?')
sleep 1
expect "readings after auto update was unticked" "$(sent 'FETC?')" "$stopped"

# The trigger panel by keyboard: Tab moves from the source ring to the count, Return
# commits the typed count with the panel staying up, and Escape is Cancel (the count at
# opening is sent again).
menu p 1
sleep 0.5
before=$(sent 'TRIG:COUN 7')
keys Tab ctrl+a
xdotool type 7
xdotool key Return
wait_sent 'TRIG:COUN 7' "$before"
before=$(sent 'TRIG:COUN 4')
keys Escape
wait_sent 'TRIG:COUN 4' "$before"
# Shift+Tab stays in the panel: from its first control back to Apply, then Cancel, which
# Return presses.
menu p 1
sleep 0.5
before=$(sent 'TRIG:COUN 4')
keys shift+Tab shift+Tab Return
wait_sent 'TRIG:COUN 4' "$before"
# Return outside a field is OK: the panel goes, and a click reaches the main panel again.
menu p 1
sleep 0.5
keys Return
sleep 0.3
before=$(sent 'SAMP:COUN 5')
type_into 50 248 5
wait_sent 'SAMP:COUN 5' "$before"
# Escape closes About.
menu h 1
sleep 0.5
shot about
keys Escape
sleep 0.3
before=$(sent 'SAMP:COUN 1')
type_into 50 248 1
wait_sent 'SAMP:COUN 1' "$before"

# Store State to a typed name: the file holds the instrument's own settings as a learn
# text. A state file recalled is carried unchanged to the next store, and the recall
# reads every setting back: a sample count of 3 set before it is queried and shown.
menu f 0
type_path "Store State File Dialog" "$work/first"
wait_file "$work/first.st"
for _ in $(seq 1 50); do [ -s "$work/first.st" ] && break; sleep 0.1; done
expect "start of a state file stored before any recall" "$(head -c 5 "$work/first.st")" '*RST;'
shot stored
printf 'FUNC 4;RANG 2;TRIG:COUN 4' >"$work/saved.st"
xdotool mousemove --window "$frame" 50 248 click --repeat 3 1
xdotool key ctrl+a
xdotool type 3
before=$(sent 'SAMP:COUN 3')
xdotool key Return
wait_sent 'SAMP:COUN 3' "$before"
before=$(sent 'SAMP:COUN?')
menu f 1
type_path "Recall State File Dialog" "$work/saved.st"
wait_sent 'SAMP:COUN?' "$before"
expect "sample count read back by the recall" "$(last_reply 'SAMP:COUN?')" 3
expect "sample count shown after the recall" "$(control_text 50 248)" 3
expect "trigger count read back by the recall" "$(last_reply 'TRIG:COUN?')" 4
shot recalled
menu f 0
type_path "Store State File Dialog" "$work/second.st"
wait_file "$work/second.st"
cmp -s "$work/saved.st" "$work/second.st" || { echo "the recalled state was not stored" >&2; exit 1; }

# Storing over an existing file asks once, with the program's own question; Yes replaces it.
menu f 0
type_path "Store State File Dialog" "$work/first.st"
purge=$(wait_for_window "Purge Dialog" 10)
shot purge
centre() {  # window: its centre as "x y"
    local X Y WIDTH HEIGHT WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$(( X + WIDTH / 2 )) $(( Y + HEIGHT / 2 ))"
}
read -r fx fy <<<"$(centre "$frame")"
read -r px py <<<"$(centre "$purge")"
[ $(( (fx - px) * (fx - px) + (fy - py) * (fy - py) )) -le 400 ] ||
    { echo "the pop-up at $px,$py is not centred on the window at $fx,$fy" >&2; exit 1; }
xdotool windowfocus --sync "$purge" 2>/dev/null || true
xdotool mousemove --window "$purge" 20 20
sleep 0.3
xdotool key Return
wait_gone "Purge Dialog"
for _ in $(seq 1 50); do cmp -s "$work/saved.st" "$work/first.st" && break; sleep 0.1; done
cmp -s "$work/saved.st" "$work/first.st" || { echo "the existing file was not replaced" >&2; exit 1; }

# A bus-triggered reading ends through the ordinary poll: source Bus and a count of 1 on the
# trigger panel, one sample, then a click on the reading: it comes back with no time-out.
ring_pick_up() {  # as ring_pick, Up n times
    local windows
    windows=$(app_windows)
    xdotool mousemove --window "$frame" "$1" "$2" click 1
    for _ in $(seq 1 30); do [ "$(app_windows)" -gt "$windows" ] && break; sleep 0.1; done
    [ "$(app_windows)" -gt "$windows" ] || { echo "the ring at $1,$2 did not open" >&2; exit 1; }
    sleep 0.1
    for _ in $(seq 1 "$3"); do xdotool key Up; done
    xdotool key Return
}
no_error_popup() {  # what was being done
    if xdotool search --onlyvisible --name '^Error$' >/dev/null 2>&1; then
        echo "$1: an error pop-up came up" >&2
        exit 1
    fi
}
menu p 1
sleep 0.5
before=$(sent 'TRIG:SOUR BUS')
ring_pick_up 95 103 2
wait_sent 'TRIG:SOUR BUS' "$before"
before=$(sent 'TRIG:COUN 1')
type_into $trigger_count_x $trigger_count_y 1
wait_sent 'TRIG:COUN 1' "$before"
xdotool mousemove --window "$frame" $ok_x $buttons_y click 1
sleep 0.5
before=$(sent 'SAMP:COUN 1')
type_into 50 248 1
wait_sent 'SAMP:COUN 1' "$before"
triggers=$(sent 'viAssertTrigger(')
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'viAssertTrigger(' "$triggers"
wait_sent 'FETC?' "$before"
sleep 1
no_error_popup "a bus-triggered reading"
reading=$(last_reply 'FETC?')
[ -n "$reading" ] || { echo "the bus-triggered reading returned nothing" >&2; exit 1; }
shot bus_reading

# Fetch pressed early: a block of three bus triggers waits on its panel (the program gives
# the first); after one Single Trigger, Fetch collects the two readings the instrument has
# at once, and the window goes on.
menu p 1
sleep 0.5
before=$(sent 'TRIG:COUN 3')
type_into $trigger_count_x $trigger_count_y 3
wait_sent 'TRIG:COUN 3' "$before"
xdotool mousemove --window "$frame" $ok_x $buttons_y click 1
sleep 0.5
xdotool mousemove --window "$frame" 150 75 click 1
sleep 1
# Another panel opened over the waiting one and cancelled: the wait panel is in front again,
# and its buttons take the clicks.
menu p 6
sleep 0.5
shot status_over_wait
xdotool mousemove --window "$frame" $cancel_x $buttons_y click 1
sleep 0.5
shot wait_panel_back
triggers=$(sent 'viAssertTrigger(')
xdotool mousemove --window "$frame" 70 91 click 1
wait_sent 'viAssertTrigger(' "$triggers"
sleep 0.3
before=$(sent 'FETC?')
started=$(date +%s%N)
xdotool mousemove --window "$frame" 70 127 click 1
wait_sent 'FETC?' "$before"
before=$(sent 'SAMP:COUN 2')
type_into 50 248 2
wait_sent 'SAMP:COUN 2' "$before"
took=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$took" -lt 3000 ] || { echo "the window stayed busy ${took} ms after Fetch" >&2; exit 1; }
no_error_popup "Fetch pressed early"
expect "readings collected by an early Fetch" "$(last_reply 'FETC?' | tr ',' '\n' | grep -c .)" 2
shot early_fetch

# Configuration OK keeps what the other panels set: a count of 3 triggers and 2 samples with
# the immediate source, Configuration, OK, then a block of six readings.
menu p 1
sleep 0.5
before=$(sent 'TRIG:SOUR IMM')
ring_pick 95 103 2
wait_sent 'TRIG:SOUR IMM' "$before"
xdotool mousemove --window "$frame" $ok_x $buttons_y click 1
sleep 0.5
menu p 3
sleep 0.5
before=$(sent 'CONF:')
xdotool mousemove --window "$frame" $ok_x $buttons_y click 1
wait_sent 'CONF:' "$before"
sleep 0.5
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.5
expect "readings in the block after Configuration OK" "$(last_reply 'FETC?' | tr ',' '\n' | grep -c .)" 6
expect "sample count shown after Configuration OK" "$(control_text 50 248)" 2

# Configuration Cancel restores the function at opening, and keeps math on: math switched on
# on the Math panel, DC volts chosen on the Configuration panel, then Cancel sends AC volts
# and math on again.
math_switch() {  # the Math panel's switch flipped, then OK
    menu p 4
    sleep 0.5
    before=$(sent "CALC:STAT $1")
    xdotool mousemove --window "$frame" 55 103 click 1
    wait_sent "CALC:STAT $1" "$before"
    xdotool mousemove --window "$frame" $ok_x $buttons_y click 1
    sleep 0.5
}
math_switch ON
menu p 3
sleep 0.5
before=$(sent 'CONF:VOLT:DC')
ring_pick_up 85 103 1
wait_sent 'CONF:VOLT:DC' "$before"
before=$(sent 'CONF:VOLT:AC')
math_on=$(sent 'CALC:STAT ON')
xdotool mousemove --window "$frame" $cancel_x $buttons_y click 1
wait_sent 'CONF:VOLT:AC' "$before"
wait_sent 'CALC:STAT ON' "$math_on"
sleep 0.5
expect "function in the instrument after Configuration Cancel" \
    "$(grep -o 'CONF:VOLT:[AD]C' "$work/trace.txt" | tail -1)" "CONF:VOLT:AC"
expect "math in the instrument after Configuration Cancel" \
    "$(grep -o 'CONF:VOLT:[AD]C\|CALC:STAT O[NF]*' "$work/trace.txt" | tail -1)" "CALC:STAT ON"
no_error_popup "Configuration OK and Cancel"
shot config_cancelled
math_switch OFF

# ---- Keeping and sharing readings (Data menu, Readings window, I/O monitor) ----------------
# Items of the Data menu as the keyboard reaches them (separators are skipped).
data_readings=0; data_monitor=1; data_export_block=2; data_export_trend=3; data_copy_block=4
data_save_graph=6
shot_window() {  # name, window: the screen over that window
    local X Y WIDTH HEIGHT WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "$2")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/acceptance_$1.png"
}
window_click() {  # window name, x y: a click inside that window
    local w
    w=$(wait_for_window "$1" 10)
    xdotool mousemove --window "$w" "$2" "$3" click 1
}
# A block of the settings left by the steps before (AC volts, several readings) on the graph.
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.5
shot block_stats
menu d $data_export_block
type_path "Export Block File Dialog" "$work/block.csv"
wait_file "$work/block.csv"
for _ in $(seq 1 50); do [ -s "$work/block.csv" ] && break; sleep 0.1; done
python3 - "$work/block.csv" "$(last_reply 'FETC?')" <<'PY' || { echo "the exported block does not read back" >&2; exit 1; }
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
header = {r[0]: r[1] for r in rows[:rows.index([])]}
readings = rows[rows.index([]) + 2:]
fetched = [float(v) for v in sys.argv[2].split(",")]
assert header["Function"] == "AC Volts", header
assert int(header["Trigger count"]) * int(header["Sample count"]) == len(fetched), header
assert [float(r[2]) for r in readings] == fetched, (readings, fetched)
assert all(r[3] == "VAC" for r in readings)
PY
cp "$work/block.csv" "$work/block_kept.csv"
menu d $data_export_block  # over the same file: the question, answered No (Escape)
type_path "Export Block File Dialog" "$work/block.csv"
purge=$(wait_for_window "Purge Dialog" 10)
xdotool windowfocus --sync "$purge" 2>/dev/null || true
xdotool mousemove --window "$purge" 20 20 key Escape
wait_gone "Purge Dialog"
cmp -s "$work/block.csv" "$work/block_kept.csv" || { echo "the file was replaced after No" >&2; exit 1; }
menu d $data_copy_block
sleep 0.3
copied=$("$build/clipboard_text" 2>/dev/null | grep -c $'^[0-9]*\t\t[-+0-9.eE]*\tVAC' || true)
expect "readings copied as tab-separated rows" "$copied" "$(last_reply 'FETC?' | tr ',' '\n' | grep -c .)"
menu d $data_save_graph
type_path "Save Graph File Dialog" "$work/graph.png"
wait_file "$work/graph.png"
for _ in $(seq 1 50); do [ -s "$work/graph.png" ] && break; sleep 0.1; done
expect "picture of the graph" "$(head -c 4 "$work/graph.png" | od -An -c | tr -d ' ')" '211PNG'
cp "$work/graph.png" "$shots/acceptance_graph_picture.png"

# The Readings window: the block large, zoomed by dragging a rectangle, back with Full View.
menu d $data_readings
readings=$(wait_for_window "^Readings$" 10)
sleep 0.5
shot_window readings_block "$readings"
xdotool mousemove --window "$readings" 150 120 mousedown 1 mousemove --window "$readings" 250 200 \
    mousemove --window "$readings" 330 260 mouseup 1
sleep 0.5
xdotool mousemove --window "$readings" 280 200
sleep 0.3
shot_window readings_zoom "$readings"
cmp -s "$shots/acceptance_readings_block.png" "$shots/acceptance_readings_zoom.png" &&
    { echo "the drag did not zoom" >&2; exit 1; }
# Nothing of the grid before the zoom stays: the zoomed graph equals itself drawn afresh,
# after a look at the trend and back (each view keeps its zoom).
xdotool mousemove --window "$readings" 215 381
sleep 0.3
shot_window readings_zoom_a "$readings"
for key in Down Up; do
    window_click "^Readings$" 100 19
    sleep 0.3
    xdotool key "$key" Return
    sleep 0.5
done
xdotool mousemove --window "$readings" 215 381
sleep 0.3
shot_window readings_zoom_b "$readings"
expect "pixels of the zoomed graph that differ from it drawn afresh" \
    "$(compare -metric AE "$shots/acceptance_readings_zoom_a.png" "$shots/acceptance_readings_zoom_b.png" null: 2>&1)" 0
window_click "^Readings$" 50 381  # Full View

# The trend: Auto Update on, the Trend view, then a function change starts a new trace.
before=$(sent 'FETC?')
menu i 0
window_click "^Readings$" 100 19
sleep 0.3
xdotool key Down Return
for _ in $(seq 1 50); do [ "$(sent 'FETC?')" -ge $(( before + 8 )) ] && break; sleep 0.1; done
sleep 0.5
shot_window readings_trend "$readings"
before=$(sent 'CONF:CURR:DC')
ring_pick 85 200 1
wait_sent 'CONF:CURR:DC' "$before"
before=$(sent 'FETC?')
for _ in $(seq 1 50); do [ "$(sent 'FETC?')" -ge $(( before + 4 )) ] && break; sleep 0.1; done
sleep 0.5
shot_window readings_new_trace "$readings"
menu i 0
sleep 0.5
menu d $data_export_trend
type_path "Export Trend File Dialog" "$work/trend.csv"
wait_file "$work/trend.csv"
for _ in $(seq 1 50); do [ -s "$work/trend.csv" ] && break; sleep 0.1; done
grep -q '^Trace [0-9]*,DC Current,A DC,' "$work/trend.csv" || { echo "no trace of the new function" >&2; exit 1; }
grep -q ',VAC.$' "$work/trend.csv" && grep -q ',A DC.$' "$work/trend.csv" ||
    { echo "the trend lacks the readings of a trace" >&2; exit 1; }

# The I/O monitor: a click on the graph shows its calls; pause holds the view, clear empties it.
menu d $data_monitor
monitor=$(wait_for_window "^I/O Monitor$" 10)
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.5
shot_window io_monitor "$monitor"
xdotool mousemove --window "$monitor" 300 100 click 1
sleep 0.2
xdotool key ctrl+a ctrl+c
sleep 0.2
"$build/clipboard_text" 2>/dev/null | grep -q 'viWrite(.*"FETC?\\n"' ||
    { echo "the monitor does not show the fetch" >&2; exit 1; }
window_click "^I/O Monitor$" 50 230  # Pause
window_click "^I/O Monitor$" 147 230  # Clear
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.5
shot_window io_monitor_paused "$monitor"
menu d $data_copy_block  # the clipboard holds no calls now
sleep 0.3
xdotool mousemove --window "$monitor" 300 100 click 1
xdotool key ctrl+a ctrl+c
sleep 0.2
expect "lines shown while paused" \
    "$("$build/clipboard_text" 2>/dev/null | grep -c 'viWrite\|viRead' || true)" 0

# The SCPI console: a command (the panel then shows the new setting), a query and its reply,
# a wrong command with its error in red; the session the monitor recorded meanwhile saved as
# a script, which pyvisa runs on a fresh instrument that ends with the same *LRN?.
data_console=8
window_click "^I/O Monitor$" 50 230  # Resume
window_click "^I/O Monitor$" 147 230  # Clear: a new record
menu d $data_console
console=$(wait_for_window "^SCPI Console$" 10)
sleep 0.5
console_line() {  # text: typed into the command line, then Return
    local before
    before=$(sent 'viWrite')
    xdotool windowraise "$console"
    xdotool windowfocus --sync "$console" 2>/dev/null || true
    xdotool mousemove --window "$console" 200 302 click 1
    xdotool type "$1"
    xdotool key Return
    wait_sent 'viWrite' "$before"
    sleep 0.5
}
console_line "*RST"
console_line "SAMP:COUN 5"
xdotool windowraise "$frame"
expect "samples after the console's command" "$(control_text 50 248)" "5"
console_line "TRIG:COUN 2"
console_line "SAMP:COUN?"
expect "the console's query" "$(last_reply 'SAMP:COUN?' | tr -d +)" "5"
console_line "SAMP:CONT 3"
console_line "*LRN?"
learned=$(python3 - "$work/trace.txt" <<'PY'
import sys
lines = open(sys.argv[1], encoding="latin-1").read().splitlines()
at = max(i for i, l in enumerate(lines) if 'viWrite(' in l and '"*LRN?\\n"' in l)
read = next(l for l in lines[at:] if "viRead(" in l and ' data="' in l)
data = read.split(' data="', 1)[1].rsplit('"', 1)[0]
print(data.encode("latin-1").decode("unicode_escape").rstrip("\n"))
PY
)
# Up twice walks back the history: the wrong command is in the line again (not sent).
xdotool windowraise "$console"
xdotool mousemove --window "$console" 200 302 click 1
xdotool key Up Up
sleep 0.2
xdotool key ctrl+a ctrl+c
sleep 0.2
expect "the command line after Up twice" "$("$build/clipboard_text" 2>/dev/null)" "SAMP:CONT 3"
xdotool key ctrl+a BackSpace
xdotool mousemove --window "$console" 300 100
sleep 0.3
shot_window scpi_console "$console"
red=$(convert "$shots/acceptance_scpi_console.png" -fx "r>0.6&&g<0.3&&b<0.3" -format "%[fx:mean>0]" info:)
expect "an error line in red" "$red" 1
xdotool windowraise "$monitor"
window_click "^I/O Monitor$" 470 230  # Save as Script...
type_path "Save Script File Dialog" "$work/session.py"
wait_file "$work/session.py"
sed -i 's/^inst.close()$/print("LRN", inst.query("*LRN?"))\ninst.close()/' "$work/session.py"
replayed=$(env -u VISA_SIM_TRACE PYVISA_LIBRARY="$build/visa32.lib" /usr/bin/python3 "$work/session.py" |
    grep '^LRN ' | sed 's/^LRN //')
expect "*LRN? after the script on a fresh instrument" "$replayed" "$learned"

# A log of readings over Auto Update and a block, read back row by row against the replies
# to the fetches in the trace.
data_log=9
xdotool windowraise "$frame"
menu d $data_log
type_path "Log Readings File Dialog" "$work/log.csv"
wait_file "$work/log.csv"
log_from=$(wc -l <"$work/trace.txt")
before=$(sent 'FETC?')
menu i 0
wait_sent 'FETC?' $(( before + 4 ))
menu i 0
sleep 0.5
before=$(sent 'FETC?')
xdotool mousemove --window "$frame" 150 75 click 1
wait_sent 'FETC?' "$before"
sleep 0.5
menu d $data_log  # unticked: the log stops
sleep 0.3
python3 - "$work/trace.txt" "$log_from" "$work/log.csv" <<'PY' || { echo "the log does not match the trace" >&2; exit 1; }
import csv, sys
lines = open(sys.argv[1], encoding="latin-1").read().splitlines()[int(sys.argv[2]):]
fetched, waiting = [], False
for l in lines:
    if "viWrite(" in l and '"FETC?\\n"' in l:
        waiting = True
    elif waiting and "viRead(" in l and ' data="' in l:
        data = l.split(' data="', 1)[1].rsplit('"', 1)[0].replace("\\n", "")
        fetched += [float(v) for v in data.split(",")]
        waiting = False
rows = list(csv.reader(open(sys.argv[3], newline="")))
readings = [float(r[2]) for r in rows[rows.index([]) + 2:] if not r[0].startswith("Trace")]
assert len(readings) >= 5, readings
assert readings == fetched, (readings, fetched)
PY
# ---- end of keeping and sharing readings ----------------------------------------------------

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

# The Instrument Select dialog by keyboard, with two instruments on the bus: it opens with
# the focus on OK, which Return presses (the first is opened); Shift+Tab reaches the list,
# Down picks the second, Tab goes back to OK; Escape is Cancel and the program ends.
printf '[VXI0::24::INSTR]\nq7304 = yes\n[VXI0::25::INSTR]\nq7304 = yes\nslot = 4\n' >"$work/two.txt"
select_run() {  # keys..., then the resource that must be opened ("" for none)
    local want="${*: -1}" keys=("${@:1:$#-1}") dialog pid
    : >"$work/trace.txt"
    launch env VISA_SIM_BUS="$work/two.txt" "$build/gu7304"
    pid=$launched
    dialog=$(wait_for_window "Instrument Select" 20)
    sleep 0.5
    xdotool windowfocus --sync "$dialog" 2>/dev/null || true
    xdotool key "${keys[@]}"
    if [ -n "$want" ]; then
        wait_for_window "VO Q7304A Soft Front Panel" 20 >/dev/null
        opens=$(grep -c "viOpen(.*\"$want\"" "$work/trace.txt" || true)
        expect "opening of $want after the dialog" "$opens" 2
        kill "$pid"
        wait "$pid" 2>/dev/null || true
    else
        message=$(wait_for_window "Instrument Select" 10)
        import -window root "$shots/acceptance_select_cancelled.png"
        xdotool windowfocus --sync "$message" 2>/dev/null || true
        xdotool key Return
        status=0
        wait "$pid" || status=$?
        expect "exit code after the dialog was cancelled" "$status" 0
        expect "messages sent after the dialog was cancelled" "$(grep -c viWrite "$work/trace.txt" || true)" 0
    fi
}
select_run Return "VXI0::24::INSTR"
select_run shift+Tab Down Tab Return "VXI0::25::INSTR"
select_run Escape ""

# One user action, one report: with every serial poll failing, start-up and each function
# change bring up one error pop-up (the first failure, and how many more), which Return or
# Escape closes without the window being focused first.
printf '[VXI0::24::INSTR]\nq7304 = yes\nfault.stb = fail\n' >"$work/stb.txt"
one_report() {  # title, key[, screenshot name]
    wait_for_window "$1" 20 >/dev/null
    sleep 0.5
    expect "error pop-ups up after one action" \
        "$(xdotool search --onlyvisible --name '^Error in' 2>/dev/null | wc -l)" 1
    [ -z "${3:-}" ] || shot "$3"
    xdotool key "$2"
    wait_gone "$1"
}
launch env VISA_SIM_BUS="$work/stb.txt" "$build/gu7304"
pid=$launched
one_report "Error in vo_statEvenClr" Return
frame=$(wait_for_window "VO Q7304A Soft Front Panel" 20)
sleep 0.3
ring_pick 85 200 2  # DC current
one_report "Error in vo_confCurrDc" Return one_report
ring_pick_up 85 200 1  # AC volts
one_report "Error in vo_confVoltAc" Escape
kill "$pid"
wait "$pid" 2>/dev/null || true

# Start-up failures end with the run-time's code -1 (255) and say why: without a display on
# standard error, without the resource file in a pop-up, before any session is opened. An
# option on the command line is not the program's and changes nothing.
status=0
env -u DISPLAY "$build/gu7304" >"$work/out.txt" 2>&1 || status=$?
expect "exit code without a display" "$status" 255
grep -q 'cannot start' "$work/out.txt" || { echo "no message without a display" >&2; exit 1; }
: >"$work/trace.txt"
launch env UIRT_RESOURCE_DIR="$work/none" "$build/gu7304"
pid=$launched
message=$(wait_for_window "Initialize Error" 20)
xdotool windowfocus --sync "$message" 2>/dev/null || true
xdotool key Return
status=0
wait "$pid" || status=$?
expect "exit code without the resource file" "$status" 255
expect "sessions opened without the resource file" "$(grep -c 'viOpen' "$work/trace.txt" || true)" 0
launch "$build/gu7304" -platform nosuch
pid=$launched
wait_for_window "VO Q7304A Soft Front Panel" 20 >/dev/null
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "acceptance run passed"
