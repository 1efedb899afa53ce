#!/usr/bin/env bash
# The notepad's find bar with its replace row, searching a short letter.
. "$(dirname "$0")/../screenshotlib.sh"
cat >"$shot_files/letter.txt" <<'TEXT'
Dear Ann,

Thank you for the photographs from the trip. The one of the harbour at dusk
is my favourite; I have printed it for the hall. The harbour wall in the
morning light comes close.

See you on Sunday,
Ben
TEXT
e2e_start letter.txt
id=$(e2e_wait_window "Brivo : TextEdit - K.VARDEN" 30) || e2e_fail "no notepad"
e2e_focus "$id"
xdotool key --clearmodifiers ctrl+h
sleep 0.5
xdotool type --clearmodifiers --delay 20 "harbour"
xdotool key --clearmodifiers Tab
sleep 0.2
xdotool key --clearmodifiers F3
shot_settle "$id"
shot_take "$id"
