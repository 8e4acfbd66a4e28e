#!/usr/bin/env bash
# Unpacks a built Debian package into a scratch root and checks what it installs and what it
# declares.  Usage: check-package.sh PACKAGE.deb
set -euo pipefail
deb=$1
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
fail=0
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
for lib in libqscintilla2-qt6 libqt6widgets6 libc6; do
    grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib"; fail=1; }
done
grep -q jdk <<<"$recommends" || { echo "Recommends lacks a JDK"; fail=1; }
"$here/check-install.sh" "$scratch" /usr || fail=1
exit $fail
