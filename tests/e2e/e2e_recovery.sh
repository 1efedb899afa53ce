#!/usr/bin/env bash
# Text typed into a new notepad and into an opened file survives kill -9: the next start offers it, Restore
# brings both back, and saving them writes exactly the expected bytes (the file's mixed line ends kept, the
# typed line in its most common one). The start after that offers nothing.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
e2e_setup "$1"

notepad="Brivo : TextEdit - K.VARDEN"
dialog="Brivo : Recover Unsaved Text"
recovery="$XDG_STATE_HOME/brivo/recovery"
docs="$E2E_TMP/docs"
mkdir -p "$docs"
cd "$docs" || exit 1
printf 'first line\r\nsecond line\nthird line\r\n' >"$docs/notes.txt"
cp "$docs/notes.txt" "$E2E_TMP/original"

# Waits until $1 (a command) succeeds, polling for up to $2 seconds.
wait_for() {
    local i
    for i in $(seq 1 $(($2 * 10))); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

# Visible notepad windows, one id a line.
notepads() { xdotool search --onlyvisible --name "^Brivo : TextEdit - K\\.VARDEN\$" 2>/dev/null | sort; }

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || true; }

# Clicks the launcher's Notepad tile (at 10,10, 180 x 120) and prints the id of the notepad it opened.
# Without a window manager every window opens at the same place, so the launcher is raised first.
new_notepad() {
    local launcher=$1 before
    before=$(notepads)
    xdotool windowraise "$launcher"
    xdotool mousemove --window "$launcher" 100 70 click 1
    wait_for '[ "$(notepads | grep -cvxF -- "$before")" = 1 ]' 15 || return 1
    notepads | grep -vxF -- "$before" | head -n 1
}

# --- Type into a new document and into an opened file, then die without a word. ---
e2e_start
launcher=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "the launcher did not appear"
opened=$(new_notepad "$launcher") || e2e_fail "the Notepad tile opened no notepad"
untitled=$(new_notepad "$launcher") || e2e_fail "the Notepad tile opened no second notepad"

focus "$opened"
xdotool key ctrl+o
open=$(e2e_wait_window "Open" 15) || e2e_fail "Ctrl+O showed no open dialog"
focus "$open"
xdotool type --delay 10 "$docs/notes.txt"
xdotool key Return
wait_for '! xdotool search --onlyvisible --name "^Open\$" >/dev/null 2>&1' 15 || e2e_fail "the open dialog stayed"
focus "$opened"
xdotool type --delay 20 "typed first"
xdotool key Return

focus "$untitled"
xdotool type --delay 20 "a new note"
xdotool key Return
xdotool type --delay 20 "its second line"

# What the two documents hold now, byte for byte: the typed line takes the file's most common line end.
printf 'typed first\r\nfirst line\r\nsecond line\nthird line\r\n' >"$E2E_TMP/expected file"
printf 'a new note\nits second line' >"$E2E_TMP/expected new"
# The copies are written within 2 seconds of the last key; poll for their exact text.
copy_is() { cmp -s "$recovery"/*/*-"$1" "$E2E_TMP/$2"; }
wait_for 'copy_is notes.txt "expected file" && copy_is Untitled.txt "expected new"' 15 ||
    e2e_fail "no recovery copies with the typed text in $recovery: $(ls -R "$recovery" 2>&1)"
kill -9 "$E2E_PID"
wait "$E2E_PID" 2>/dev/null
E2E_PID=
echo "typed text copied within 2 s; the process was killed"

# --- The next start offers both; Restore opens them, marked as changed; saving writes them back. ---
e2e_start
id=$(e2e_wait_window "$dialog" 30) || e2e_fail "the next start showed no \"$dialog\""
[ -n "${BRIVO_E2E_SHOT:-}" ] && import -window root "$BRIVO_E2E_SHOT"
focus "$id"
xdotool key Return
wait_for '[ "$(notepads | grep -c .)" = 2 ]' 30 || e2e_fail "Restore did not open two notepads"
for window in $(notepads); do
    focus "$window"
    xdotool key ctrl+s
    if save=$(e2e_wait_window "Save" 3); then
        focus "$save"
        xdotool type --delay 10 "$docs/new note.txt"
        xdotool key Return
    fi
done
wait_for '[ -f "$docs/new note.txt" ] && ! cmp -s "$docs/notes.txt" "$E2E_TMP/original"' 15 ||
    e2e_fail "the restored documents were not saved"
cmp -s "$E2E_TMP/expected file" "$docs/notes.txt" ||
    e2e_fail "notes.txt came back as $(od -c "$docs/notes.txt" | head -n 5)"
cmp -s "$E2E_TMP/expected new" "$docs/new note.txt" ||
    e2e_fail "the new note came back as $(od -c "$docs/new note.txt" | head -n 5)"
# Saved documents keep no copies.
wait_for '[ -z "$(find "$recovery" -name "*.json")" ]' 15 || e2e_fail "copies stayed after saving"
e2e_stop
echo "Restore brought both back; saved byte for byte"

# --- Nothing is left to offer: the launcher comes straight up. ---
e2e_start
e2e_wait_window "Brivo - K.VARDEN" 30 >/dev/null || e2e_fail "the third start showed no launcher"
xdotool search --onlyvisible --name "^$dialog\$" >/dev/null 2>&1 && e2e_fail "the third start offered copies again"
e2e_stop
echo "the start after that offers nothing"
