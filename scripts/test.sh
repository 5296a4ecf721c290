#!/usr/bin/env bash
# The whole test suite from a fresh machine: installs what is missing, checks
# the formatting, builds the native and the Windows build and runs every test
# (natively, under the sanitizers and under Wine). Stages can be named to run
# only some of them:
#   scripts/test.sh [setup] [format] [native] [tsan] [windows] [fuzz] [e2e] [package]
# A stage whose scripts or files are missing fails; nothing is skipped.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

stages=("$@")
[ ${#stages[@]} -eq 0 ] && stages=(setup format native tsan windows fuzz e2e package)
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

# Every tracked C++ file as clang-format (the repository's .clang-format) would
# write it.
format_check() {
  local files=() log="$logdir/format.log"
  mapfile -d '' files < <(git -C "$root" ls-files -z -- '*.cpp' '*.h')
  if [ ${#files[@]} -eq 0 ]; then
    echo "format: no tracked C++ files"
    return 1
  fi
  if ! clang-format --dry-run -Werror "${files[@]}" >"$log" 2>&1; then
    grep -oE '^[^ :]+\.(cpp|h):[0-9]+' "$log" | cut -d: -f1 | sort -u | sed 's/^/  not formatted: /'
    echo "  (clang-format -i FILE formats one; details in $log)"
    return 1
  fi
}

for stage in "${stages[@]}"; do
  case "$stage" in
  setup) step setup "$root/scripts/setup.sh" || exit 1 ;;
  format) step "format check" format_check ;;
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
  fuzz) build_preset fuzz && step "fuzz (short)" "$root/scripts/fuzz.sh" --short ;;
  e2e) step "end-to-end under Wine" "$root/scripts/e2e.sh" ;;
  package)
    step "reproducible build and packages" "$root/scripts/reproducible.sh"
    step "release packages under Wine" "$root/scripts/package-tests.sh"
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
