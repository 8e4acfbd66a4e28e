#!/usr/bin/env bash
# Checks an installed tree (a DESTDIR, or a package unpacked with dpkg -x): the program, its
# menu entry, icons and description are where the desktop looks for them, and the menu entry
# and description pass the desktop's own validators.  Usage: check-install.sh ROOT [PREFIX]
set -euo pipefail
root=$1
prefix=${2:-/usr}
id=org.quorvel.Quorvel
share="$root$prefix/share"
fail=0
expect() {
    if [ -e "$1" ]; then echo "ok: ${1#"$root"}"; else echo "missing: ${1#"$root"}"; fail=1; fi
}
expect "$root$prefix/bin/quorvel"
[ -x "$root$prefix/bin/quorvel" ] || { echo "not executable: $prefix/bin/quorvel"; fail=1; }
expect "$share/applications/$id.desktop"
expect "$share/metainfo/$id.metainfo.xml"
expect "$share/quorvel/quorvel-service.jar"
expect "$share/icons/hicolor/scalable/apps/$id.svg"
for size in 16 32 48 64 128; do
    png="$share/icons/hicolor/${size}x${size}/apps/$id.png"
    expect "$png"
    if [ -e "$png" ] && ! file "$png" | grep -q "PNG image data, $size x $size"; then
        echo "wrong picture: $png"; fail=1
    fi
done
desktop-file-validate "$share/applications/$id.desktop" || fail=1
appstreamcli validate --no-net --pedantic "$share/metainfo/$id.metainfo.xml" || fail=1
# Nothing but the program, its Java service and its desktop files is installed.
extra=$(cd "$root" && find . -type f | grep -v -e "^.$prefix/bin/quorvel$" \
        -e "^.$prefix/share/applications/" -e "^.$prefix/share/metainfo/" \
        -e "^.$prefix/share/icons/hicolor/" -e "^.$prefix/share/quorvel/quorvel-service.jar$" -e "^./DEBIAN/" -e "^.$prefix/share/doc/" || true)
if [ -n "$extra" ]; then echo "unexpected files:"; echo "$extra"; fail=1; fi
exit $fail
