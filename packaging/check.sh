#!/usr/bin/env bash
# The Debian package end to end: builds it with CPack, checks it with lintian and
# desktop-file-validate, installs it with apt-get, starts the installed front panel under
# Xvfb on its built-in simulated instrument and sees it come up live, then removes it and
# checks that nothing of it is left.   packaging/check.sh [build dir]
# Needs root (or sudo) for apt-get; refuses to run when gu7304 is already installed.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--in-display" ]; then
  # Run by xvfb-run below: the installed program, started as a user would, from an empty
  # folder with nothing pointing at the build. Prints the program's pid, then waits for its
  # window and its modules.
  work="$2"
  cd "$work"
  env -u UIRT_MODULE_PATH -u LD_LIBRARY_PATH -u VISA_SIM_BUS PATH=/usr/bin:/bin \
    VISA_SIM_TRACE="$work/trace.txt" gu7304 > "$work/program.log" 2>&1 &
  pid=$!
  echo "$pid" > "$work/pid"
  window=""
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || { echo "gu7304 ended early" >&2; exit 1; }
    window="$(xdotool search --all --pid "$pid" --name "Q7304A Soft Front Panel" 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && grep -q '"CONF?' "$work/trace.txt" 2>/dev/null && break
    sleep 0.1
  done
  status=0
  if [ -z "$window" ]; then
    echo "no window of gu7304 came up" >&2
    status=1
  else
    echo "window: $(xdotool getwindowname "$window")"
  fi
  readlink "/proc/$pid/exe" > "$work/exe"
  grep -o '/[^ ]*\.\(lib\|so\)$' "/proc/$pid/maps" | sort -u > "$work/maps" || true
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  exit "$status"
fi

