#!/usr/bin/env bash
# The code editor's runs: the toolchain set-up dialog that the start-up warning offers on a fresh tool
# root (ide-runs-setup.png), then a C++ program's output and exit code in the Output pane, the compiler's
# warning a link to its line (ide-runs.png).
. "$(dirname "$0")/../screenshotlib.sh"
cat >"$shot_files/hello.cpp" <<'TEXT'
#include <cstdio>

int main()
{
    unsigned char lines = 259; // wraps round to 3, and the compiler warns
    for (int i = 1; i <= lines; ++i)
        std::printf("Hello from C++, line %d\n", i);
    return 3;
}
TEXT
e2e_start hello.cpp
box=$(e2e_wait_window "No Compilers Found " 30) || e2e_fail "no start-up warning"
e2e_focus "$box"
# OK has the focus; Tab moves it to "Set up".
xdotool key --clearmodifiers Tab Return
dialog=$(e2e_wait_window "Brivo : Set up toolchains") || e2e_fail "no set-up dialog"
e2e_focus "$dialog"
xdotool key --clearmodifiers Return
e2e_wait_file "$BRIVO_ROOT/Ide/CCPP/bin/gcbat" || e2e_fail "Set up wrote nothing"
shot_settle "$dialog"
shot_take "$dialog" ide-runs-setup
xdotool key --clearmodifiers Escape
e2e_poll 5 e2e_window_unmapped "$dialog" || e2e_fail "the set-up dialog stayed"

# Build > C/C++: the menu bar's first title, two menus to the right, its first entry.
editor=$(e2e_find_window "Brivo : IDE - K.VARDEN") || e2e_fail "no code editor"
e2e_focus "$editor"
shot_click "$editor" 12 9
menu_open() { # a popup titled with the program's name; a search by name alone does not find popups
    local window
    for window in $(xdotool search --onlyvisible --class brivo 2>/dev/null); do
        [ "$(xdotool getwindowname "$window" 2>/dev/null)" = Brivo ] && return 0
    done
    return 1
}
e2e_poll 5 menu_open || e2e_fail "the menu bar did not open"
xdotool key --delay 50 Right Right Return
# The program has run once its exit code stands in the Output pane, which the clipboard reads.
ended() {
    printf '' | xclip -selection clipboard -i >/dev/null 2>&1
    shot_click "$editor" 400 480
    xdotool key --clearmodifiers ctrl+a ctrl+c
    e2e_clipboard | grep -q "exit code 3"
}
e2e_poll 30 ended || e2e_fail "the run did not end"
# Clicks away from the last one (so that none makes a double click) take the selections away again, in
# the pane and in the editor, which a copy made before the pane showed may have selected; the pointer
# then leaves the window.
shot_click "$editor" 300 500
shot_click "$editor" 700 300
xdotool mousemove 1200 1000
shot_settle "$editor"
shot_take "$editor"
