#!/bin/sh
# Rebuilds the compiled-in stroke font, font/ku500.cpp, from its sources
# (data/SOURCES.md): the npm package hanzi-writer-data and the Debian package
# hershey-fonts-data are fetched into a temporary folder and converted by
# tools/makefont.py.  The result is the same file byte for byte.
#   sh tools/regenerate-font.sh                      fetch, then convert
#   sh tools/regenerate-font.sh HANZIDIR HERSHEYDIR  convert unpacked copies
set -e
cd "$(dirname "$0")/.."
hanziversion=2.0.1
hersheyversion=0.1-1.1
if [ $# -eq 2 ]; then
    hanzi=$1
    hershey=$2
else
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    (cd "$tmp" && npm pack --silent "hanzi-writer-data@$hanziversion" >/dev/null &&
        tar xzf "hanzi-writer-data-$hanziversion.tgz")
    # apt-get download writes into the current folder
    (cd "$tmp" && chmod 777 . && apt-get download -q "hershey-fonts-data=$hersheyversion" >/dev/null &&
        dpkg-deb -x hershey-fonts-data_*.deb hershey)
    hanzi=$tmp/package
    hershey=$tmp/hershey/usr/share/hershey-fonts
fi
python3 tools/makefont.py --hanzi "$hanzi" --hershey "$hershey" -o font/ku500.cpp
