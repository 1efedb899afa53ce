#!/usr/bin/env bash
# The notepad with a short letter.
. "$(dirname "$0")/../screenshotlib.sh"
cat >"$shot_files/letter.txt" <<'TEXT'
Dear Ann,

Thank you for the photographs from the trip. The one of the harbour at dusk
is my favourite; I have printed it for the hall.

The archive with the rest is on the shared drive (trip-2026.7z). The
password is the name of the boat.

See you on Sunday,
Ben
TEXT
e2e_start letter.txt
id=$(e2e_wait_window "Brivo : TextEdit - K.VARDEN" 30) || e2e_fail "no notepad"
shot_settle "$id"
shot_take "$id"
