#!/usr/bin/env bash
# Builds the benchmarks and runs them all, then prints one table of figures, each beside the
# baseline measured in the same run. Frame benchmarks run under a display (a private Xvfb when
# none is set). The build goes to build-bench/ (or KRESTEL_BENCH_BUILD_DIR); the raw output and
# the table are kept there as bench-raw.log and bench-results.md, and the frame scenes with the
# engine's and the reference renderer's pictures in bench-frames/.
#   scripts/bench.sh            everything (about three minutes on two cores)
#   KRESTEL_BENCH_MB=10 ...     a smaller generated load scene
#   KRESTEL_BENCH_ROUNDS=3 ...  fewer alternating rounds of frames
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KRESTEL_BENCH_BUILD_DIR:-$root/build-bench}"
megabytes="${KRESTEL_BENCH_MB:-50}"
rounds="${KRESTEL_BENCH_ROUNDS:-15}"

echo "Building the benchmarks in $build ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRESTEL_BENCH=ON >/dev/null
cmake --build "$build" -j"${KRESTEL_JOBS:-2}" --target krestel_gen_scene bench_load \
  bench_load_peak bench_idle bench_frame >/dev/null

work="$(mktemp -d /tmp/krestel-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT
raw="$build/bench-raw.log"
: >"$raw"
bin="$build/bench"

run() { # label, command...
  local label="$1"
  shift
  echo "Running $label ..."
  echo "### $label: $*" >>"$raw"
  "$@" 2>&1 | tee -a "$raw" | grep '^| ' | grep -v '^| Figure |' >>"$work/rows" || true
}

"$bin/krestel_gen_scene" load "$work/load" "$megabytes" | tee -a "$raw"
run "parser against fscanf" "$bin/bench_load" --scene="$work/load/scene.txt" \
  --benchmark_enable_random_interleaving=true --benchmark_color=false
run "peak memory of the parse step" "$bin/bench_load_peak" parse "$work/load/scene.txt"
run "whole load under GLUT" "$root/scripts/with-display.sh" "$bin/bench_load_peak" load \
  "$work/load/scene.txt"
run "idle step" "$bin/bench_idle" --benchmark_enable_random_interleaving=true \
  --benchmark_color=false
run "frames against the reference renderer" "$root/scripts/with-display.sh" \
  "$bin/bench_frame" --rounds="$rounds" --out="$build/bench-frames"

renderer="$(grep -m1 '^GL renderer:' "$raw" | sed 's/^GL renderer: //' || true)"
{
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(awk '/MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo) memory; GL: ${renderer:-unknown}"
  echo "Commit: $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "| Figure | Engine | Baseline (same run) | Ratio | Target | Met |"
  echo "|---|---|---|---|---|---|"
  cat "$work/rows"
} >"$build/bench-results.md"
echo
cat "$build/bench-results.md"
echo
echo "Raw output: $raw"
