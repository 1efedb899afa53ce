#!/usr/bin/env bash
# The code editor's runs: the toolchain set-up dialog over a fresh editor (ide-runs-setup.png), then a C++
# program's output and exit code in the Output pane (ide-runs.png).
# Usage: ide-runs.sh BRIVO_PROGRAM OUTDIR, with DISPLAY set to a 1280x1024 X server.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tests/e2e/e2elib.sh"
program=$(readlink -f "$1")
out=$2
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export BRIVO_ROOT="$work/root" XDG_RUNTIME_DIR="$work/runtime" XDG_STATE_HOME="$work/state"
mkdir -p "$BRIVO_ROOT" "$XDG_RUNTIME_DIR" "$XDG_STATE_HOME" "$work/project"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$work/project" || exit 1
cat >hello.cpp <<'CPP'
#include <cstdio>

int main()
{
    for (int i = 1; i <= 3; ++i)
        std::printf("Hello from C++, line %d\n", i);
    return 3;
}
CPP

"$program" hello.cpp >"$work/log" 2>&1 &
pid=$!
box=$(e2e_wait_window "No Compilers Found " 30) || { echo "no start-up warning" >&2; exit 1; }
e2e_focus "$box"
xdotool key --clearmodifiers Tab Return
dialog=$(e2e_wait_window "Brivo : Set up toolchains") || { echo "no set-up dialog" >&2; exit 1; }
e2e_focus "$dialog"
xdotool key --clearmodifiers Return
e2e_wait_file "$BRIVO_ROOT/Ide/CCPP/bin/gcbat" || { echo "Set up wrote nothing" >&2; exit 1; }
editor=$(e2e_find_window "Brivo : IDE - K.VARDEN")

# Takes the editor's area of the screen into $1 once two pictures in a row agree, so that nothing is
# caught half painted. Without a window manager every window stands at the screen's corner.
shoot() {
    local area
    area="$(e2e_window_size "$editor")+0+0"
    import -window root -crop "$area" "$work/a.png"
    for _ in $(seq 20); do
        import -window root -crop "$area" "$work/b.png"
        cmp -s "$work/a.png" "$work/b.png" && break
        mv "$work/b.png" "$work/a.png"
    done
    cp "$work/a.png" "$1"
}
shoot "$out/ide-runs-setup.png"
xdotool key --clearmodifiers Escape
e2e_poll 5 e2e_window_unmapped "$dialog"

# Build > C/C++: the menu bar's first title, two menus right, the first entry.
e2e_focus "$editor"
xdotool mousemove --window "$editor" 12 9 click 1
e2e_poll 5 e2e_find_window "Brivo" >/dev/null
xdotool key --delay 50 Right Right Return
# The program has run once its exit code stands in the pane, where the clipboard can read it.
ended() {
    printf '' | xclip -selection clipboard -i >/dev/null 2>&1
    xdotool mousemove --window "$editor" 400 480 click 1
    xdotool key --clearmodifiers ctrl+a ctrl+c
    e2e_clipboard | grep -q "exit code 3"
}
e2e_poll 30 ended || { echo "the run did not end" >&2; exit 1; }
# Clicks away from the last one (so that none makes a double click) take the selections away again, in
# the pane and in the editor, which a copy made before the pane showed may have selected; the pointer
# then leaves the window.
xdotool mousemove --window "$editor" 300 500 click 1 mousemove --window "$editor" 700 300 click 1
xdotool mousemove 1000 900
shoot "$out/ide-runs.png"
