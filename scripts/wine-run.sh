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
wine "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"
grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'apt-get install wine32' \
  -e '^execute "dpkg' "$err" >&2 || true
rm -f "$out" "$err"
exit $rc
