#!/usr/bin/env bash
# Runs the libFuzzer targets of the `fuzz` build.
#   scripts/fuzz.sh --short                  a few seconds per target (CI)
#   scripts/fuzz.sh --time SECONDS [target]  each target for that long
#   scripts/fuzz.sh --runs N [target]        each target for N executions
# New inputs go to build/fuzz/corpus/<target> (the seeds in fuzz/corpus stay
# as they are); findings to build/fuzz/findings. Exit status 1 on any finding.
# Wrapped in a function: bash then reads all of it before running, so editing
# the file does not disturb a long run.
set -uo pipefail

main() {
  root="$(cd "$(dirname "$0")/.." && pwd)"
  build="$root/build/fuzz"

  seconds=5
  runs=-1
  targets=()
  while [ $# -gt 0 ]; do
    case "$1" in
    --short) seconds=5; runs=-1 ;;
    --time) seconds="$2"; shift ;;
    --runs) runs="$2"; seconds=0; shift ;;
    -h | --help) sed -n "2,7p" "$0"; return 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; return 2 ;;
    *) targets+=("$1") ;;
    esac
    shift
  done

  if [ ${#targets[@]} -eq 0 ]; then
    for src in "$root"/fuzz/*_fuzzer.cpp; do
      targets+=("$(basename "$src" .cpp)")
    done
  fi

  if ! [ -d "$build" ]; then
    cmake --preset fuzz >/dev/null || return 1
  fi
  cmake --build --preset fuzz -j "${BYTWACHT_JOBS:-2}" >/dev/null || return 1

  mkdir -p "$build/findings"
  status=0
  for t in "${targets[@]}"; do
    exe="$build/fuzz/$t"
    if ! [ -x "$exe" ]; then
      echo "fuzz $t: no such target in the build"
      status=1
      continue
    fi
    work="$build/corpus/$t"
    mkdir -p "$work"
    seeds="$root/fuzz/corpus/$t"
    # Longer inputs only slow these targets down: a settings file is a few
    # lines, a packet record at most 261 bytes, a few dozen of them.
    case "$t" in
    settings_fuzzer) max_len=512 ;;
    packet_fuzzer) max_len=2048 ;;
    *) max_len=1024 ;;
    esac
    dict=()
    [ -f "$root/fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
    log="$build/$t.log"
    # An outer limit in case the fuzzer itself hangs: a run count has no time
    # bound of its own, so it gets a generous one.
    limit=$((seconds > 0 ? seconds + 120 : 7200))
    timeout --signal=KILL "$limit" "$exe" -max_total_time="$seconds" -runs="$runs" -timeout=10 -max_len="$max_len" \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "${dict[@]}" \
      "$work" "$seeds" >"$log" 2>&1
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    # Without final statistics (interrupted), the last progress line tells.
    [ -z "$execs" ] && execs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    echo "$(date -u +%FT%TZ) $t ${execs:-0} exit=$rc" >>"$build/executions.log"
    if [ $rc -eq 72 ] && ! grep -q 'Test unit written' "$log"; then
      echo "fuzz $t: interrupted after ${execs:-?} executions, no finding"
    elif [ $rc -ne 0 ]; then
      echo "fuzz $t: FINDING or failure (exit $rc), see $log"
      grep -E 'ERROR|SUMMARY|_fuzzer:|Test unit written' "$log" | head -n 20
      status=1
    else
      echo "fuzz $t: ${execs:-?} executions, ${rate:-?}/s, no finding"
    fi
  done
  return $status
}

main "$@"
