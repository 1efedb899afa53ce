#!/usr/bin/env bash
# Started with a file of each extension group, the program shows that group's tool with its exact title
# (and its size where the tool sets one); the notepad takes typed text and saves it with Ctrl+S.
set -u
. "$(dirname "$0")/e2elib.sh"
. "$(dirname "$0")/../support/samplefiles.sh"
e2e_need_display "$@"
e2e_setup "$1"

docs="$E2E_TMP/my docs"
# The code editor warns before its window shows when no "IDE" folder stands in the current directory.
mkdir -p "$docs/IDE"
cd "$docs" || exit 1

echo 'int main() { return 0; }' >"$docs/hello.cpp"
echo 'Some notes' >"$docs/read me.txt"
echo '<html><body><p>caf&eacute;</p></body></html>' >"$docs/page.html"
sample_pdf "$docs/paper.pdf" "A page"
sample_wav "$docs/tone.mp3"
convert -size 64x48 xc:teal "$docs/picture.png" || e2e_fail "imagemagick could not write a picture"
sample_video "$docs/clip.avi" "$docs/picture.png" 1 || e2e_fail "gst-launch-1.0 could not make a video"
sample_gif "$docs/dot.gif"
(cd "$docs" && 7z a -bd -y notes.zip "read me.txt" >/dev/null) || e2e_fail "7z could not make an archive"

# file, title, size ("-" where the window takes its layout's size)
checks=(
    "hello.cpp|Brivo : IDE - K.VARDEN|800x600"
    "read me.txt|Brivo : TextEdit - K.VARDEN|950x367"
    "picture.png|Brivo : Image Viewer - K.VARDEN|600x500"
    "paper.pdf|Brivo : Pdf Viewer - K.VARDEN|-"
    "dot.gif|Brivo : Gif Viewer - K.VARDEN|-"
    "clip.avi|Brivo - K.VARDEN|800x600"
    "tone.mp3|Brivo - K.VARDEN|300x70"
    "notes.zip|Brivo : Zip - K.VARDEN |-"
    "page.html|Brivo : Web Browser - K.VARDEN|-"
)
for check in "${checks[@]}"; do
    IFS='|' read -r file title expected <<<"$check"
    e2e_start "$docs/$file"
    id=$(e2e_wait_window "$title" 30) || e2e_fail "$file: no window titled \"$title\""
    if [ "$expected" != "-" ]; then
        size=$(e2e_window_size "$id")
        [ "$size" = "$expected" ] || e2e_fail "$file: the window is $size, not $expected"
    fi
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "$file: the program ended"
    e2e_stop
    echo "$file: \"$title\" ${expected/-/(layout size)}"
done

# The notepad: a file that does not exist yet opens empty under its name; typed text is saved by Ctrl+S.
e2e_start "$docs/new notes.txt"
id=$(e2e_wait_window "Brivo : TextEdit - K.VARDEN") || e2e_fail "the notepad did not appear"
e2e_type_verified "$id" "typed by hand"
xdotool key ctrl+s
saved_text() { [ "$(cat "$docs/new notes.txt" 2>/dev/null)" = "typed by hand" ]; }
e2e_poll 10 saved_text || e2e_fail "Ctrl+S saved \"$(cat "$docs/new notes.txt" 2>/dev/null)\", not the typed text"
e2e_stop
echo "notepad: typed text saved with Ctrl+S"
