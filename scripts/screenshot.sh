#!/usr/bin/env bash
# Makes the README's pictures under a virtual X server, driving the program with the keyboard:
#   docs/editor.png   a highlighted Java file
#   docs/quorvel.png  the same compiled once, its error marked, the output behind it
#   docs/tabs.png     the tabbed view with a Java file and an HTML page
# Usage: scripts/screenshot.sh [BUILD_DIR]   (needs xvfb, xauth, imagemagick and xdotool)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
if [ -z "${QUORVEL_IN_XVFB:-}" ]; then
    export QUORVEL_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 760x470x24" "$0" "$build"
fi
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
javac_dir=$(dirname "$(readlink -f "$(command -v javac)")")
mkdir -p "$work/src"

settings() { # TABS
    rm -rf "$work/config"
    mkdir -p "$work/config"
    cat >"$work/config/QUORVEL.INI" <<INI
[Setup]
Left=0
Top=0
Width=760
Height=470
FontName=Monospace
FontSize=10
[Options]
CompilerPath=$javac_dir
DirectoryPath=
ClassPath=
Browser=
Interpreter=$javac_dir/java
CompilerOptions=
[Editor]
Tabs=$1
INI
}

start() { # FILE
    XDG_CONFIG_HOME="$work/config" "$build/quorvel" "$1" &
    pid=$!
    window=
    for _ in $(seq 150); do
        window=$(xdotool search --onlyvisible --name "^Quorvel$" 2>/dev/null | head -n 1) && \
            [ -n "$window" ] && break
        sleep 0.2
    done
    sleep 1.5
    # No window manager runs here: the program's window is made the active one by hand.
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    sleep 0.5
}

stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
}

key() { xdotool key --clearmodifiers "$@"; sleep 0.8; }

shot() { import -window root "$here/docs/$1"; echo "$here/docs/$1"; }

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
cat >"$work/src/page.html" <<'HTML'
<!DOCTYPE html>
<html>
<head>
  <title>Greeting</title>
  <style> body { font-family: sans-serif; } </style>
</head>
<body>
  <!-- the greeting -->
  <p class="greeting">Hello, <b>World</b>!</p>
  <script>
    document.title = "Hello " + 3;
  </script>
</body>
</html>
HTML
cd "$work/src"

settings 0
start "$work/src/Greeting.java"
shot editor.png
key F9                 # compile: the error box, then the report
sleep 4
key Return
sleep 1
key Return
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
key F8                 # to the first error, in the document
shot quorvel.png
stop

settings 1
start "$work/src/Greeting.java"
key ctrl+o
xdotool type "$work/src/page.html"; key Return
shot tabs.png
stop
