#!/usr/bin/env bash
# Runs one fuzz target for a given time: fuzz/run.sh TARGET SECONDS (TARGET is parse_scene or
# decode_image). Builds the targets first, starts from the seed corpus and the regression inputs,
# keeps going after a finding until the time is used, and prints the executions, executions per
# second and findings. Findings are copied to build-fuzz/findings/TARGET/; once fixed, move each
# into fuzz/regressions/TARGET/ so the tests replay it. Exits 1 when anything was found.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
target="${1:?usage: fuzz/run.sh TARGET SECONDS}"
seconds="${2:?usage: fuzz/run.sh TARGET SECONDS}"
out="${KRESTEL_FUZZ_BUILD_DIR:-$root/build-fuzz}"
[ -d "$root/fuzz/corpus/$target" ] || { echo "no corpus for target '$target'" >&2; exit 2; }

"$root/fuzz/build.sh" >/dev/null
work="$out/work/$target"
findings="$out/findings/$target"
logs="$out/logs/$target"
mkdir -p "$work" "$findings" "$logs" "$root/fuzz/regressions/$target"
dict=()
[ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")

start=$(date +%s)
executions=0
runs=0
summaries=()
while :; do
  left=$((start + seconds - $(date +%s)))
  [ "$left" -gt 0 ] || break
  runs=$((runs + 1))
  log="$logs/run-$runs.log"
  artifacts="$out/artifacts/$target/run-$runs/"
  mkdir -p "$artifacts"
  # -timeout: an input that takes seconds is a hang for a decoder of a few kilobytes.
  status=0
  "$out/$target" -max_total_time="$left" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts" "${dict[@]}" "$work" "$root/fuzz/corpus/$target" \
    "$root/fuzz/regressions/$target" >"$log" 2>&1 || status=$?
  n=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
  if [ -z "$n" ]; then
    # A crash ends the run before the final statistics: take the last progress line.
    n=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
  fi
  executions=$((executions + ${n:-0}))
  for file in "$artifacts"*; do
    [ -e "$file" ] || continue
    cp "$file" "$findings/"
    summary=$(grep -m1 -E 'SUMMARY|runtime error|invariant broken|ERROR: libFuzzer' "$log" || true)
    summaries+=("$(basename "$file"): ${summary:-exit $status}")
  done
  if [ "$status" -ne 0 ] && [ -z "$(ls -A "$artifacts")" ]; then
    echo "fuzzer stopped with status $status and no finding; see $log" >&2
    break
  fi
done
elapsed=$(( $(date +%s) - start ))
[ "$elapsed" -gt 0 ] || elapsed=1
echo "target:     $target"
echo "duration:   ${elapsed} s in $runs run(s)"
echo "executions: $executions"
echo "exec/s:     $((executions / elapsed))"
echo "corpus:     $(ls "$work" | wc -l) inputs in $work"
echo "findings:   ${#summaries[@]}"
for s in "${summaries[@]}"; do echo "  $s"; done
[ "${#summaries[@]}" -eq 0 ]
