#!/usr/bin/env bash
# Text typed into a new notepad and into an opened file survives kill -9: the next start offers it, Restore
# brings both back, and saving them writes exactly the expected bytes (the file's mixed line ends kept, the
# typed line in its most common one). The start after that offers nothing.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
e2e_setup "$1"

dialog="Brivo : Recover Unsaved Text"
recovery="$XDG_STATE_HOME/brivo/recovery"
docs="$E2E_TMP/docs"
mkdir -p "$docs"
cd "$docs" || exit 1
printf 'first line\r\nsecond line\nthird line\r\n' >"$docs/notes.txt"
cp "$docs/notes.txt" "$E2E_TMP/original"
# What the two documents will hold, byte for byte: the typed line takes the file's most common line end.
printf 'typed first\r\nfirst line\r\nsecond line\nthird line\r\n' >"$E2E_TMP/expected file"
printf 'a new note\nits second line' >"$E2E_TMP/expected new"

# Visible notepad windows, one id a line.
notepads() { xdotool search --onlyvisible --name "^Brivo : TextEdit - K\\.VARDEN\$" 2>/dev/null | sort; }
count_notepads() { [ "$(notepads | grep -c .)" = "$1" ]; }

# Clicks the launcher's Notepad tile (at 10,10, 180 x 120) and prints the id of the notepad it opened.
# Without a window manager every window opens at the same place, so the launcher is raised first.
new_notepad() {
    local launcher=$1 before
    before=$(notepads)
    xdotool windowraise "$launcher"
    xdotool mousemove --window "$launcher" 100 70 click 1
    e2e_poll 15 count_notepads $(($(echo "$before" | grep -c .) + 1)) || return 1
    notepads | grep -vxF -- "$before" | head -n 1
}

# Window $1's text, read through the clipboard (select all, copy), is $2 (line ends as LF, the last one
# dropped). Reading it also shows that the window takes keys: the first keys after a dialog closes may
# still go to the dialog in a slow (sanitized) build.
text_of_window_is() {
    e2e_focus "$1"
    printf '' | xclip -selection clipboard -i 2>/dev/null
    xdotool key --clearmodifiers ctrl+a ctrl+c
    e2e_poll 3 e2e_clipboard_is "$2"
}
original_text=$(printf 'first line\nsecond line\nthird line')
new_text=$(printf 'a new note\nits second line')

