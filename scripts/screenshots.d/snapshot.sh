#!/usr/bin/env bash
# The desktop snapshot, opened from the launcher's tile, with a picture of the desktop: a landscape with
# the launcher on it.
. "$(dirname "$0")/../screenshotlib.sh"
sample_picture background.png 1280x1024
# (display reports failure even when it has set the background; the picture is what counts.)
display -window root background.png 2>/dev/null
[ "$(import -window root -format '%k' info: 2>/dev/null)" -gt 1 ] || e2e_fail "could not set the desktop's background"
e2e_start
launcher=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "no launcher"
shot_settle "$launcher"
# The "Snap Shot" tile.
shot_click "$launcher" 300 350
id=$(e2e_wait_window "Brivo : Snap Shot - K.VARDEN" 30) || e2e_fail "the tile did not open the snapshot"
shot_settle "$id"
shot_take "$id"
