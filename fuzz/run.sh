#!/usr/bin/env bash
# Builds the settings-file fuzz target with clang and runs it for a bounded time.
# Usage: fuzz/run.sh [BUILD_DIR] [SECONDS]   (defaults: build-fuzz in the repository, 60)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build-fuzz"}
seconds=${2:-60}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2

corpus="$build/corpus-profile"
mkdir -p "$corpus"
if [ -z "$(ls -A "$corpus")" ]; then
    printf '\0\0\0\0Setup\nHeight\nWidth\n/tmp/a b\n[Setup]\r\nHeight=0x200\r\n; c\r\n[Options]\r\n' \
        >"$corpus/seed-crlf"
    printf '\1\0\0\0A\nK\nk\n\\"x\\ny"\n[A\nK = v \n[a]\nK=\\"\\r"\n#[A]\n' >"$corpus/seed-odd"
fi
exec "$build/fuzz_profile" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/" "$corpus"
