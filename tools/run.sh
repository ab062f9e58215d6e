#!/bin/sh
# Builds zhedit (installing the build tools when missing) and starts it on
# the given file. It needs a framebuffer console (/dev/fb0).
set -e
cd "$(dirname "$0")/.."
sh tools/needpackages.sh cmake make g++
cmake -S . -B build -DZHEDIT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target zhedit >/dev/null
exec ./build/zhedit "$@"
