#!/usr/bin/env bash
# The real program's command line: --help and --version print and end without a display, and fail when
# their output is lost; a file named --help opens instead; a file:// URL opens the file it names; a URL
# that names another computer is refused without a window; --tool opens a file in the tool named, and a
# wrong name is refused without a display.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
e2e_setup "$1"

# Without a display: a program that went on to open a window would fail here.
usage=$(env -u DISPLAY "$E2E_BRIVO" --help 2>&1) || e2e_fail "--help failed: $usage"
[[ $usage == "Usage: brivo [FILE]"* ]] || e2e_fail "--help printed: $usage"
version=$(env -u DISPLAY "$E2E_BRIVO" --version 2>&1) || e2e_fail "--version failed: $version"
[[ $version =~ ^brivo\ [0-9]+\.[0-9]+ ]] || e2e_fail "--version printed: $version"
if [ -w /dev/full ] && "$E2E_BRIVO" --help >/dev/full 2>/dev/null; then
    e2e_fail "--help reported success though its output was lost"
fi
echo "--help and --version print without a display"

docs="$E2E_TMP/docs"
mkdir -p "$docs"
cd "$docs" || exit 1
# A file named --help is a file: with no extension, it opens the launcher's chooser.
echo "not an option" >"$docs/--help"
e2e_start --help
e2e_wait_window "Unrecognised file type " 30 >/dev/null || e2e_fail "a file named --help did not open"
e2e_stop
echo "a file named --help opens the chooser"

# The notepad opens a new file under the decoded name; Ctrl+S writes it there.
e2e_start "file://$(printf '%s' "$docs" | sed 's/ /%20/g')/caf%C3%A9%20notes.txt"
id=$(e2e_wait_window "Brivo : TextEdit - K.VARDEN" 30) || e2e_fail "the file URL did not open the notepad"
saved() {
    xdotool key --clearmodifiers ctrl+s
    e2e_poll 0.5 test -e "$docs/café notes.txt"
}
e2e_focus "$id"
e2e_poll 10 saved || e2e_fail "the notepad did not save to \"café notes.txt\": $(ls "$docs")"
e2e_stop
echo "a file:// URL opens the file it names"

message=$(timeout "$(e2e_secs 20)" "$E2E_BRIVO" "file://elsewhere/notes.txt" 2>&1)
status=$?
[ $status -eq 2 ] && [[ $message == *"another computer"* ]] ||
    e2e_fail "a URL naming another computer ended with status $status: $message"
echo "a URL naming another computer is refused"

message=$(env -u DISPLAY "$E2E_BRIVO" --tool paint "$docs/page.html" 2>&1)
status=$?
[ $status -eq 2 ] && [[ $message == *"the tools are: ide, notepad,"* ]] ||
    e2e_fail "a wrong tool name ended with status $status: $message"
echo "<p>a page</p>" >"$docs/page.html"
e2e_start --tool notepad "$docs/page.html"
e2e_wait_window "Brivo : TextEdit - K.VARDEN" 30 >/dev/null || e2e_fail "--tool notepad did not open the notepad"
e2e_stop
echo "--tool opens the tool named; a wrong name is refused"
