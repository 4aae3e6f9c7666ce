#!/usr/bin/env bash
# Installs what is missing (Debian 12 packages), builds, then runs the front panel or the
# tests.   scripts/setup.sh [run|test|build] [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-run}"
shift || true

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-svg-dev
          libgl1-mesa-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool
          x11-utils imagemagick fonts-dejavu-core libfontconfig-dev python3-pyvisa
          iproute2 libtirpc-dev python3-pyvisa-py lxi-tools librsvg2-bin file)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir="${GU_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja ${GU_CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

case "$mode" in
  build) ;;
  run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display: starting under Xvfb (set DISPLAY to use your own)."
      exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build_dir/gu7304"
    fi
    exec "$build_dir/gu7304"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" --timeout 300 "$@"
    ;;
  *) echo "usage: $0 [run|test|build]" >&2; exit 2 ;;
esac
