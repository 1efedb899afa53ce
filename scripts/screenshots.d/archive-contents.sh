#!/usr/bin/env bash
# The archive tool showing what an archive holds: opened on a 7z archive of a small project, its folders
# fill the tree under the list, one of them opened, with sizes, dates and which ones are encrypted; a Test
# run below gives its verdict in words above 7z's output.
. "$(dirname "$0")/../screenshotlib.sh"
mkdir -p project/docs project/src project/pictures
echo "# Garden planner" >project/README.md
printf 'Planting dates for the spring beds.\n' >project/docs/planting.txt
printf 'Übersicht der Beete\n' >"project/docs/Beete – Übersicht.txt"
printf 'int main() { return 0; }\n' >project/src/main.cpp
printf 'void water();\n' >project/src/water.h
sample_picture project/pictures/beds.jpg 640x400
sample_picture "project/pictures/seed packets.png" 320x200
(cd project && 7z a -bd -y -sccUTF-8 ../garden.7z . >/dev/null) || e2e_fail "7z could not make an archive"
e2e_start garden.7z
id=$(e2e_wait_window "Brivo : Zip - K.VARDEN " 30) || e2e_fail "no archive tool"
shot_settle "$id"
xdotool mousemove --window "$id" 580 284 click --repeat 2 --delay 80 1 # opens "docs"
shot_settle "$id"
shot_click "$id" 685 530 # Test
shot_wait_change "$id"
shot_settle "$id"
shot_take "$id"
