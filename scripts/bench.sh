#!/usr/bin/env bash
# Builds the benchmarks and runs every one of them, then prints the figures: one table of figures,
# each beside the baseline measured in the same run, then the load by entity count and the
# texture files. Programs that need a display run under one (a private Xvfb when none is set).
# The build goes to build-bench/ (or KRESTEL_BENCH_BUILD_DIR); the raw output and the figures are
# kept there as bench-raw.log and bench-results.md, the frame scenes in bench-frames/. Exits
# non-zero when a benchmark program fails.
#   scripts/bench.sh                          everything (several minutes on two cores)
#   KRESTEL_BENCH_MB=10 ...                   a smaller generated load scene (default 50)
#   KRESTEL_BENCH_ROUNDS=3 ...                fewer alternating rounds of frames and images (15)
#   KRESTEL_BENCH_RELOADS=10 ...              fewer reloads of the demo (60)
#   KRESTEL_SCALE_COUNTS="10000 100000" ...   the entity counts of the load by count
#                                             (default 10000 100000 1000000; 2 GB of memory)
# The quickest settings (MB=5 ROUNDS=3 RELOADS=10 SCALE_COUNTS=10000) run in about a minute after
# the build and show that no benchmark has rotted; their figures miss the load targets.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KRESTEL_BENCH_BUILD_DIR:-$root/build-bench}"
megabytes="${KRESTEL_BENCH_MB:-50}"
rounds="${KRESTEL_BENCH_ROUNDS:-15}"
reloads="${KRESTEL_BENCH_RELOADS:-60}"
counts="${KRESTEL_SCALE_COUNTS:-10000 100000 1000000}"
display="$root/scripts/with-display.sh"

echo "Building the benchmarks in $build ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRESTEL_BENCH=ON \
  -DKRESTEL_TESTS=OFF >/dev/null
cmake --build "$build" -j"${KRESTEL_JOBS:-2}" --target krestel_gen_scene bench_load \
  bench_load_peak bench_idle bench_frame bench_reload bench_scale bench_image >/dev/null

work="$(mktemp -d /tmp/krestel-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT
raw="$build/bench-raw.log"
: >"$raw"
bin="$build/bench"
failed=()

run() { # label, file the table rows go to, command...
  local label="$1" rows="$2" status=0
  shift 2
  echo "Running $label ..."
  echo "### $label: $*" >>"$raw"
  "$@" >"$work/out" 2>&1 || status=$?
  cat "$work/out" >>"$raw"
  grep '^| ' "$work/out" | grep -v '^| Figure |' >>"$rows" || true
  if [ "$status" -ne 0 ]; then
    echo "$label FAILED (status $status)"
    failed+=("$label")
  fi
}

run "scene generator" "$work/rows" "$bin/krestel_gen_scene" load "$work/load" "$megabytes"
run "parser against fscanf" "$work/rows" "$bin/bench_load" --scene="$work/load/scene.txt" \
  --benchmark_enable_random_interleaving=true --benchmark_color=false
run "peak memory of the parse step" "$work/rows" "$bin/bench_load_peak" parse \
  "$work/load/scene.txt"
run "whole load under GLUT" "$work/rows" "$display" "$bin/bench_load_peak" load \
  "$work/load/scene.txt"
rm -rf "${work:?}/load"
run "idle step" "$work/rows" "$bin/bench_idle" --benchmark_enable_random_interleaving=true \
  --benchmark_color=false
run "frames against their records replayed" "$work/rows" "$display" "$bin/bench_frame" \
  --rounds="$rounds" --out="$build/bench-frames"
# From the source tree, so the table names the folder as "demo".
run "reloads of the demo" "$work/rows" bash -c 'cd "$1" && shift && "$@"' - "$root" "$display" \
  "$bin/bench_reload" demo "$reloads"
for n in $counts; do
  run "scene of $n cubes" "$work/scale" "$bin/krestel_gen_scene" many "$work/$n" "$n"
  # One frame only past 100,000: the software rasteriser takes seconds over a million cubes.
  frames=$([ "$n" -le 100000 ] && echo 3 || echo 1)
  run "load of $n cubes" "$work/scale" "$display" "$bin/bench_scale" "$work/$n/scene.txt" 5000 \
    "$frames"
  rm -rf "${work:?}/$n"
done
run "texture files" "$work/image" "$display" "$bin/bench_image" "$rounds"

renderer="$(grep -m1 '^GL renderer:' "$raw" | sed 's/^GL renderer: //' || true)"
{
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(awk '/MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo) memory; GL: ${renderer:-unknown}"
  echo "Commit: $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "| Figure | Engine | Baseline (same run) | Ratio | Target | Met |"
  echo "|---|---|---|---|---|---|"
  cat "$work/rows"
  echo
  echo "Load by entity count (bench_scale; $counts):"
  echo
  cat "$work/scale" 2>/dev/null || true
  echo
  echo "Texture files (bench_image, $rounds rounds):"
  echo
  sed '1a |---|---|' "$work/image" 2>/dev/null || true
} >"$build/bench-results.md"
echo
cat "$build/bench-results.md"
echo
echo "Raw output: $raw"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "Failed: ${failed[*]}"
  exit 1
fi
