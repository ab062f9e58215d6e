#!/bin/sh
# Regenerates the input method's dictionaries, ime/inpywb.cpp and
# ime/inputchi.cpp, from the Debian packages they are made from.
#
#   tools/regenerate-dict.sh          (from anywhere; needs apt-get, dpkg-deb, python3)
#
# The package versions are pinned so that the output is byte for byte the
# committed one; set WUBI_VERSION / PINYIN_VERSION to build from others.
# See data/SOURCES.md.
set -eu

WUBI_VERSION=${WUBI_VERSION:-0.0~git20200908.f1876f0-3}
PINYIN_VERSION=${PINYIN_VERSION:-0.0~git20230104.52b9c75-1}

root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
# apt-get download writes as its own unprivileged user where it can.
chmod 0777 "$work"

cd "$work"
apt-get download "rime-data-wubi=$WUBI_VERSION" "rime-data-pinyin-simp=$PINYIN_VERSION"
for deb in ./*.deb; do
  dpkg-deb -x "$deb" tree
done
data=tree/usr/share/rime-data
python3 "$root/tools/makedict.py" \
  --wubi "$data/wubi86.dict.yaml" \
  --pinyin "$data/pinyin_simp.dict.yaml" \
  --out "$root/ime"
