#!/usr/bin/env bash
# Builds bytwacht.exe and runs it under Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cmake --preset windows >/dev/null
cmake --build --preset windows --target bytwacht
. "$root/scripts/wine-env.sh"
bytwacht_ensure_display
bytwacht_ensure_prefix
exec wine "$root/build/windows/app/bytwacht.exe"