build="${1:-build}"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
fail() { echo "packaging check: FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

if dpkg-query -W -f='${Status}' gu7304 2>/dev/null | grep -q "install ok installed"; then
  fail "gu7304 is installed on this machine; remove it first (apt-get remove gu7304)"
fi

work="$(mktemp -d)"
installed=0
cleanup() {
  if [ -f "$work/pid" ]; then kill -KILL "$(cat "$work/pid")" 2>/dev/null || true; fi
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive timeout 300 $sudo_cmd apt-get remove -y -qq gu7304 >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

version="$(sed -n 's/^project(gu7304 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

step "package"
cmake --build "$build" >/dev/null
rm -f "$build"/gu7304_*.deb
(cd "$build" && timeout 300 cpack -G DEB) > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb="$(realpath "$build"/gu7304_*.deb)"
[ -f "$deb" ] || fail "cpack made no gu7304_*.deb"
echo "$deb"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
changelog_version="$(sed -n '1s/^gu7304 (\([^)]*\)).*/\1/p' packaging/changelog)"
[ "$changelog_version" = "$version" ] || fail "packaging/changelog's newest entry is $changelog_version, not $version"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$work/contents"
! grep -q '/variants/' "$work/contents" || fail "the package holds test variants"

step "lintian"
lintian --fail-on error "$deb" 2>&1 | grep -v "running with root privileges" | tee "$work/lintian.txt" \
  || true
! grep -q '^E:' "$work/lintian.txt" || fail "lintian found errors"
step "desktop-file-validate"
desktop-file-validate packaging/gu7304.desktop || fail "desktop entry"

step "install"
installed=1
DEBIAN_FRONTEND=noninteractive timeout 300 $sudo_cmd apt-get install -y -qq "$deb" > "$work/apt.log" 2>&1 \
  || { cat "$work/apt.log"; fail "apt-get install"; }
[ "$(command -v gu7304)" = /usr/bin/gu7304 ] || fail "gu7304 is not /usr/bin/gu7304"
[ "$(readlink -f /usr/bin/gu7304)" = /usr/lib/gu7304/gu7304 ] || fail "/usr/bin/gu7304 is no link to /usr/lib/gu7304/gu7304"
for f in gu7304.uir visa32.lib voq7304.lib uirt_chart.so; do
  [ -f "/usr/lib/gu7304/$f" ] || fail "/usr/lib/gu7304/$f missing"
done
for f in /usr/lib/gu7304/* /usr/bin/visa-sim-server; do
  [ -f "$f" ] || continue
  file -b "$f" | grep -q '^ELF' || continue
  paths="$(readelf -d "$f" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')"
  [ -z "$paths" ] || [ "$paths" = '$ORIGIN' ] || fail "$f searches $paths"
done
desktop-file-validate /usr/share/applications/gu7304.desktop || fail "installed desktop entry"
[ -f /usr/share/icons/hicolor/scalable/apps/gu7304.svg ] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  file -b "/usr/share/icons/hicolor/${size}x${size}/apps/gu7304.png" | grep -q "PNG image data, $size x $size," \
    || fail "no ${size}x${size} icon"
done
[ -f /usr/share/man/man1/gu7304.1.gz ] || fail "no manual page for gu7304"
[ -f /usr/share/doc/gu7304/copyright ] || fail "no copyright file"

if [ -x /usr/bin/visa-sim-server ]; then
  step "visa-sim-server"
  out="$(timeout 10 /usr/bin/visa-sim-server --version)" || fail "visa-sim-server --version"
  echo "$out"
  [[ "$out" == *"$version"* ]] || fail "visa-sim-server --version does not print $version"
  [ -f /usr/share/man/man1/visa-sim-server.1.gz ] || fail "no manual page for visa-sim-server"
  unit=/usr/lib/systemd/system/visa-sim-server.service
  [ -f "$unit" ] || fail "no systemd unit"
  grep -q '^ExecStart=.*"/usr/bin/visa-sim-server"' "$unit" || fail "the unit does not start /usr/bin/visa-sim-server"
  if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$unit" || fail "systemd-analyze verify"
  fi
  # Installed, never enabled nor started.
  ! ls /etc/systemd/system/*.wants/visa-sim-server.service >/dev/null 2>&1 || fail "the service was enabled"
  for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" != /usr/bin/visa-sim-server ] || fail "visa-sim-server is running"
  done
fi

step "the installed gu7304 under Xvfb"
timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$PWD/packaging/check.sh" --in-display "$work" \
  || { cat "$work/program.log" 2>/dev/null; fail "gu7304 did not come up"; }
[ "$(cat "$work/exe")" = /usr/lib/gu7304/gu7304 ] || fail "the program that ran was $(cat "$work/exe")"
grep -qx /usr/lib/gu7304/visa32.lib "$work/maps" || fail "visa32.lib was not loaded from /usr/lib/gu7304"
grep -qx /usr/lib/gu7304/voq7304.lib "$work/maps" || fail "voq7304.lib was not loaded from /usr/lib/gu7304"
trace="$work/trace.txt"
grep -q '^viOpen(.*"VXI0::24::INSTR".*) = VI_SUCCESS' "$trace" || fail "the instrument was not opened"
grep -A1 '"\*IDN?' "$trace" | grep -q 'data=".*,Q7304A,' || fail "no identification read back"
grep -A1 '"CONF?' "$trace" | grep -q '^viRead(.*= VI_SUCCESS.*data="\\"VOLT' || fail "settings were not read back"
echo "live: $(grep -c '^viWrite' "$trace") commands sent, settings read back"

step "remove"
DEBIAN_FRONTEND=noninteractive timeout 300 $sudo_cmd apt-get remove -y -qq gu7304 > "$work/apt.log" 2>&1 \
  || { cat "$work/apt.log"; fail "apt-get remove"; }
installed=0
case "$(dpkg-query -W -f='${Status}' gu7304 2>/dev/null || true)" in
  *" installed" | *config-files) fail "gu7304 is still installed" ;;
esac
while read -r path; do
  case "$path" in */) continue ;; esac
  [ ! -e "$path" ] && [ ! -L "$path" ] || fail "$path is left after removal"
done < "$work/contents"
for dir in /usr/lib/gu7304 /usr/share/doc/gu7304; do
  [ ! -e "$dir" ] || fail "$dir is left after removal"
done
echo "packaging check: passed"
