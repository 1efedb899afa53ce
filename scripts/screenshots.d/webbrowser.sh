#!/usr/bin/env bash
# The web browser on a local page with a picture.
. "$(dirname "$0")/../screenshotlib.sh"
sample_picture dusk.png 480x240
cat >page.html <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Trip notes</title>
<style>
body { font-family: sans-serif; margin: 2em 3em; color: #223; background: #f7f7f2; }
h1 { color: #1d3b6e; }
img { border-radius: 8px; }
li { margin: 0.3em 0; }
</style></head>
<body>
<h1>Trip notes</h1>
<p><img src="dusk.png" alt="The hills at dusk" width="480" height="240"></p>
<ul>
<li>Day 1: the harbour, and the boat to the island.</li>
<li>Day 2: up the hills before the sun set.</li>
<li>Day 3: the long way home along the coast.</li>
</ul>
</body></html>
HTML
e2e_start page.html
id=$(e2e_wait_window "Brivo : Web Browser - K.VARDEN" 60) || e2e_fail "no web browser"
shot_settle "$id" 40
shot_take "$id"
