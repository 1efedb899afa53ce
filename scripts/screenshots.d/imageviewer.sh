#!/usr/bin/env bash
# The image viewer on the first of three pictures in a folder.
. "$(dirname "$0")/../screenshotlib.sh"
sample_picture dusk.jpg 1024x683
sample_picture hills.png 800x600
sample_picture wide.jpg 1600x600
e2e_start dusk.jpg
id=$(e2e_wait_window "Brivo : Image Viewer - K.VARDEN" 30) || e2e_fail "no image viewer"
shot_settle "$id"
shot_take "$id"
