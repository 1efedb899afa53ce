#!/usr/bin/env bash
# The notepad's bar when another program has changed the file it shows, with Reload and Keep mine.
. "$(dirname "$0")/../screenshotlib.sh"
printf 'Shopping list\n\nbread\nmilk\napples\n' >"$shot_files/list.txt"
e2e_start list.txt
id=$(e2e_wait_window "Brivo : TextEdit - K.VARDEN" 30) || e2e_fail "no notepad"
e2e_focus "$id"
xdotool key --clearmodifiers ctrl+End
xdotool type --clearmodifiers --delay 20 "cheese"
# Another editor saves the file the way most do: a new file renamed over the old one.
printf 'Shopping list\n\nbread\nmilk\napples\npears\n' >"$shot_files/list.txt.new"
mv "$shot_files/list.txt.new" "$shot_files/list.txt"
sleep 1
shot_settle "$id"
shot_take "$id"
