#!/usr/bin/env bash
# The launcher after the arrow keys moved from Notepad to the right and down: the ring marks PDF.
. "$(dirname "$0")/../screenshotlib.sh"
e2e_start
id=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "no launcher"
shot_settle "$id"
e2e_focus "$id"
xdotool key --window "$id" Right Down
shot_settle "$id"
shot_take "$id"
