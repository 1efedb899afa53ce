#!/usr/bin/env bash
# The program on a desktop with a window manager (openbox), driven from other processes as a user drives
# it: files dragged from another program and dropped on the launcher and on the image viewer, each tool's
# keys from the moment it opens, menus opened with Alt and a letter, F11, a window larger than the screen
# made to fit with its frame, the snapshot window back in its place after a hidden capture, a file changed
# by another program while the notepad has it open, and the end of the session (SIGTERM) with unsaved text
# in two editors.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2elib.sh"
. "$(dirname "$0")/../support/samplefiles.sh"
E2E_TOOLS="xprop import" e2e_need_display "$@"
e2e_setup "$1"
e2e_need_window_manager
# The drag source runs on Debian's own Python, where python3-gi lives (a python3 earlier on the search path
# may be another one).
DRAG_PYTHON=/usr/bin/python3
"$DRAG_PYTHON" -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' 2>/dev/null ||
    { echo "SKIP: python3-gi and gir1.2-gtk-3.0 are needed for the drag source"; exit 77; }

docs="$E2E_TMP/docs"
mkdir -p "$docs/IDE"
cd "$docs" || exit 1
recovery="$XDG_STATE_HOME/brivo/recovery"
NOTEPAD="Brivo : TextEdit - K.VARDEN"
IDE="Brivo : IDE - K.VARDEN"
IMAGES="Brivo : Image Viewer - K.VARDEN"
LAUNCHER="Brivo - K.VARDEN"

printf 'dropped notes\n' >"$docs/notes.txt"
printf 'int main() { return 0; }\n' >"$docs/main.cpp"
convert -size 64x48 xc:teal "$docs/picture.png" || e2e_fail "imagemagick could not write a picture"

