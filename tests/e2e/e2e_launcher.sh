#!/usr/bin/env bash
# Started bare, the program shows the launcher; started with a file of no known type, the chooser message.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
e2e_setup "$1"

e2e_start
id=$(e2e_wait_window "Brivo - K.VARDEN") || e2e_fail "the launcher did not appear"
size=$(e2e_window_size "$id")
[ "$size" = "600x660" ] || e2e_fail "the launcher is $size, not 600x660"
e2e_stop
echo "launcher: 600x660"

mkdir -p "$E2E_TMP/docs"
echo "notes" >"$E2E_TMP/docs/notes.unknown"
e2e_start "$E2E_TMP/docs/notes.unknown"
box=$(e2e_wait_window "Unrecognised file type ") || e2e_fail "the chooser message did not appear"
# The launcher waits behind the message until it is answered.
e2e_focus "$box"
xdotool key --clearmodifiers Return
e2e_wait_window "Brivo - K.VARDEN" >/dev/null || e2e_fail "the launcher did not follow the chooser message"
e2e_stop
echo "chooser message, then the launcher"

# A file name with accents reaches the dispatcher intact: an existing unknown file gives the chooser.
name="$E2E_TMP/docs/café notes.unknown"
echo "accents" >"$name"
LC_ALL=C.UTF-8 e2e_start "$name"
e2e_wait_window "Unrecognised file type " >/dev/null || e2e_fail "a non-ASCII path was not found"
e2e_stop
echo "non-ASCII path"
