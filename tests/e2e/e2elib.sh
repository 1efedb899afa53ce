# Helpers for the end-to-end scripts: a virtual X server per script, windows found by their exact title,
# and every step waiting for a state it can see before it acts. No step sleeps a fixed time where a state
# can be polled: a loaded machine or a sanitized build is slower, never differently ordered.

# Re-runs the calling script under its own Xvfb unless it already has one. Exits 77 (skipped) without it.
# The arguments are the X server's screens ("-screen 0 1280x1024x24" when none are given); further tools
# the script needs can be named in E2E_TOOLS.
#
# -noreset keeps the server up when its last client leaves: without it the server resets between two
# programs of one script, and a program started in that moment cannot connect to the display.
#
# The script runs with a session bus of its own, as a desktop session has. Without one, the D-Bus library
# tries to start a bus itself: it forks from Qt's D-Bus thread, and in the sanitized build the child can
# hang in the sanitizer's allocator before it ever runs the launcher, taking the program's start with it
# (seen as a window that never came, about one start in a dozen).
e2e_need_display() {
    if [ -z "${BRIVO_E2E_XVFB:-}" ]; then
        for tool in xvfb-run dbus-run-session xdotool xwininfo xclip ${E2E_TOOLS:-}; do
            command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
        done
        export BRIVO_E2E_XVFB=1
        local screens="${E2E_SCREENS:--screen 0 1280x1024x24}"
        # A random first display number keeps runs that start together (two builds' suites) apart.
        exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-noreset $screens" \
            dbus-run-session -- bash "$0" "$@"
    fi
    unset QT_QPA_PLATFORM
    export QT_QPA_PLATFORM=xcb
}

# Starts openbox on the script's X server, as a desktop has a window manager: windows get frames, are
# placed, focused when they open and may not be larger than the screen. Returns once openbox manages the
# screen. Exits 77 (skipped) without it.
e2e_need_window_manager() {
    command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }
    openbox --sm-disable >/dev/null 2>&1 &
    E2E_WM_PID=$!
    e2e_poll 10 e2e_window_manager_runs || e2e_fail "openbox did not start"
}
e2e_window_manager_runs() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# Prints "X Y WIDTHxHEIGHT" of the frame the window manager drew around window $1, title bar included.
e2e_frame_geometry() {
    local frame=$1 parent root
    root=$(xwininfo -root | awk '/Window id:/ {print $4}')
    # The frame is the window's ancestor just below the root.
    while parent=$(xwininfo -children -id "$frame" | awk '/Parent window id:/ {print $4}') &&
        [ -n "$parent" ] && [ "$parent" != "$root" ]; do
        frame=$parent
    done
    xwininfo -id "$frame" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w "x" h}'
}

# Succeeds while one of the program's menus is open: a popup window titled with the program's name (a
# search by name alone does not find popups).
menu_open() {
    local window
    for window in $(xdotool search --onlyvisible --class brivo 2>/dev/null); do
        [ "$(xdotool getwindowname "$window" 2>/dev/null)" = Brivo ] && return 0
    done
    return 1
}
no_menu_open() {
    ! menu_open
}

# Prints the id of the window that has the keyboard, as the window manager says (_NET_ACTIVE_WINDOW).
e2e_active_window() {
    xdotool getactivewindow 2>/dev/null
}

# Every limit below is what a quiet desk machine needs with room to spare. A shared CI machine has been
# seen running whole test programs ten times slower than that, so every limit is stretched by
# E2E_MARGIN, and by BRIVO_E2E_SLOWDOWN on top (the sanitized build sets it: everything there runs
# several times slower). A wait ends as soon as its state holds, so a long limit costs nothing while the
# program works; it only lengthens a failing run.
E2E_MARGIN=${E2E_MARGIN:-4}

# Prints $1 seconds scaled by E2E_MARGIN and BRIVO_E2E_SLOWDOWN, rounded up to whole seconds.
e2e_secs() {
    awk -v n="$1" -v f="$((E2E_MARGIN * ${BRIVO_E2E_SLOWDOWN:-1}))" \
        'BEGIN { s = n * f; printf "%d", (s == int(s)) ? s : int(s) + 1 }'
}

# Polls the command "$@" every tenth of a second until it succeeds or $1 (scaled) seconds have passed.
# Usage: e2e_poll SECONDS command args...
e2e_poll() {
    local deadline
    deadline=$((SECONDS + $(e2e_secs "$1")))
    shift
    while [ "$SECONDS" -lt "$deadline" ]; do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# Fails the script. What the program printed last, whether it still runs and which windows the X server
# shows go with the message, so that a failure on a machine nobody can look at still says what it saw.
e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "${E2E_PID:-}" ]; then
        if kill -0 "$E2E_PID" 2>/dev/null; then
            echo "--- the program (pid $E2E_PID) still runs: $(ps -o etime=,time=,stat= -p "$E2E_PID")" >&2
        else
            echo "--- the program (pid $E2E_PID) has ended" >&2
        fi
    fi
    echo "--- visible windows:" >&2
    local id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "  $id \"$(xdotool getwindowname "$id" 2>/dev/null)\" $(e2e_window_size "$id" 2>/dev/null)" >&2
    done
    if [ -s "${E2E_TMP:-}/brivo.log" ]; then
        echo "--- the program's output:" >&2
        tail -n 40 "$E2E_TMP/brivo.log" >&2
    fi
    echo "--- load: $(cat /proc/loadavg 2>/dev/null)" >&2
    exit 1
}

