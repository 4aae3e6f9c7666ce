#!/usr/bin/env bash
# A zoom leaves nothing of the grid before it: in a real X window, a flat block (a value axis
# padded around one value) zoomed by a drag in the Readings window must look as it does when
# drawn afresh (the view changed to the trend and back; each view keeps its zoom).
#   zoom_grid.sh <build dir> <screenshot folder>
set -euo pipefail
build="$1"
shots="$2"
mkdir -p "$shots"
work=$(mktemp -d)
trap 'kill $app $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
app=""

display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
printf '[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\nlogical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 0.707\ninput.noise = 0\n' >"$work/bus.txt"
export DISPLAY="$display" QT_QPA_PLATFORM=xcb VISA_SIM_BUS="$work/bus.txt"
export FONTCONFIG_FILE="$(dirname "$0")/fonts.conf"
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

window() {  # name: its id once shown
    for _ in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] &&
            { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window named '$1'" >&2
    return 1
}
shot() {  # name, window
    local X Y WIDTH HEIGHT WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "$2")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/zoom_grid_$1.png"
}

"$build/gu7304" >"$work/out.txt" 2>&1 &
app=$!
frame=$(window "VO Q7304A Soft Front Panel")
sleep 1
# Six samples, a block on the graph, then the Readings window.
xdotool mousemove --window "$frame" 50 248 click --repeat 3 1
xdotool key ctrl+a
xdotool type 6
xdotool key Return
sleep 0.5
xdotool mousemove --window "$frame" 150 75 click 1
sleep 1
xdotool windowfocus --sync "$frame" 2>/dev/null || true
xdotool key alt+d
sleep 0.3
xdotool key Return
readings=$(window "^Readings$")
sleep 1
xdotool mousemove --window "$readings" 130 100 mousedown 1 mousemove --window "$readings" 220 180 \
    mousemove --window "$readings" 280 220 mouseup 1
xdotool mousemove --window "$readings" 215 381
sleep 0.7
shot zoomed "$readings"
for key in Down Up; do
    xdotool mousemove --window "$readings" 100 19 click 1
    sleep 0.3
    xdotool key "$key" Return
    sleep 0.5
done
xdotool mousemove --window "$readings" 215 381
sleep 0.7
shot afresh "$readings"
differ=$(compare -metric AE "$shots/zoom_grid_zoomed.png" "$shots/zoom_grid_afresh.png" null: 2>&1 || true)
[ "$differ" = 0 ] || { echo "the zoomed graph differs from it drawn afresh in $differ pixels" >&2; exit 1; }
