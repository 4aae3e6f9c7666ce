#!/usr/bin/env bash
# Builds the benchmarks (if needed) and runs them all; one table line per figure:
#   name | value unit | goal | met/NOT met
# Usage: bench/run.sh [build dir]   (default: <source>/build-bench)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$src/build-bench}"
[ -f "$build/build.ninja" ] || cmake -S "$src" -B "$build" -G Ninja >/dev/null
build="$(cd "$build" && pwd)"
ninja -C "$build" -j2 bench_runner bench_inprocess bench_baseline_window bench_startup_program \
  bench_idle_program bench_first_show gu7304 visa32 voq7304 gu7304_uir uirt_chart >/dev/null
export QT_QPA_PLATFORM=offscreen
cd "$build"
"$build/bench_inprocess" 2>"$build/bench_inprocess.log" | tee -a "$build/bench_inprocess.log" \
  | grep ' | ' || true
"$build/bench_runner"
ninja -C "$build" -j2 bench_data_inprocess bench_trend_program bench_trend_runner >/dev/null && "$build/bench_data_inprocess" 2>"$build/bench_data.log" | tee -a "$build/bench_data.log" | grep ' | ' || true; "$build/bench_trend_runner"
# The LAN server, in a private network namespace (skipped where none can be made).
ninja -C "$build" -j2 bench_lan visa-sim-server >/dev/null && \
  "$src/tests/support/in_netns.sh" "$build/bench_lan" "$build/visa-sim-server" 2>/dev/null || true
# Our VISA library's LAN sessions against pyvisa-py and the floor, likewise.
ninja -C "$build" -j2 bench_lan_client visa-sim-server >/dev/null && \
  "$src/tests/support/in_netns.sh" "$build/bench_lan_client" "$build/visa-sim-server" 2>/dev/null || true
