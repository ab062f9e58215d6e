#!/bin/sh
# Measures the keys per Chinese character that the pinyin input method needs
# on a real text: the Chinese manual pages of the Debian package manpages-zh
# (section 1, in name order, up to LIMIT characters), with each character's
# reading in context from the npm package pinyin-pro. Prints the letters-only
# floor and the figures with the phrase suggestions in dictionary order and
# most frequent first (tools/keysperhanzi.cpp says what the user does).
#   sh tools/keysperhanzi.sh [LIMIT]     default 40000
set -e
cd "$(dirname "$0")/.."
limit=${1:-40000}
manversion=1.6.4.0-1
pinyinversion=3.29.4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# apt-get download writes into the current folder, as its own unprivileged user where it can
(cd "$tmp" && chmod 777 . && apt-get download -q "manpages-zh=$manversion" >/dev/null &&
    dpkg-deb -x manpages-zh_*.deb man)
(cd "$tmp" && npm install --silent --no-audit --no-fund --prefix modules "pinyin-pro@$pinyinversion" >/dev/null)
cmake -S . -B build-tools -DCMAKE_BUILD_TYPE=Release -DZHEDIT_TESTS=OFF >/dev/null
cmake --build build-tools --target keysperhanzi -j"$(nproc)" >/dev/null
node tools/keysreadings.mjs "$tmp/modules" "$limit" \
    $(ls "$tmp"/man/usr/share/man/zh_CN/man1/*.gz | LC_ALL=C sort) >"$tmp/readings.txt"
./build-tools/keysperhanzi "$tmp/readings.txt"
