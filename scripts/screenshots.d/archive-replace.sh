#!/usr/bin/env bash
# Un Zip where the folder already holds the user's own, edited copy of a file of the archive: the archive
# tool asks before it replaces it, naming both files' sizes and dates.
. "$(dirname "$0")/../screenshotlib.sh"
mkdir -p trip
echo "Day 1: the harbour" >trip/notes.txt
echo "Day 2: the lighthouse" >trip/plans.txt
(cd trip && 7z a -bd -y ../trip.zip notes.txt plans.txt >/dev/null) || e2e_fail "7z could not make an archive"
printf 'Day 1: the harbour, then the fish market at six.\n' >notes.txt
e2e_start trip.zip
id=$(e2e_wait_window "Brivo : Zip - K.VARDEN " 30) || e2e_fail "no archive tool"
shot_settle "$id"
shot_click "$id" 711 34 # Un Zip
question=$(e2e_wait_window "Brivo : Replace File" 30) || e2e_fail "Un Zip asked nothing"
shot_settle "$question"
shot_take "$question"