# Prints the id of the visible window whose title is exactly $1.
e2e_find_window() {
    local pattern
    # xdotool takes a regular expression: quote every character that means something in one.
    pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$(){}?+|/]/\\&/g')\$"
    xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 | grep .
}

# Prints the id of the visible window whose title is exactly $1, waiting up to $2 seconds (default 15,
# scaled).
e2e_wait_window() {
    local id
    id=$(e2e_poll "${2:-15}" e2e_find_window "$1") || return 1
    echo "$id"
}

# Succeeds when window $1 is not mapped (or no longer exists).
e2e_window_unmapped() {
    ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# Gives window $1 the keyboard focus and waits until the X server says it has it.
e2e_focus() {
    local id=$1
    e2e_poll 10 e2e_try_focus "$id" || e2e_fail "window $id did not take the keyboard focus"
}
e2e_try_focus() {
    timeout 2 xdotool windowfocus --sync "$1" >/dev/null 2>&1
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# Starts recording the X server's map and unmap notices of window $1 into the file $2 and returns once the
# recorder listens (a property set on the window for the purpose has reached it). Its pid goes to
# E2E_WATCHER; e2e_unwatch ends it.
e2e_watch_window() {
    local id=$1 log=$2
    : >"$log"
    xev -id "$id" -event structure -event property >"$log" 2>/dev/null &
    E2E_WATCHER=$!
    local probe
    for probe in $(seq 1 $((($(e2e_secs 5)) * 10))); do
        xprop -id "$id" -f _BRIVO_E2E_PROBE 32c -set _BRIVO_E2E_PROBE "$probe" 2>/dev/null
        grep -q PropertyNotify "$log" && return 0
        sleep 0.1
    done
    e2e_fail "could not watch window $id"
}
e2e_unwatch() {
    [ -n "${E2E_WATCHER:-}" ] && kill "$E2E_WATCHER" 2>/dev/null && wait "$E2E_WATCHER" 2>/dev/null
    E2E_WATCHER=
}

# Prints the text of the clipboard (empty when nobody owns it).
e2e_clipboard() {
    timeout "$(e2e_secs 5)" xclip -selection clipboard -o 2>/dev/null
}

# Types $2 into the focused text field of window $1, replacing what it held, and reads the field back
# through the clipboard (select all, copy) until it holds exactly $2. A field that is still being set up
# when the first keys arrive (a file dialog filling in its name as its folder loads) is typed into again.
e2e_type_verified() {
    local id=$1 text=$2
    for _ in 1 2 3 4 5; do
        e2e_focus "$id"
        xdotool key --clearmodifiers ctrl+a
        xdotool type --clearmodifiers --delay 10 -- "$text"
        # An empty clipboard first, so that an old copy is never taken for the field's text.
        printf '' | xclip -selection clipboard -i 2>/dev/null
        xdotool key --clearmodifiers ctrl+a ctrl+c
        # A retry follows a miss, so this wait takes no margin beyond the sanitizer's factor.
        if E2E_MARGIN=1 e2e_poll 3 e2e_clipboard_is "$text"; then
            return 0
        fi
    done
    e2e_fail "the field of window $id would not hold \"$text\" (it holds \"$(e2e_clipboard)\")"
}
e2e_clipboard_is() {
    [ "$(e2e_clipboard)" = "$1" ]
}

# Presses Return in dialog window $1 until the dialog goes away. A file dialog may be showing its name
# completion list when the key arrives: the first Return then only closes the list.
e2e_accept_dialog() {
    local id=$1
    for _ in 1 2 3; do
        e2e_window_unmapped "$id" && return 0
        e2e_poll 5 e2e_try_focus "$id" || continue
        xdotool key --clearmodifiers Return
        # A retry follows a miss, so this wait takes no margin beyond the sanitizer's factor.
        E2E_MARGIN=1 e2e_poll 3 e2e_window_unmapped "$id" && return 0
    done
    e2e_window_unmapped "$id" || e2e_fail "the dialog $id did not take Return"
}

# Waits up to $2 seconds (default 15, scaled) for the file $1 to exist.
e2e_wait_file() {
    e2e_poll "${2:-15}" test -e "$1"
}

# Prints "WIDTHxHEIGHT" of window $1.
e2e_window_size() {
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

# Starts the program in the background with the given arguments; its pid goes to E2E_PID.
e2e_start() {
    "$E2E_BRIVO" "$@" >"$E2E_TMP/brivo.log" 2>&1 &
    E2E_PID=$!
}

# Ends the program and waits until it has gone, so that the next one starts on a quiet server.
e2e_stop() {
    e2e_unwatch
    if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill "$E2E_PID" 2>/dev/null
        wait "$E2E_PID" 2>/dev/null
    fi
    E2E_PID=
}

e2e_setup() {
    E2E_BRIVO=$(readlink -f "$1")
    [ -x "$E2E_BRIVO" ] || e2e_fail "no program at $1"
    E2E_TMP=$(mktemp -d)
    export BRIVO_ROOT="$E2E_TMP/root"
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    export XDG_STATE_HOME="$E2E_TMP/state"
    mkdir -p "$BRIVO_ROOT" "$XDG_RUNTIME_DIR" "$XDG_STATE_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    trap 'e2e_stop; [ -n "${E2E_WM_PID:-}" ] && kill "$E2E_WM_PID" 2>/dev/null; rm -rf "$E2E_TMP"' EXIT
}
