#!/usr/bin/env bash
# Remakes the README's pictures from the real program: scripts/run.sh shows
# Bytwacht on a virtual screen watching loopback traffic; the graph window and
# the icon's tip are cut out of its screenshots into docs/.
# Captures on loopback: run it under the suite lock.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
env -u DISPLAY "$root/scripts/run.sh" >/dev/null
shots="$root/build/run-screenshots"
# No time chunks: the same picture gives the same file.
keep() { convert "$1" -crop "$2" +repage -define png:exclude-chunks=date,time "$3"; }
keep "$shots/window.png" 500x200+40+40 "$root/docs/bytwacht-graph.png"
keep "$shots/tray-tip.png" 260x92+764+676 "$root/docs/bytwacht-tip.png"
echo "docs-screenshots: docs/bytwacht-graph.png docs/bytwacht-tip.png"
