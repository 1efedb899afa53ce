# Helpers for the end-to-end scripts: a virtual X server per script, windows found by their exact title.

# Re-runs the calling script under its own Xvfb unless it already has one. Exits 77 (skipped) without it.
e2e_need_display() {
    if [ -z "${BRIVO_E2E_XVFB:-}" ]; then
        for tool in xvfb-run xdotool xwininfo; do
            command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
        done
        export BRIVO_E2E_XVFB=1
        # A random first display number keeps runs that start together (two builds' suites) apart.
        exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" bash "$0" "$@"
    fi
    unset QT_QPA_PLATFORM
    export QT_QPA_PLATFORM=xcb
}

# Fails the script; what the program printed last goes with the message.
e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -s "${E2E_TMP:-}/brivo.log" ]; then
        echo "--- the program's output:" >&2
        tail -n 40 "$E2E_TMP/brivo.log" >&2
    fi
    exit 1
}

# Prints the id of the visible window whose title is exactly $1, waiting up to $2 seconds (default 15).
e2e_wait_window() {
    local title=$1 limit=${2:-15} pattern id
    # xdotool takes a regular expression: quote every character that means something in one.
    pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$(){}?+|/]/\\&/g')\$"
    for _ in $(seq 1 $((limit * 10))); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
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

e2e_stop() {
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
    # Recovery copies and other remembered state stay in the script's own folder, never the user's.
    export XDG_STATE_HOME="$E2E_TMP/state"
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -p "$BRIVO_ROOT" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    trap 'e2e_stop; rm -rf "$E2E_TMP"' EXIT
}
