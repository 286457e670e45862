#!/usr/bin/env bash
# The load's growth with the entity count: writes scenes of 10,000, 100,000 and 1,000,000 lit
# cubes (about 2, 21 and 212 MB) and runs bench_scale on each in a process of its own, under a
# display. About a minute on two cores, most of it writing the scenes; needs 2 GB of memory.
#   bench/scale.sh [build folder]          (default build-bench, as scripts/bench.sh builds it)
#   KRESTEL_SCALE_COUNTS="10000 100000" bench/scale.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-bench}"
counts="${KRESTEL_SCALE_COUNTS:-10000 100000 1000000}"
cmake --build "$build" -j"${KRESTEL_JOBS:-2}" --target krestel_gen_scene bench_scale >/dev/null
work="$(mktemp -d /tmp/krestel-scale-XXXXXX)"
trap 'rm -rf "$work"' EXIT
for n in $counts; do
  "$build/bench/krestel_gen_scene" many "$work/$n" "$n"
  # One frame only past 100,000: the software rasteriser takes seconds over a million cubes.
  frames=$([ "$n" -le 100000 ] && echo 3 || echo 1)
  "$root/scripts/with-display.sh" "$build/bench/bench_scale" "$work/$n/scene.txt" 5000 "$frames" |
    grep '^| '
  rm -rf "${work:?}/$n"
done
