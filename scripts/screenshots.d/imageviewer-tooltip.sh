#!/usr/bin/env bash
# The image viewer with the pointer resting on the next-picture button, whose tooltip names the key.
. "$(dirname "$0")/../screenshotlib.sh"
sample_picture dusk.jpg 1024x683
sample_picture hills.png 800x600
e2e_start dusk.jpg
id=$(e2e_wait_window "Brivo : Image Viewer - K.VARDEN" 30) || e2e_fail "no image viewer"
shot_settle "$id"
# Tooltips show over the active window only.
e2e_focus "$id"
# The next-picture button: fifth of the six centred in the bottom row.
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove --window "$id" $((WIDTH / 2 + 58)) $((HEIGHT - 12))
sleep 1.5
# The tooltip is a window of its own, below the pointer: the picture is the screen around the viewer.
left=$((X > 20 ? X - 20 : 0))
top=$((Y > 20 ? Y - 20 : 0))
import -window root -crop "$((X - left + WIDTH + 20))x$((Y - top + HEIGHT + 40))+$left+$top" +repage \
    "$shot_out/$shot_name.png" || e2e_fail "could not capture the screen"
echo "$shot_name: $(identify -format '%wx%h' "$shot_out/$shot_name.png") $shot_name.png"
