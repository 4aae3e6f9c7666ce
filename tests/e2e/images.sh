#!/usr/bin/env bash
# The image checks under a private Xvfb: at the normal size against the reference images,
# then at twice the scale and with a larger font for the invariant and the layout.
#   images.sh <build dir> check|update <references> <output>
set -euo pipefail
build="$1" mode="$2" references="$3" output="$4"
rm -rf "$output"
mkdir -p "$output"

display=":$(( 200 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

# Fonts pinned (tests/e2e/fonts.conf), with a font cache of the run's own.
export FONTCONFIG_FILE="$(cd "$(dirname "$0")" && pwd)/fonts.conf" XDG_CACHE_HOME="$output/cache"
export DISPLAY="$display" QT_QPA_PLATFORM=xcb QT_FONT_DPI=96
unset VISA_SIM_BUS VISA_SIM_TRACE QT_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING
# Once more when the X server turned the connection away, as Xvfb now and then does.
images() {  # arguments of panel_images
    local status log="$output/panel_images.log"
    for _ in 1 2 3; do
        status=0
        "$build/panel_images" "$@" 2>"$log" || status=$?
        grep -q 'could not connect to display' "$log" || { cat "$log" >&2; return "$status"; }
    done
    cat "$log" >&2
    return "$status"
}
images "$mode" "$references" "$output/normal"
[ "$mode" = update ] && exit 0
QT_SCALE_FACTOR=2 images invariant "$output/scale2"
QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=144 images invariant "$output/font144"
