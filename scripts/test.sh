#!/usr/bin/env bash
# The whole test suite from a fresh machine: installs what is missing, builds
# the native and the Windows build and runs every test (natively, under the
# sanitizers and under Wine). Stages can be named to run only some of them:
#   scripts/test.sh [setup] [native] [tsan] [windows] [fuzz] [e2e]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

stages=("$@")
[ ${#stages[@]} -eq 0 ] && stages=(setup native tsan windows fuzz e2e)
jobs="${BYTWACHT_JOBS:-$(nproc)}"
logdir="$root/build/test-logs"
mkdir -p "$logdir"

passed=0
failed=0
failures=()

# Adds the counts of one ctest run (from its summary line) to the totals.
count_ctest() {
  local log="$1" name="$2" line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ] && grep -q 'No tests were found' "$log"; then
    return
  fi
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    failures+=("$name: no test summary")
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  [ "$bad" -gt 0 ] && failures+=("$name: $bad failed")
}

step() {
  local name="$1"
  shift
  echo "=== $name"
  if ! "$@"; then
    failed=$((failed + 1))
    failures+=("$name")
    return 1
  fi
}

ctest_preset() {
  local preset="$1"
  shift
  local log="$logdir/ctest-$preset.log"
  ctest --preset "$preset" -j "$jobs" "$@" 2>&1 | tee "$log" | grep -vE '^ *([0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+: )' || true
  count_ctest "$log" "ctest $preset"
}

build_preset() {
  local preset="$1"
  step "configure $preset" cmake --preset "$preset" >"$logdir/configure-$preset.log" 2>&1 ||
    { tail -n 40 "$logdir/configure-$preset.log"; return 1; }
  step "build $preset" cmake --build --preset "$preset" -j "$jobs" >"$logdir/build-$preset.log" 2>&1 ||
    { grep -E 'error|Error' "$logdir/build-$preset.log" | head -n 40; return 1; }
}

for stage in "${stages[@]}"; do
  case "$stage" in
  setup) step setup "$root/scripts/setup.sh" || exit 1 ;;
  native) build_preset native && ctest_preset native ;;
  tsan) build_preset native-tsan && ctest_preset native-tsan -L concurrency ;;
  windows)
    if build_preset windows; then
      . "$root/scripts/wine-env.sh"
      bytwacht_ensure_display
      bytwacht_ensure_prefix
      ctest_preset windows
    fi
    ;;
  fuzz)
    if [ -x "$root/scripts/fuzz.sh" ] && [ -d "$root/fuzz" ] && ls "$root"/fuzz/*.cpp >/dev/null 2>&1; then
      build_preset fuzz && step "fuzz (short)" "$root/scripts/fuzz.sh" --short
    fi
    ;;
  e2e)
    if [ -x "$root/scripts/e2e.sh" ]; then
      step "end-to-end under Wine" "$root/scripts/e2e.sh"
    fi
    ;;
  *) echo "unknown stage: $stage"; exit 2 ;;
  esac
done

echo
if [ ${#failures[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failures[@]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
