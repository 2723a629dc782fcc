#!/bin/bash
# Builds every configuration and runs every test: the portable core natively
# under ASan+UBSan and under ThreadSanitizer, the 64-bit module under Wine,
# the shipped 32-bit module's static checks, and a short smoke of each fuzzer.
# Usage: scripts/test.sh [--fuzz-seconds N]
set -uo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=10
while [ $# -gt 0 ]; do
  case "$1" in
    --fuzz-seconds) fuzz_seconds=$2; shift 2 ;;
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
    *) echo "error: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done

scripts/ensure-packages.sh || exit 1

passed=0
failed=0
failures=()

# Runs one preset's build and tests, adding its counts to the totals.
run_preset() {
  local preset=$1 log
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
    failed=$((failed + 1))
    failures+=("$preset: build")
    return
  fi
  echo "=== $preset: tests"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log"
  local summary
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    failed=$((failed + 1))
    failures+=("$preset: no test ran")
  else
    local bad total
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || failures+=("$preset: $bad failed")
  fi
  rm -f "$log"
}

for preset in native native-tsan windows-x86 windows-x64; do
  run_preset "$preset"
done

echo "=== fuzz smoke: ${fuzz_seconds}s per target"
if scripts/fuzz.sh --seconds "$fuzz_seconds"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  failures+=("fuzz smoke")
fi

echo
for failure in "${failures[@]+"${failures[@]}"}"; do
  echo "FAILED: $failure"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
