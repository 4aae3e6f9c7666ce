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
