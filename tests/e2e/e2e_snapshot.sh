#!/usr/bin/env bash
# The snapshot window on a real X server, driven with the mouse and the keyboard as a user would: the
# launcher's Snap Shot tile opens it, "Take Snap Shot" captures the first X screen at its size in pixels
# whatever scale factor Qt uses (a second X screen is a desktop of its own and stays out), and "Auto Hide."
# takes the window out of the picture, or leaves it in when unticked. The server's root window is white and
# the snapshot window black, so a saved picture shows whether the window was there.
set -u
. "$(dirname "$0")/e2elib.sh"
E2E_TOOLS="identify convert xev xprop" E2E_SCREENS="-wr -screen 0 1024x768x24 -screen 1 640x480x24" e2e_need_display "$@"
e2e_setup "$1"
# Qt's own file dialog, and its remembered folder kept out of the user's settings.
unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
export XDG_CONFIG_HOME="$E2E_TMP/config"
mkdir -p "$E2E_TMP/shots"

# Device pixels of $1 device-independent ones at scale factor $2.
px() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%d", n * s }'; }

# snap SCALE on|off TYPED SAVED: starts the program at Qt scale factor SCALE, opens the snapshot window from
# the launcher, takes a snapshot with "Auto Hide." ticked (on) or not (off), types TYPED into the save
# dialog and waits for the file SAVED. Sets WIN_X and WIN_Y to the window's place on the screen.
snap() {
    local scale=$1 hide=$2 typed=$3 saved=$4 launcher win dialog events="$E2E_TMP/events.log"
    QT_SCALE_FACTOR=$scale e2e_start
    launcher=$(e2e_wait_window "Brivo - K.VARDEN") || e2e_fail "the launcher did not appear"
    xdotool mousemove --window "$launcher" "$(px 300 "$scale")" "$(px 350 "$scale")" click 1
    win=$(e2e_wait_window "Brivo : Snap Shot - K.VARDEN") || e2e_fail "the Snap Shot tile opened no window"
    WIN_X=$(xwininfo -id "$win" | awk '/Absolute upper-left X:/ {print $4}')
    WIN_Y=$(xwininfo -id "$win" | awk '/Absolute upper-left Y:/ {print $4}')
    # Focus starts on the home button; Tab moves on to "Auto Hide.", then to "Take Snap Shot".
    e2e_focus "$win"
    xdotool key Tab
    [ "$hide" = on ] || xdotool key space
    xdotool key Tab
    # With "Auto Hide." the window leaves the screen for the capture and comes back: the X server's own
    # unmap and map notices say when, so no key is sent while the window is away.
    e2e_watch_window "$win" "$events"
    xdotool key space
    if [ "$hide" = on ]; then
        e2e_poll 15 grep -q UnmapNotify "$events" || e2e_fail "Take Snap Shot did not hide the window"
        e2e_poll 15 grep -q '^MapNotify' "$events" || e2e_fail "the window did not come back after the capture"
    fi
    e2e_unwatch
    # Save, with its dialog, answers to Ctrl+Shift+S; Ctrl+S is the quick save.
    e2e_focus "$win"
    xdotool key ctrl+shift+s
    dialog=$(e2e_wait_window "Try to give a name:" 15) || e2e_fail "Save showed no dialog"
    e2e_type_verified "$dialog" "$E2E_TMP/shots/$typed"
    e2e_accept_dialog "$dialog"
    # The file appears whole: it is written under another name and renamed when complete.
    e2e_wait_file "$E2E_TMP/shots/$saved" 20 || e2e_fail "\"$typed\" was not saved as $saved"
    e2e_stop
}

# check SCALE on|off TYPED SAVED FORMAT: a snapshot, then its size and format, and whether the window is
# in it.
check() {
    local scale=$1 hide=$2 shot="$E2E_TMP/shots/$4" format=$5 size white black
    snap "$scale" "$hide" "$3" "$4"
    size=$(identify -format '%m %wx%h' "$shot")
    [ "$size" = "$format 1024x768" ] || e2e_fail "at scale $scale, $4 is $size, not $format 1024x768"
    if [ "$hide" = on ]; then
        # Nothing but the white root window: neither the snapshot window nor the launcher.
        white=$(convert "$shot" -format '%[fx:minima > 0.95]' info:)
        [ "$white" = 1 ] || e2e_fail "at scale $scale the window was in the picture despite Auto Hide."
    else
        # The window's black background beside the preview, where it stood during the capture.
        local x y
        x=$((WIN_X + $(px 20 "$scale"))) y=$((WIN_Y + $(px 200 "$scale")))
        black=$(convert "$shot" -format "%[fx:p{$x,$y}.r + p{$x,$y}.g + p{$x,$y}.b < 0.15]" info:)
        [ "$black" = 1 ] || e2e_fail "at scale $scale the window was not in the picture without Auto Hide."
    fi
    echo "scale $scale, Auto Hide. $hide: $4, $size"
}

check 1 on bare bare.png PNG
check 1 off plain.png plain.png PNG
check 2 on dense.jpg dense.jpg JPEG
check 1.5 off fractional.png fractional.png PNG
