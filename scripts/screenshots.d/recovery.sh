#!/usr/bin/env bash
# The question a start asks when Brivo ended with unsaved text: a letter in the notepad and a program in
# the code editor, each typed into and then killed before it was saved.
. "$(dirname "$0")/../screenshotlib.sh"
mkdir -p "$shot_files/IDE" # the code editor warns before it shows without a toolchain folder
printf 'Dear Ann,\n\nThe photographs arrived today.\n' >"$shot_files/letter.txt"
printf 'int main()\n{\n    return 0;\n}\n' >"$shot_files/hello.cpp"

dialog="Brivo : Recover Unsaved Text"

# A copy of file $1 is complete: its description, written after its text, names it.
copy_of() { grep -qs "\"text\":\"[0-9]*-$1\"" "$XDG_STATE_HOME"/brivo/recovery/*/*.json; }

# Opens file $1 in the window titled $2, types $3 and kills the program once the copy is written. Copies
# left earlier are kept for later.
leave_unsaved() {
    local id
    e2e_start "$1"
    if id=$(e2e_wait_window "$dialog" 5); then
        e2e_focus "$id"
        xdotool key --clearmodifiers Escape
    fi
    id=$(e2e_wait_window "$2" 30) || e2e_fail "no window for $1"
    e2e_focus "$id"
    xdotool type --clearmodifiers --delay 10 "$3"
    e2e_poll 15 copy_of "$1" || e2e_fail "no recovery copy of $1"
    kill -9 "$E2E_PID"
    wait "$E2E_PID" 2>/dev/null
    E2E_PID=
}
leave_unsaved letter.txt "Brivo : TextEdit - K.VARDEN" "Thank you for the photographs! "
leave_unsaved hello.cpp "Brivo : IDE - K.VARDEN" "// Says nothing yet. "

e2e_start
id=$(e2e_wait_window "$dialog" 30) || e2e_fail "no recovery dialog"
shot_settle "$id"
shot_take "$id"
