#!/bin/sh
# Builds zhedit and its tests from scratch and runs them all.
#   sh tools/test.sh             the normal build
#   sh tools/test.sh --sanitize  the same under AddressSanitizer and UndefinedBehaviorSanitizer,
#                                leaving out the tests that only check generated data
# Further options (CI gives them):
#   --werror      warnings are errors
#   --benchmarks  build the benchmarks too, without running them (installs Google Benchmark)
set -e
cd "$(dirname "$0")/.."
sh tools/needpackages.sh cmake make g++ libgtest-dev python3
dir=build-test
flags=""
skip=""
for arg in "$@"; do
    case "$arg" in
        --sanitize) dir=build-sanitize; flags="$flags -DZHEDIT_SANITIZE=ON"; skip="-LE data" ;;
        --werror) flags="$flags -DZHEDIT_WERROR=ON" ;;
        --benchmarks) sh tools/needpackages.sh libbenchmark-dev; flags="$flags -DZHEDIT_BENCHMARKS=ON" ;;
        *) echo "usage: $0 [--sanitize] [--werror] [--benchmarks]" >&2; exit 2 ;;
    esac
done
rm -rf "$dir"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $flags >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j"$(nproc)" --output-on-failure --timeout 300 $skip
