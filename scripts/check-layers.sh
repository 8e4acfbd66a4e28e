#!/usr/bin/env bash
# Checks the source tree's layering: the document window and the tool windows do not include
# each other, only platform/ reaches QScintilla and the system's own headers, and no source
# file grows past the size at which it wants splitting.
# Usage: check-layers.sh <source root>
set -u
cd "${1:-.}" || exit 2
status=0
fail() { echo "$*"; status=1; }

for pair in "editor toolchain" "toolchain editor"; do
    set -- $pair
    if hits=$(grep -nE "#include \"$2/" "$1"/*.cpp "$1"/*.h); then
        fail "$1/ includes $2/:"$'\n'"$hits"
    fi
done
if hits=$(grep -nE '#include <(Qsci/|unistd\.h|fcntl\.h|sys/|signal\.h|poll\.h|spawn\.h)' \
              app/* editor/* toolchain/*); then
    fail "system or QScintilla headers outside platform/:"$'\n'"$hits"
fi
for file in app/* editor/* toolchain/* platform/*; do
    lines=$(wc -l <"$file")
    [ "$lines" -le 600 ] || fail "$file has $lines lines"
done
exit $status
