#!/usr/bin/env bash
# The home launcher, started bare.
. "$(dirname "$0")/../screenshotlib.sh"
e2e_start
id=$(e2e_wait_window "Brivo - K.VARDEN" 30) || e2e_fail "no launcher"
shot_settle "$id"
shot_take "$id"
