#!/usr/bin/env bash
# Runs one Windows program under Wine (used by ctest as the cross-compiling
# emulator of the Windows build).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh"
bytwacht_ensure_display
bytwacht_ensure_prefix
# Wine's helper processes outlive the program; give them files rather than our
# pipes, or whoever reads our output would wait for them forever.
out=$(mktemp)
err=$(mktemp)
run() {
  wine "$@" >"$out" 2>"$err" </dev/null
}
run "$@"
rc=$?
# A program that failed without printing a line never reached its own code
# (every test program prints before its first test): Wine could not start it,
# for example while the prefix's server was busy going down. That is no verdict
# on the program, so it gets one more start, this time with Wine's error
# messages, which say why when it fails again.
if [ "$rc" -ne 0 ] && [ ! -s "$out" ]; then
  printf 'wine-run: %s ended with exit code %d (0x%08x) before printing anything; starting it once more\n' \
    "$1" "$rc" "$rc" >&2
  cat "$err" >&2
  WINEDEBUG=fixme-all run "$@"
  rc=$?
fi
cat "$out"
grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'apt-get install wine32' \
  -e '^execute "dpkg' "$err" >&2 || true
rm -f "$out" "$err"
exit $rc
