#!/bin/sh
# Installs the Debian packages that building and testing zhedit need, when
# they are missing and we are root; otherwise only says what is missing.
set -e
missing=""
for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
else
    echo "missing Debian packages:$missing (install them as root: apt-get install$missing)" >&2
    exit 1
fi
