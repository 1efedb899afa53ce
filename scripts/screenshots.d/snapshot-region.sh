#!/usr/bin/env bash
# The snapshot's Region chooser in use: a picture open in the image viewer, the desktop frozen full screen
# over it, and a rectangle being dragged out with its size in pixels beside it.
# Usage: snapshot-region.sh BRIVO_PROGRAM OUTDIR (DISPLAY set to a 1280x1024 X server).
set -euo pipefail
program=$(readlink -f "$1")
out=$2
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" BRIVO_ROOT="$work/root"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$BRIVO_ROOT"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORMTHEME QT_SCALE_FACTOR
export QT_QPA_PLATFORM=xcb

# Waits for the visible window titled exactly $1 and prints its id.
window() {
    local pattern id
    pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$(){}?+|/]/\\&/g')"
    for _ in $(seq 1 150); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "snapshot-region: no window \"$1\"" >&2
    return 1
}

# Something to capture: a picture in the image viewer, moved aside from where the snapshot window opens.
convert -size 900x640 -seed 7 plasma:fractal -blur 0x2 -auto-level "$work/landscape.png"
"$program" "$work/landscape.png" >/dev/null 2>&1 &
pids+=($!)
viewer=$(window "Brivo : Image Viewer - K.VARDEN")
xdotool windowmove "$viewer" 300 220

"$program" >/dev/null 2>&1 &
pids+=($!)
launcher=$(window "Brivo - K.VARDEN")
xdotool mousemove --window "$launcher" 300 350 click 1
snap=$(window "Brivo : Snap Shot - K.VARDEN")
xdotool windowfocus --sync "$snap" key alt+r
window "Drag a rectangle" >/dev/null
xdotool mousemove 430 330 mousedown 1 mousemove 650 470 mousemove 850 610
# The overlay repaints once the pointer has moved; the drag stays open for the picture.
sleep 0.5
import -window root "$out/snapshot-region.png"
xdotool mouseup 1 key Escape
