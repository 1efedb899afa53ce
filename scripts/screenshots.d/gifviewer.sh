#!/usr/bin/env bash
# The GIF viewer on a bouncing ball, paused so that the picture holds still.
. "$(dirname "$0")/../screenshotlib.sh"
sample_gif ball.gif
e2e_start ball.gif
id=$(e2e_wait_window "Brivo : Gif Viewer - K.VARDEN" 30) || e2e_fail "no GIF viewer"
shot_wait_change "$id" || e2e_fail "the animation does not play"
# The pause button, left of the speed button in the bottom right corner.
size=$(e2e_window_size "$id")
shot_click "$id" $((${size%x*} - 109)) $((${size#*x} - 21))
shot_settle "$id" || e2e_fail "the animation did not pause"
shot_take "$id"
