#!/usr/bin/env bash
# Renders the graph of made-up histories (each bar mode, the hover read-out,
# the waiting state) under Wine and leaves PNG files in build/windows/artifacts.
#   scripts/render-graph.sh [--no-build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/windows"
if [ "${1:-}" != "--no-build" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target render_graph -j 2
fi
out="$build/artifacts"
mkdir -p "$out"
rm -f "$out"/graph-*.bmp
"$root/scripts/wine-run.sh" "$build/tests/view/render_graph.exe" "Z:$out"
for bmp in "$out"/graph-*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
ls "$out"/graph-*.png
