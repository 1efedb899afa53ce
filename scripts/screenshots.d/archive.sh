#!/usr/bin/env bash
# The archive tool opened on a zip archive.
. "$(dirname "$0")/../screenshotlib.sh"
mkdir -p trip
sample_picture trip/dusk.jpg 640x400
echo "Day 1: the harbour" >trip/notes.txt
(cd trip && 7z a -bd -y ../trip.zip dusk.jpg notes.txt >/dev/null) || e2e_fail "7z could not make an archive"
e2e_start trip.zip
id=$(e2e_wait_window "Brivo : Zip - K.VARDEN " 30) || e2e_fail "no archive tool"
shot_settle "$id"
shot_take "$id"
