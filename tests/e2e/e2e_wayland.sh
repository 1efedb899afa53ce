#!/usr/bin/env bash
# The program on Wayland, under a headless compositor (weston): each tool opens its file, draws its window
# and ends cleanly; the snapshot window takes its picture through the desktop portal (a stand-in portal on
# the script's own session bus, answering with a picture the script made) and says so when no portal
# answers.
# Arguments: the program, the snapshot window's test program.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2elib.sh"
. "$here/../support/samplefiles.sh"
for tool in weston dbus-run-session convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus and python3-gi are needed"; exit 77; }
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || exec dbus-run-session -- bash "$0" "$@"
E2E_BRIVO=$(readlink -f "$1")
SNAPSHOT_TEST=$(readlink -f "$2")
E2E_TMP=$(mktemp -d)
export BRIVO_ROOT="$E2E_TMP/root" XDG_STATE_HOME="$E2E_TMP/state" XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -p "$BRIVO_ROOT" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
export QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=brivo-e2e

weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --width=1280 --height=1024 \
    >"$E2E_TMP/weston.log" 2>&1 &
WESTON=$!
trap 'kill $WESTON ${PORTAL:-} 2>/dev/null; rm -rf "$E2E_TMP"' EXIT
e2e_poll 15 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || e2e_fail "weston did not start: $(cat "$E2E_TMP/weston.log")"

docs="$E2E_TMP/docs"
mkdir -p "$docs/IDE"
cd "$docs" || exit 1
echo 'int main() { return 0; }' >hello.cpp
echo 'Some notes' >notes.txt
echo '<html><body><p>page</p></body></html>' >page.html
sample_pdf paper.pdf "A page"
convert -size 64x48 xc:teal picture.png
sample_gif dot.gif
sample_wav tone.wav
7z a -bd -y notes.zip notes.txt >/dev/null

# Each tool on Wayland: its window draws (the program ends after its first paint, as the start-up
# benchmark has it) and the program ends with 0, having deleted every window.
# The browser's engine does not get going under AddressSanitizer on a real display (see e2e_web.sh).
files=("" hello.cpp notes.txt picture.png paper.pdf dot.gif tone.wav notes.zip)
[ -n "${BRIVO_E2E_SANITIZED:-}" ] || files+=(page.html)
for file in "${files[@]}"; do
    BRIVO_QUIT_AFTER_FIRST_PAINT=1 timeout -k 5 "$(e2e_secs 30)" "$E2E_BRIVO" ${file:+"$docs/$file"} \
        >"$E2E_TMP/brivo.log" 2>&1
    status=$?
    [ "$status" = 0 ] || e2e_fail "${file:-the launcher}: ended with $status on Wayland: $(tail -n 20 "$E2E_TMP/brivo.log")"
    echo "wayland: ${file:-launcher} drawn and closed"
done

# SIGTERM on Wayland ends the program as on X11.
"$E2E_BRIVO" "$docs/notes.txt" >"$E2E_TMP/brivo.log" 2>&1 &
pid=$!
sleep "$(e2e_secs 1)"
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" = 0 ] || e2e_fail "SIGTERM on Wayland: the program ended with $status"
echo "wayland: SIGTERM ends the program cleanly"

# The snapshot window's capture on Wayland: first with no portal on the bus, then with the stand-in.
BRIVO_TEST_PORTAL=none "$SNAPSHOT_TEST" takeThroughThePortal || e2e_fail "no portal: the snapshot window's test failed"
convert -size 320x200 gradient:red-blue "$E2E_TMP/portal.png"
/usr/bin/python3 "$here/portalstandin.py" "$E2E_TMP/portal.png" >"$E2E_TMP/portal.log" 2>&1 &
PORTAL=$!
e2e_poll 10 grep -q ready "$E2E_TMP/portal.log" || e2e_fail "the stand-in portal did not start: $(cat "$E2E_TMP/portal.log")"
BRIVO_TEST_PORTAL="$E2E_TMP/portal.png" "$SNAPSHOT_TEST" takeThroughThePortal ||
    e2e_fail "the snapshot window did not take the portal's picture"
echo "wayland: the snapshot takes its picture through the desktop portal"
