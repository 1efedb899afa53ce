#!/usr/bin/env bash
# The snapshot window's Region and Window on a real X server, driven with the mouse and the keyboard as a
# user would, at Qt scale factors 1 and 2: a window of known colours (ImageMagick's display showing a
# picture, red on its left half and blue on its right) is captured through the frozen full-screen picture,
# by a dragged rectangle and by a click on the window, and each result is saved with Ctrl+S into the
# Pictures folder without a dialog. Sizes are checked in screen pixels, colours at the edge between them.
set -u
. "$(dirname "$0")/e2elib.sh"

E2E_TOOLS="display convert identify" e2e_need_display "$@"
e2e_setup "$1"
unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/config"
mkdir -p "$HOME"
PICTURES="$HOME/Pictures"
SNAP="Brivo : Snap Shot - K.VARDEN"

convert -size 150x200 xc:red -size 150x200 xc:blue +append "$E2E_TMP/known.png"
display -geometry +200+150 "$E2E_TMP/known.png" &
KNOWN_PID=$!
trap 'kill "$KNOWN_PID" 2>/dev/null; e2e_stop; rm -rf "$E2E_TMP"' EXIT
known=$(e2e_wait_window "ImageMagick: known.png") || e2e_fail "the window of known colours did not appear"
# Where the picture lies on the screen, inside the window's border (xwininfo gives the border's outer
# corner), and the border's width.
info=$(xwininfo -id "$known")
KB=$(awk '/Border width:/ {print $3}' <<<"$info")
KX=$(($(awk '/Absolute upper-left X:/ {print $4}' <<<"$info") + KB))
KY=$(($(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info") + KB))

# Device pixels of $1 device-independent ones at scale factor $2.
px() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%d", n * s }'; }

# The colour name of pixel X,Y of picture $1: red, blue or other.
colour() {
    convert "$1" -format "%[fx:p{$2,$3}.r > 0.9 && p{$2,$3}.b < 0.1 ? 1 : (p{$2,$3}.b > 0.9 && p{$2,$3}.r < 0.1 ? 2 : 0)]" info: |
        sed 's/^1$/red/; s/^2$/blue/; s/^0$/other/'
}

# Succeeds when a visible window's title starts with $1.
titled() {
    xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1
}

# Presses $1 in the snapshot window and waits for the full-screen chooser whose title starts with $2.
choose() {
    e2e_focus "$WIN"
    xdotool key "$1"
    e2e_poll 10 titled "$2" || e2e_fail "$1 showed no chooser"
}

# Prints the picture that Ctrl+S added to the Pictures folder (not among the names in $1) once it reads
# as a whole picture: the name is held by an empty file first, and the picture replaces it when written.
new_picture() {
    local file
    for file in "$PICTURES"/*.png; do
        [ -e "$file" ] || continue
        grep -qxF "$(basename "$file")" <<<"$1" && continue
        identify "$file" >/dev/null 2>&1 || continue
        echo "$file"
        return 0
    done
    return 1
}

# Saves with Ctrl+S once the snapshot window is back, and prints the new file's path once it is written.
quick_save() {
    local before file
    WIN=$(e2e_wait_window "$SNAP") || e2e_fail "the snapshot window did not come back"
    before=$(ls "$PICTURES" 2>/dev/null)
    e2e_focus "$WIN"
    xdotool key ctrl+s
    file=$(e2e_poll 20 new_picture "$before") || e2e_fail "Ctrl+S wrote nothing into $PICTURES"
    echo "$file"
}

# expect FILE SIZE X1 Y1 COLOUR1 X2 Y2 COLOUR2: the picture's size and two of its pixels.
expect() {
    local file=$1 size=$2 got
    got=$(identify -format '%wx%h' "$file")
    [ "$got" = "$size" ] || e2e_fail "$CASE: $(basename "$file") is $got, not $size"
    [ "$(colour "$file" "$3" "$4")" = "$5" ] || e2e_fail "$CASE: pixel $3,$4 is not $5"
    [ "$(colour "$file" "$6" "$7")" = "$8" ] || e2e_fail "$CASE: pixel $6,$7 is not $8"
    echo "$CASE: $(basename "$file"), $got"
}

for scale in 1 2; do
    QT_SCALE_FACTOR=$scale e2e_start
    launcher=$(e2e_wait_window "Brivo - K.VARDEN") || e2e_fail "the launcher did not appear"
    xdotool mousemove --window "$launcher" "$(px 300 "$scale")" "$(px 350 "$scale")" click 1
    WIN=$(e2e_wait_window "$SNAP") || e2e_fail "the Snap Shot tile opened no window"

    # A rectangle from 50,50 to 200,150 inside the picture: 100 pixels of red, then 50 of blue.
    CASE="Region at scale $scale"
    choose alt+r "Drag a rectangle"
    xdotool mousemove $((KX + 50)) $((KY + 50)) mousedown 1 mousemove $((KX + 120)) $((KY + 100)) \
        mousemove $((KX + 200)) $((KY + 150)) mouseup 1 key Return
    saved=$(quick_save) || exit 1
    expect "$saved" 150x100 99 50 red 100 50 blue

    # The window under the pointer, its border included.
    CASE="Window at scale $scale"
    choose alt+w "Click a window"
    xdotool mousemove $((KX + 20)) $((KY + 20)) click 1
    saved=$(quick_save) || exit 1
    expect "$saved" "$((300 + 2 * KB))x$((200 + 2 * KB))" \
        $((KB + 149)) $((KB + 10)) red $((KB + 150)) $((KB + 190)) blue
    e2e_stop
done
