#!/bin/sh
# Draws the proof sheet of the compiled-in font, docs/fontproof.png: every row
# of the font at 24 and 48 pixels, drawn by the editor's own text drawing.
#   sh tools/fontproof.sh [BUILDDIR]     (default build-font)
set -e
cd "$(dirname "$0")/.."
dir=${1:-build-font}
cmake -S . -B "$dir" -DZHEDIT_TESTS=OFF >/dev/null  # a tool: no GoogleTest needed
cmake --build "$dir" --target proofsheet -j2 >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$dir/proofsheet" "$tmp/proof.bmp"
python3 tools/frametopng.py "$tmp/proof.bmp" docs/fontproof.png
