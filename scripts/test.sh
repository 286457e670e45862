#!/usr/bin/env bash
# Installs what is missing, then builds Krestel and runs every test (unit, GL and end-to-end,
# under a private Xvfb when no display is set) in two passes: a plain build in build/ (or
# KRESTEL_BUILD_DIR), then a build with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ (or KRESTEL_ASAN_BUILD_DIR). KRESTEL_SANITIZE_PASS=0 skips the second pass.
# The browser build (build-web/) comes first, so that the plain pass also runs the page in
# headless Chromium. Before building, the lines changed since the last commit are checked
# against .clang-format; both builds treat warnings as errors and leave the benchmarks out
# (scripts/bench.sh builds and runs them). Arguments go to both ctest runs (e.g. -R unit_). Exits
# non-zero when any pass fails.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/check-format.sh" || exit 1

plain="${KRESTEL_BUILD_DIR:-$root/build}"
asan="${KRESTEL_ASAN_BUILD_DIR:-$plain-asan}"
results=()
failed=0
total_passed=0
total_failed=0

# pass NAME BUILD_DIR [cmake options...]: configure, build and run ctest; records the outcome.
pass() {
  local name="$1" dir="$2"
  shift 2
  local begin=$SECONDS status=0
  echo "==== $name pass: building in $dir"
  rm -f "$dir/ctest.log"
  KRESTEL_BUILD_DIR="$dir" "$root/scripts/build.sh" "$@" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "==== $name pass: testing"
    (cd "$dir" && "$root/scripts/with-display.sh" ctest --output-on-failure -j1 "${ctest_args[@]}") \
      2>&1 | tee "$dir/ctest.log"
    status=${PIPESTATUS[0]}
  fi
  local counts
  counts=$(grep -E '^[0-9]+% tests passed' "$dir/ctest.log" 2>/dev/null | tail -1)
  if [[ "$counts" =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    total_failed=$((total_failed + BASH_REMATCH[1]))
    total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  local outcome="passed"
  [ "$status" -eq 0 ] || { outcome="FAILED (status $status)"; failed=1; }
  results+=("$name pass $outcome in $((SECONDS - begin)) s${counts:+: $counts}")
}

ctest_args=("$@")
# The browser build first, so the plain pass's ctest includes the page test (KRESTEL_WEB=0 skips it).
if [ "${KRESTEL_WEB:-1}" != "0" ]; then
  begin=$SECONDS
  if "$root/scripts/build-web.sh"; then
    results+=("web build in $((SECONDS - begin)) s")
  else
    results+=("web build FAILED"); failed=1
  fi
fi
pass plain "$plain" -DKRESTEL_SANITIZE=OFF -DKRESTEL_BENCH=OFF -DKRESTEL_WERROR=ON

if [ "${KRESTEL_SANITIZE_PASS:-1}" != "0" ]; then
  # Leaks are checked when each program ends: the engine frees what it made, on every reload and
  # at exit. What Mesa and the X libraries keep until exit is suppressed (scripts/lsan.supp).
  # Any fault (leak, out-of-bounds access, use after free, undefined behaviour) stops the test
  # that meets it.
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
  # The plain pass soaks for the full minute; under the sanitizers 20 seconds (still at least 300
  # reloads) find the same faults and keep the whole run short.
  KRESTEL_SOAK_SECONDS="${KRESTEL_SOAK_SECONDS:-20}" pass sanitizer "$asan" -DKRESTEL_SANITIZE=ON -DKRESTEL_BENCH=OFF -DKRESTEL_WERROR=ON
else
  results+=("sanitizer pass skipped (KRESTEL_SANITIZE_PASS=0)")
fi

echo "==== summary"
for line in "${results[@]}"; do echo "$line"; done
echo "ctest: $total_passed passed, $total_failed failed"
exit "$failed"
