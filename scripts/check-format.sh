#!/usr/bin/env bash
# Checks that the lines a change touched follow .clang-format: the C++ lines that differ between
# BASE (the first argument, or KRESTEL_FORMAT_BASE, or the commit before HEAD) and the work tree.
# Untouched lines are left as they are, so hand-aligned test tables stay readable. Prints the
# reformatting it wants and exits 1 when a touched line is off; exits 0 otherwise.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
base="${1:-${KRESTEL_FORMAT_BASE:-HEAD~1}}"
if ! git rev-parse -q --verify "$base^{commit}" >/dev/null 2>&1; then
  echo "format check: no base commit '$base', nothing to compare"
  exit 0
fi
formatter=$(command -v clang-format-diff-14 || command -v clang-format-diff || true)
if [ -z "$formatter" ]; then
  echo "format check: clang-format-diff not found (install clang-format)" >&2
  exit 1
fi
wanted=$(git diff -U0 --no-color "$base" -- '*.cpp' '*.h' | "$formatter" -p1 -binary "$(command -v clang-format-14 || command -v clang-format)")
if [ -n "$wanted" ]; then
  echo "format check: lines changed since $base do not follow .clang-format:"
  echo "$wanted"
  exit 1
fi
echo "format check: lines changed since $(git rev-parse --short "$base") follow .clang-format"
