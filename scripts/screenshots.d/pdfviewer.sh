#!/usr/bin/env bash
# The PDF viewer on a one-page document.
. "$(dirname "$0")/../screenshotlib.sh"
sample_pdf minutes.pdf "Minutes of the garden club" "" "Present: Ann, Ben, Carla, Dev" "" \
    "1. The sale made 412 euros." "2. Seeds are ordered for May." "3. We meet again on 4 June." \
    "" "Carla has the key to the shed."
e2e_start minutes.pdf
id=$(e2e_wait_window "Brivo : Pdf Viewer - K.VARDEN" 30) || e2e_fail "no PDF viewer"
shot_settle "$id"
shot_take "$id"
