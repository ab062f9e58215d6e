#!/bin/sh
# Developer preview: runs zhedit on this terminal against the virtual
# framebuffer and keeps its latest screen as a PNG picture.
#
#   sh tools/preview.sh [file]           edit file; the screen is in preview/screen.png
#   sh tools/preview.sh --png IN OUT     turn a frame file or a BMP (aaaaa.bmp) into a PNG
#
# The keyboard goes to zhedit as on the console: F7 leaves, F8 saves and leaves.
# zhedit runs inside the preview folder, so aaaaa.txt, aaaaa.bmp (also kept as
# aaaaa.png) and the clipboard file (clip.txt, instead of /tmp/clip.txt) all
# stay there.
#
# Settings from the environment:
#   ZHEDIT_PREVIEW_SIZE   screen size WxH, default 1024x768
#   ZHEDIT_PREVIEW_DIR    preview folder, default preview/ in the source tree
#   ZHEDIT_PREVIEW_BUILD  build folder, default build-preview/ in the source tree
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
python=${PYTHON:-python3}

if [ "$1" = "--png" ]; then
    [ $# -eq 3 ] || { echo "usage: $0 --png INPUT OUTPUT.png" >&2; exit 2; }
    exec "$python" "$root/tools/frametopng.py" "$2" "$3"
fi

size=${ZHEDIT_PREVIEW_SIZE:-1024x768}
dir=${ZHEDIT_PREVIEW_DIR:-$root/preview}
build=${ZHEDIT_PREVIEW_BUILD:-$root/build-preview}

# Paths given on the command line are the caller's; zhedit runs in the preview folder.
for arg in "$@"; do
    case "$arg" in
        /*) ;;
        *) arg="$PWD/$arg" ;;
    esac
    set -- "$@" "$arg"
    shift
done

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# Build what is missing or out of date, without the tests (the preview needs
# neither them nor GoogleTest); the log is shown only when that fails.
log="$dir/build.log"
{
    if ! grep -q '^ZHEDIT_TESTS:BOOL=OFF$' "$build/CMakeCache.txt" 2>/dev/null; then
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZHEDIT_TESTS=OFF
    fi
    cmake --build "$build" --target zhedit zheditvfb -j2
} >"$log" 2>&1 || { cat "$log" >&2; echo "preview: the build failed" >&2; exit 1; }
program="$build/zhedit"
vfblib="$build/tools/vfb/libzheditvfb.so"
[ -x "$program" ] && [ -f "$vfblib" ] || { echo "preview: build did not produce zhedit and its framebuffer" >&2; exit 1; }
frame="$dir/frame"
fifo="$dir/frames.fifo"
png="$dir/screen.png"
rm -f "$frame" "$fifo"
mkfifo "$fifo"

"$python" "$root/tools/frametopng.py" --watch "$frame" "$png" --fifo "$fifo" &
watcher=$!
trap 'kill "$watcher" 2>/dev/null || true; rm -f "$fifo"' EXIT
trap 'exit 130' HUP INT TERM

echo "preview: screen in $png (F7 leaves, F8 saves and leaves)" >&2
status=0
(
    cd "$dir"
    unset FRAMEBUFFER  # the virtual framebuffer answers for /dev/fb0 only
    ZHEDIT_VFB_SIZE=$size ZHEDIT_VFB_FRAME=$frame ZHEDIT_VFB_NOTIFY=$fifo ZHEDIT_VFB_CLIP=$dir/clip.txt \
        ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
        LD_PRELOAD=$vfblib exec "$program" "$@"
) || status=$?

# The last frame and the screenshot, whatever the watcher had time for.
[ -f "$frame" ] && "$python" "$root/tools/frametopng.py" "$frame" "$png" || true
[ -f "$dir/aaaaa.bmp" ] && "$python" "$root/tools/frametopng.py" "$dir/aaaaa.bmp" "$dir/aaaaa.png" || true
echo "preview: zhedit ended with status $status; last screen in $png" >&2
exit "$status"
