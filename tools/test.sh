#!/bin/sh
# Builds zhedit and its tests from scratch and runs them all.
#   sh tools/test.sh             the normal build
#   sh tools/test.sh --sanitize  the same under AddressSanitizer and UndefinedBehaviorSanitizer
set -e
cd "$(dirname "$0")/.."
sh tools/needpackages.sh cmake make g++ libgtest-dev python3
dir=build-test
flags=""
if [ "$1" = "--sanitize" ]; then
    dir=build-sanitize
    flags="-DZHEDIT_SANITIZE=ON"
fi
rm -rf "$dir"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $flags >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j"$(nproc)" --output-on-failure --timeout 300
