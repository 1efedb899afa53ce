#!/usr/bin/env bash
# The snapshot's Region chooser in use: a picture open in the image viewer on a landscape desktop, the
# desktop frozen full screen over it, and a rectangle being dragged out with its size in pixels beside it.
. "$(dirname "$0")/../screenshotlib.sh"
sample_picture background.png 1280x1024
# (display reports failure even when it has set the background; the picture is what counts.)
display -window root background.png 2>/dev/null
[ "$(import -window root -format '%k' info: 2>/dev/null)" -gt 1 ] || e2e_fail "could not set the desktop's background"
sample_picture dusk.jpg 1024x683

# Something to capture: the picture in the image viewer, moved aside from where the snapshot opens. A
# second program of its own, so that e2e_start's pid stays the launcher's.
"$E2E_BRIVO" dusk.jpg >"$E2E_TMP/viewer.log" 2>&1 &
viewer_pid=$!
trap 'kill "$viewer_pid" 2>/dev/null; e2e_stop; rm -rf "$E2E_TMP"' EXIT
viewer=$(e2e_wait_window "Brivo : Image Viewer - K.VARDEN" 30) || e2e_fail "no image viewer"
xdotool windowmove "$viewer" 250 200
shot_settle "$viewer"

e2e_start
launcher=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "no launcher"
shot_settle "$launcher"
shot_click "$launcher" 300 350
snap=$(e2e_wait_window "Brivo : Snap Shot - K.VARDEN" 30) || e2e_fail "the tile did not open the snapshot"
e2e_focus "$snap"
xdotool key alt+r
e2e_poll 30 xdotool search --onlyvisible --name "^Drag a rectangle" >/dev/null || e2e_fail "Region showed no chooser"
# The drag stays open for the picture: the size shows while the button is held.
xdotool mousemove 520 330 mousedown 1 mousemove 700 450 mousemove 900 600
shot_settle root 10 || true
import -window root "$shot_out/$shot_name.png" || e2e_fail "could not capture the screen"
echo "$shot_name: $(identify -format '%wx%h' "$shot_out/$shot_name.png") $shot_name.png"
xdotool mouseup 1 key Escape
