#!/usr/bin/env bash
# Makes the README's picture: Quorvel under a virtual X server with a small Java program open,
# compiled once so that its error is marked, saved as docs/quorvel.png.
# Usage: scripts/screenshot.sh [BUILD_DIR]   (needs xvfb, xauth, imagemagick and xdotool)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
if [ -z "${QUORVEL_IN_XVFB:-}" ]; then
    export QUORVEL_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1100x720x24" "$0" "$build"
fi
work=$(mktemp -d)
trap 'kill "${pid:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT
javac_dir=$(dirname "$(readlink -f "$(command -v javac)")")
mkdir -p "$work/config" "$work/src"
cat >"$work/config/QUORVEL.INI" <<INI
[Setup]
Left=0
Top=0
Width=1100
Height=720
FontName=Monospace
FontSize=11
[Options]
CompilerPath=$javac_dir
DirectoryPath=
ClassPath=
Browser=
Interpreter=$javac_dir/java
CompilerOptions=
INI
cat >"$work/src/Greeting.java" <<'JAVA'
import java.util.Scanner;

/** Asks for a name and greets its owner. */
public class Greeting {
    public static void main(String[] args) {
        Scanner in = new Scanner(System.in);
        System.out.print("Your name? ");
        String name = in.nextLine().trim();
        int count = name.length()
        System.out.println("Hello, " + name + "! (" + count + " letters)");
    }
}
JAVA
cd "$work/src"
XDG_CONFIG_HOME="$work/config" "$build/quorvel" "$work/src/Greeting.java" &
pid=$!
for _ in $(seq 100); do
    xdotool search --name "Quorvel" >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 1
sleep 1
import -window root "$here/docs/quorvel.png"
echo "$here/docs/quorvel.png"
