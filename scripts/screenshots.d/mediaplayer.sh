#!/usr/bin/env bash
# The media player on a video, paused once the picture shows.
. "$(dirname "$0")/../screenshotlib.sh"
sample_picture dusk.png 640x360
sample_video dusk.avi dusk.png 30
e2e_start dusk.avi
id=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "no media player"
shot_settle "$id"
shot_wait_change "$id" || e2e_fail "the video did not start"
# The pause button: the second in the row at the bottom left.
shot_click "$id" 57 $(($(e2e_window_size "$id" | cut -dx -f2) - 42))
shot_settle "$id" || e2e_fail "the player did not pause"
shot_take "$id"