# Drags the files "$2"... from a GTK program of its own onto window $1 and lets go there. The program must
# live on and answer the drop (the source hears the end of the drag).
DRAG_LOG="$E2E_TMP/drag.log"
drop_from_other_program() {
    local target=$1 source x y w h
    shift
    "$DRAG_PYTHON" "$here/dragsource.py" "$@" >"$DRAG_LOG" 2>&1 &
    local source_pid=$!
    source=$(e2e_wait_window "brivo drag source") || e2e_fail "the drag source did not show: $(cat "$DRAG_LOG")"
    xdotool windowmove --sync "$source" 0 0 >/dev/null 2>&1
    # Where the target lies, away from the source's corner.
    read -r x y w h < <(xwininfo -id "$target" | awk '/Absolute upper-left X:/ {x=$4}
        /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
    xdotool mousemove --sync 60 40 mousedown 1
    local step
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --sync $((60 + (x + w / 2 - 60) * step / 8)) $((40 + (y + h / 2 - 40) * step / 8))
        sleep 0.1
    done
    sleep 0.3
    xdotool mouseup 1
    e2e_poll 10 grep -q drag-end "$DRAG_LOG" || e2e_fail "the drop was never answered"
    kill "$source_pid" 2>/dev/null
    wait "$source_pid" 2>/dev/null
}
alive() { kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended: $*"; }

# --- Drops from another program: on the launcher two files open each in its tool; on the image viewer
# a text file opens in the notepad. ---
e2e_start
launcher=$(e2e_wait_window "$LAUNCHER" 30) || e2e_fail "the launcher did not appear"
xdotool windowmove --sync "$launcher" 400 200 >/dev/null 2>&1
drop_from_other_program "$launcher" "$docs/notes.txt" "$docs/picture.png"
e2e_wait_window "$NOTEPAD" 30 >/dev/null || e2e_fail "the text file dropped on the launcher did not open"
viewer=$(e2e_wait_window "$IMAGES" 30) || e2e_fail "the picture dropped on the launcher did not open"
alive "after a drop on the launcher"
xdotool windowmove --sync "$viewer" 500 300 >/dev/null 2>&1
xdotool windowraise "$viewer"
drop_from_other_program "$viewer" "$docs/main.cpp"
e2e_wait_window "$IDE" 30 >/dev/null || e2e_fail "the file dropped on the image viewer did not open"
alive "after a drop on the image viewer"
echo "drops from another program: launcher (two files) and image viewer"

# --- The end of the session with unsaved text in the notepad and the code editor: both are kept as
# recovery copies, the program ends, and the next start offers them. ---
for title in "$NOTEPAD" "$IDE"; do
    id=$(e2e_find_window "$title") || e2e_fail "no window \"$title\""
    e2e_focus "$id"
    xdotool key --clearmodifiers ctrl+End
    xdotool type --clearmodifiers --delay 10 "unsaved"
done
kill -TERM "$E2E_PID"
ended() { ! kill -0 "$E2E_PID" 2>/dev/null; }
e2e_poll 15 ended || e2e_fail "SIGTERM did not end the program"
wait "$E2E_PID" 2>/dev/null
status=$?
[ "$status" = 0 ] || e2e_fail "after SIGTERM the program ended with $status"
copies_of() { grep -l "unsaved" "$recovery"/*/*-"$1" >/dev/null 2>&1; }
copies_of notes.txt && copies_of main.cpp ||
    e2e_fail "SIGTERM left no recovery copies of the typed text: $(ls -R "$recovery" 2>&1)"
E2E_PID=
e2e_start
e2e_wait_window "Brivo : Recover Unsaved Text" 30 >/dev/null || e2e_fail "the next start offered nothing"
e2e_stop
rm -rf "$recovery"
echo "SIGTERM: unsaved text of two editors kept and offered at the next start"

# --- The end of the session during an extraction: 7z ends and its private folder goes. ---
# BZip2 of random bytes takes 7z a few seconds to unpack.
arch="$E2E_TMP/arch"
mkdir -p "$arch"
head -c 60000000 /dev/urandom >"$arch/noise.bin"
(cd "$arch" && 7z a -bd -m0=BZip2 -mmt=2 slow.7z noise.bin >/dev/null && rm noise.bin) || e2e_fail "7z failed"
e2e_start "$arch/slow.7z"
id=$(e2e_wait_window "Brivo : Zip - K.VARDEN " 30) || e2e_fail "slow.7z: no archive window"
listed() { grep -q . <(xdotool search --onlyvisible --name 'Brivo : Zip' 2>/dev/null); }
e2e_poll 10 listed
sleep "$(e2e_secs 0.5)"
xdotool mousemove --window "$id" 711 34 click 1 # Un Zip
private_folder() { compgen -G "$arch/.brivo-extract-*" >/dev/null; }
e2e_poll 30 private_folder || e2e_fail "Un Zip started no extraction"
kill -TERM "$E2E_PID"
e2e_poll 15 ended || e2e_fail "SIGTERM during an extraction did not end the program"
E2E_PID=
! pgrep -f "slow\.7z" >/dev/null || e2e_fail "7z outlived the program"
! private_folder || e2e_fail "the private extraction folder was left behind: $(ls -a "$arch")"
echo "SIGTERM during an extraction: 7z ended and the private folder is gone"

# --- A file dragged from another program onto an archive's contents is added to it after a question;
# a double-click on an entry opens it in its tool from a private folder, which goes when that closes. ---
printf 'added from a drop\n' >"$arch/added.txt"
(cd "$docs" && 7z a -bd "$arch/small.zip" notes.txt >/dev/null) || e2e_fail "7z failed"
e2e_start "$arch/small.zip"
id=$(e2e_wait_window "Brivo : Zip - K.VARDEN " 30) || e2e_fail "small.zip: no archive window"
sleep "$(e2e_secs 1)"
drop_from_other_program "$id" "$arch/added.txt" # the window's middle lies on its contents
question=$(e2e_wait_window "Add" 15) || e2e_fail "a drop on the contents asked nothing"
e2e_focus "$question"
xdotool key --clearmodifiers Return
holds_added() { 7z l "$arch/small.zip" | grep -q "added.txt"; }
e2e_poll 20 holds_added || e2e_fail "the dropped file was not added: $(7z l "$arch/small.zip")"
alive "after adding a dropped file"
entry_folders() { compgen -G "${TMPDIR:-/tmp}/brivo-entry-*" | sort; }
before=$(entry_folders)
sleep "$(e2e_secs 1)"
xdotool mousemove --window "$id" 580 302 click --repeat 2 --delay 80 1 # notes.txt, the second row
notepad=$(e2e_wait_window "$NOTEPAD" 30) || e2e_fail "a double-click on an entry opened nothing"
opened=$(comm -13 <(echo "$before") <(entry_folders))
[ -n "$opened" ] && [ -f "$opened/notes.txt" ] || e2e_fail "no private folder holds the entry: $opened"
e2e_focus "$notepad"
xdotool key --clearmodifiers alt+F4
gone() { [ ! -e "$1" ]; }
e2e_poll 15 gone "$opened" || e2e_fail "the entry's folder outlived its window"
e2e_stop
echo "archive contents: a dropped file added after a question, an entry opened and its folder removed"

# --- Keys from the first moment, in the window the window manager made active. ---
# key_at_open FILE TITLE KEYS CHECK...: opens FILE, waits for its window to be active, presses KEYS and
# waits for CHECK (a command, run with the window's id as its last argument).
key_at_open() {
    local file=$1 title=$2 keys=$3 id
    shift 3
    if [ "$file" = - ]; then e2e_start; else e2e_start "$docs/$file"; fi
    id=$(e2e_wait_window "$title" 30) || e2e_fail "$file: no window \"$title\""
    e2e_poll 10 test "$(e2e_active_window)" = "$id" || e2e_fail "$file: the window did not become active"
    # shellcheck disable=SC2086
    xdotool key --clearmodifiers $keys
    e2e_poll 10 "$@" "$id" || e2e_fail "$file: $keys did nothing at once"
    e2e_stop
    echo "$file: $keys works at once"
}
full_screen() { [ "$(e2e_window_size "$1")" = 1280x1024 ]; }
notepad_shown() { e2e_find_window "$NOTEPAD" >/dev/null; }
closed() { e2e_window_unmapped "$1"; }
file_holds() { [ "$(cat "$1")" = "$2" ]; }
sample_video "$docs/clip.avi" "$docs/picture.png" 1 || e2e_fail "gst-launch-1.0 could not make a video"
sample_pdf "$docs/paper.pdf" "A page"
key_at_open - "$LAUNCHER" Return notepad_shown
key_at_open picture.png "$IMAGES" F11 full_screen
key_at_open paper.pdf "Brivo : Pdf Viewer - K.VARDEN" F11 full_screen
# Page Down on a page that fits the window goes on to the next page and End to the last, with no click
# first; the viewer writes down the page it was left on a second later.
page="<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 50] >>"
pdf_from_objects "$docs/pages.pdf" "<< /Type /Catalog /Pages 2 0 R >>" \
    "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>" "$page" "$page" "$page"
left_on_page() { grep -q "\"page\":$1" "$XDG_STATE_HOME/brivo/pdf-places.json" 2>/dev/null; }
key_at_open pages.pdf "Brivo : Pdf Viewer - K.VARDEN" Next left_on_page 1
key_at_open pages.pdf "Brivo : Pdf Viewer - K.VARDEN" End left_on_page 2
sample_gif "$docs/dot.gif"
key_at_open dot.gif "Brivo : Gif Viewer - K.VARDEN" Escape closed
key_at_open clip.avi "$LAUNCHER" Return full_screen
printf '' >"$docs/typed.txt"
key_at_open typed.txt "$NOTEPAD" "t y p e d ctrl+s" file_holds "$docs/typed.txt" typed
printf '' >"$docs/typed.cpp"
key_at_open typed.cpp "$IDE" "t y p e d ctrl+s" file_holds "$docs/typed.cpp" typed

# --- Alt with a letter opens the menu it names and never types into the text. ---
for file in typed.txt typed.cpp; do
    e2e_start "$docs/$file"
    id=$(e2e_wait_window "$([ "$file" = typed.txt ] && echo "$NOTEPAD" || echo "$IDE")" 30) ||
        e2e_fail "$file: no editor"
    e2e_focus "$id"
    xdotool key --clearmodifiers alt+f
    e2e_poll 5 menu_open || e2e_fail "$file: Alt+F did not open the File menu"
    # The first Escape closes the menu, the second leaves the menu bar.
    xdotool key --clearmodifiers Escape
    e2e_poll 5 no_menu_open || e2e_fail "$file: Escape did not close the File menu"
    xdotool key --clearmodifiers Escape
    sleep "$(e2e_secs 0.3)"
    xdotool key --clearmodifiers alt+q ctrl+End exclam ctrl+s
    e2e_poll 10 file_holds "$docs/$file" "typed!" ||
        e2e_fail "$file: Alt with a letter typed into the text: \"$(cat "$docs/$file")\""
    e2e_stop
    echo "$file: Alt+F opens File, Alt+Q types nothing"
done

# --- Another program replaces the file the notepad has open: the bar shows over the text, and Save asks
# before it writes over the other program's change. ---
printf 'old\n' >"$docs/shared.txt"
e2e_start "$docs/shared.txt"
id=$(e2e_wait_window "$NOTEPAD" 30) || e2e_fail "shared.txt: no notepad"
e2e_focus "$id"
xdotool key --clearmodifiers m i n e
printf 'theirs\n' >"$docs/shared.txt.new" && mv "$docs/shared.txt.new" "$docs/shared.txt"
# The bar's pale yellow fills a band under the menu bar.
bar_shown() {
    [ "$(import -window "$1" png:- 2>/dev/null | convert png:- -crop 4000x80+0+0 -fuzz 4% -fill black \
        +opaque '#fff3c4' -fill white -opaque '#fff3c4' -format '%[fx:mean > 0.05]' info:)" = 1 ]
}
e2e_poll 10 bar_shown "$id" || e2e_fail "shared.txt: no bar after another program replaced the file"
xdotool key --clearmodifiers ctrl+s
question=$(e2e_wait_window "File changed" 10) || e2e_fail "shared.txt: Save did not ask first"
e2e_focus "$question"
xdotool key --clearmodifiers Escape
e2e_poll 10 e2e_window_unmapped "$question" || e2e_fail "shared.txt: the question stayed"
file_holds "$docs/shared.txt" theirs || e2e_fail "shared.txt: Save wrote over the other program's change"
e2e_stop
# The typed text was left unsaved: its copy would be offered at the next start.
rm -rf "$recovery"
echo "shared.txt: the bar shows and Save asks before it writes over another program's change"

# --- A window larger than the screen is made to fit, frame and title bar included. ---
# A page of 420 x 1400 points opens taller than the 1024 pixels of the screen.
pdf_from_objects "$docs/tall.pdf" "<< /Type /Catalog /Pages 2 0 R >>" "<< /Type /Pages /Kids [3 0 R] /Count 1 >>" \
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 1400] >>"
e2e_start "$docs/tall.pdf"
id=$(e2e_wait_window "Brivo : Pdf Viewer - K.VARDEN" 30) || e2e_fail "tall.pdf: no PDF window"
fits() {
    local x y size
    read -r x y size < <(e2e_frame_geometry "$1")
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + ${size%x*})) -le 1280 ] && [ $((y + ${size#*x})) -le 1024 ]
}
e2e_poll 10 fits "$id" || e2e_fail "the PDF window's frame is $(e2e_frame_geometry "$id"), beyond 1280x1024"
e2e_stop
echo "a tall PDF window fits the screen with its frame"

# --- The snapshot window comes back where it stood after an Auto Hide capture. ---
e2e_start
launcher=$(e2e_wait_window "$LAUNCHER" 30) || e2e_fail "the launcher did not appear"
xdotool mousemove --window "$launcher" 300 350 click 1
win=$(e2e_wait_window "Brivo : Snap Shot - K.VARDEN") || e2e_fail "the Snap Shot tile opened no window"
xdotool windowmove --sync "$win" 200 150 >/dev/null 2>&1
place() { e2e_frame_geometry "$1"; }
e2e_poll 5 test "$(place "$win" | cut -d' ' -f1-2)" = "200 150" || true
before=$(place "$win")
for round in 1 2 3; do
    e2e_focus "$win"
    # Focus starts on the home button; Tab moves on to "Auto Hide.", then to "Take Snap Shot", where it
    # stays for the next rounds.
    [ "$round" = 1 ] && xdotool key Tab Tab
    events="$E2E_TMP/events.log"
    e2e_watch_window "$win" "$events"
    xdotool key space
    e2e_poll 15 grep -q UnmapNotify "$events" || e2e_fail "capture $round: Take Snap Shot did not hide the window"
    e2e_poll 15 grep -q '^MapNotify' "$events" || e2e_fail "capture $round: the window did not come back"
    e2e_unwatch
    e2e_poll 5 test "$(place "$win")" = "$before" ||
        e2e_fail "capture $round: the window came back at $(place "$win"), not $before"
done
e2e_stop
echo "the snapshot window comes back in its place: $before"