# The copy whose text file ends in $1 holds exactly the file $2.
copy_is() { cmp -s "$recovery"/*/*-"$1" "$2" 2>/dev/null; }
copies_hold_the_typed_text() {
    copy_is notes.txt "$E2E_TMP/expected file" && copy_is Untitled.txt "$E2E_TMP/expected new"
}
no_copies_left() { [ -z "$(find "$recovery" -name '*.json')" ]; }
saved() { [ -f "$docs/new note.txt" ] && ! cmp -s "$docs/notes.txt" "$E2E_TMP/original"; }

# --- Type into a new document and into an opened file, then die without a word. ---
e2e_start
launcher=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "the launcher did not appear"
opened=$(new_notepad "$launcher") || e2e_fail "the Notepad tile opened no notepad"
untitled=$(new_notepad "$launcher") || e2e_fail "the Notepad tile opened no second notepad"

e2e_focus "$opened"
xdotool key --clearmodifiers ctrl+o
open=$(e2e_wait_window "Open" 15) || e2e_fail "Ctrl+O showed no open dialog"
e2e_type_verified "$open" "$docs/notes.txt"
e2e_accept_dialog "$open"
e2e_poll 10 text_of_window_is "$opened" "$original_text" || e2e_fail "the notepad did not open notes.txt"
xdotool key --clearmodifiers ctrl+Home
xdotool type --clearmodifiers --delay 20 "typed first"
xdotool key --clearmodifiers Return

e2e_poll 10 text_of_window_is "$untitled" "" || e2e_fail "the new notepad does not take keys"
xdotool type --clearmodifiers --delay 20 "a new note"
xdotool key --clearmodifiers Return
xdotool type --clearmodifiers --delay 20 "its second line"

# The copies are written within 2 seconds of the last key; they must hold the exact text.
e2e_poll 15 copies_hold_the_typed_text ||
    e2e_fail "no recovery copies with the typed text in $recovery: $(ls -R "$recovery" 2>&1)"
kill -9 "$E2E_PID"
wait "$E2E_PID" 2>/dev/null
E2E_PID=
echo "typed text copied within 2 s; the process was killed"

# --- The next start offers both; Restore opens them, marked as changed; saving writes them back. ---
e2e_start
id=$(e2e_wait_window "$dialog" 30) || e2e_fail "the next start showed no \"$dialog\""
e2e_accept_dialog "$id" # Return: Restore, the default
e2e_poll 30 count_notepads 2 || e2e_fail "Restore did not open two notepads"
# Reads window $1's text through the clipboard into TEXT, once the window takes keys.
clipboard_filled() { [ -n "$(e2e_clipboard)" ]; }
read_text() {
    e2e_focus "$1"
    printf '' | xclip -selection clipboard -i 2>/dev/null
    xdotool key --clearmodifiers ctrl+a ctrl+c
    e2e_poll 1 clipboard_filled && TEXT=$(e2e_clipboard)
}
for window in $(notepads); do
    e2e_poll 10 read_text "$window" || e2e_fail "a restored notepad gave no text"
    xdotool key --clearmodifiers ctrl+s
    # The new document asks for a name; the opened file is saved where it was.
    if [ "$TEXT" = "$new_text" ]; then
        save=$(e2e_wait_window "Save" 15) || e2e_fail "Ctrl+S in the restored new note asked for no name"
        e2e_type_verified "$save" "$docs/new note.txt"
        e2e_accept_dialog "$save"
    elif [ "$TEXT" != "$(printf 'typed first\n%s' "$original_text")" ]; then
        e2e_fail "a restored notepad holds neither text: $TEXT"
    fi
done
e2e_poll 15 saved || e2e_fail "the restored documents were not saved"
cmp -s "$E2E_TMP/expected file" "$docs/notes.txt" ||
    e2e_fail "notes.txt came back as $(od -c "$docs/notes.txt" | head -n 5)"
cmp -s "$E2E_TMP/expected new" "$docs/new note.txt" ||
    e2e_fail "the new note came back as $(od -c "$docs/new note.txt" | head -n 5)"
e2e_poll 15 no_copies_left || e2e_fail "copies stayed after saving"
e2e_stop
echo "Restore brought both back; saved byte for byte"

# --- Nothing is left to offer: the launcher comes straight up. ---
e2e_start
e2e_wait_window "Brivo - K.VARDEN" 30 >/dev/null || e2e_fail "the third start showed no launcher"
e2e_find_window "$dialog" >/dev/null && e2e_fail "the third start offered copies again"
e2e_stop
echo "the start after that offers nothing"

# --- Restored in another folder, a file opened by a relative name is saved where it came from. ---
mkdir -p "$E2E_TMP/a" "$E2E_TMP/b"
printf 'from a\n' >"$E2E_TMP/a/note.txt"
printf 'b keeps this\n' >"$E2E_TMP/b/note.txt"
cd "$E2E_TMP/a" || exit 1
e2e_start note.txt
e2e_poll 30 count_notepads 1 || e2e_fail "brivo note.txt opened no notepad"
note=$(notepads)
e2e_poll 10 text_of_window_is "$note" "from a" || e2e_fail "the notepad did not open a/note.txt"
xdotool key --clearmodifiers ctrl+Home
xdotool type --clearmodifiers --delay 20 "typed "
copied() { grep -qs "typed from a" "$recovery"/*/*-note.txt; }
e2e_poll 15 copied || e2e_fail "no recovery copy of the typed text"
kill -9 "$E2E_PID"
wait "$E2E_PID" 2>/dev/null
E2E_PID=
cd "$E2E_TMP/b" || exit 1
e2e_start
id=$(e2e_wait_window "$dialog" 30) || e2e_fail "the start in b showed no \"$dialog\""
e2e_accept_dialog "$id"
e2e_poll 30 count_notepads 1 || e2e_fail "Restore in b opened no notepad"
e2e_poll 10 text_of_window_is "$(notepads)" "typed from a" || e2e_fail "the restored notepad lost the text"
xdotool key --clearmodifiers ctrl+s
a_saved() { [ "$(cat "$E2E_TMP/a/note.txt")" = "typed from a" ]; }
e2e_poll 15 a_saved || e2e_fail "a/note.txt was not saved: $(cat "$E2E_TMP/a/note.txt")"
[ "$(cat "$E2E_TMP/b/note.txt")" = "b keeps this" ] || e2e_fail "b/note.txt was overwritten"
e2e_stop
echo "restored in another folder, saved back to the folder it came from"
