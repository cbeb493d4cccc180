#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target briefly from its seed
# corpus; fails when a target finds a crash, a sanitizer report, a broken
# invariant or a hang. New inputs go to a scratch directory, never into the
# checked-in corpus; a failing input is kept in build/fuzz/artifacts/.
#
# Usage: scripts/fuzz-smoke.sh [seconds per target, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-10}"
targets=(launch argument_tail program_search jar)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/artifacts

for target in "${targets[@]}"; do
  mkdir -p "$scratch/$target"
  printf '%s: ' "$target"
  if ! build/fuzz/tests/fuzz/"${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
      -artifact_prefix="build/fuzz/artifacts/${target}-" \
      "$scratch/$target" "tests/fuzz/corpus/$target" >"$scratch/$target.log" 2>&1; then
    echo "FAILED"
    tail -n 40 "$scratch/$target.log"
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$scratch/$target.log" || echo "done"
done
