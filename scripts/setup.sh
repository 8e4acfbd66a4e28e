#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds Quorvel, then runs, tests or
# benchmarks or packages it.
# Usage: scripts/setup.sh run [FILE] | test | bench | package | sanitize
# sanitize builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize and runs them; any finding fails the test that caused it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build"
packages=(cmake ninja-build g++ clang pkg-config libgl-dev qt6-base-dev
          libqscintilla2-qt6-dev default-jdk-headless
          desktop-file-utils appstream dpkg-dev file
          qt6-base-private-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

what=${1:-run}
shift || true

if [ "$what" = sanitize ]; then
    sanitized="$here/build-sanitize"
    cmake -S "$here" -B "$sanitized" -G Ninja -DQUORVEL_SANITIZE=ON \
          -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" >/dev/null
    cmake --build "$sanitized" -j 2
    cd "$sanitized"
    export ASAN_OPTIONS="detect_leaks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    exec ctest --output-on-failure -j 2
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2

case "$what" in
run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found: start Quorvel inside a desktop session, or under" \
             "xvfb-run -a scripts/setup.sh run [FILE]." >&2
        exit 1
    fi
    exec "$build/quorvel" "$@"
    ;;
test)
    cd "$build"
    exec ctest --output-on-failure -j 2
    ;;
bench)
    exec "$build/bench/quorvel-bench" "$@"
    ;;
package)
    # quorvel_<version>_<arch>.deb in the build folder, checked by unpacking it.
    (cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
    deb=$(ls -t "$build"/quorvel_*.deb | head -n 1)
    "$here/scripts/check-package.sh" "$deb" >/dev/null
    echo "$deb"
    ;;
*)
    echo "usage: scripts/setup.sh run [FILE] | test | bench | package | sanitize" >&2
    exit 2
    ;;
esac
