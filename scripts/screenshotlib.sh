# Helpers for the scripts in scripts/screenshots.d: source this file first, as
#     . "$(dirname "$0")/../screenshotlib.sh"
# It takes the arguments every shot script is given (the program, the folder for the pictures), makes a
# temporary folder that the program's tool root and state point into, and stops the program on exit.
# The display is the one scripts/screenshots started.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tests/e2e/e2elib.sh"
. "$root/tests/support/samplefiles.sh"

[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run the shots through scripts/screenshots" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
shot_name=$(basename "$0" .sh)
shot_out=$(realpath -m "$2")
# The shots' files lie under /var/tmp, so that the archive tool's file tree shows them among that folder's
# few neighbours rather than among whatever else the machine keeps in /tmp.
[ -d /var/tmp ] && [ -w /var/tmp ] && export TMPDIR=/var/tmp
e2e_setup "$1"
export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_STATE_HOME="$E2E_TMP/state" XDG_DATA_HOME="$E2E_TMP/data" \
    XDG_CACHE_HOME="$E2E_TMP/cache"
# The shot's own files go here; the program runs in this folder.
shot_files="$E2E_TMP/Documents"
mkdir -p "$shot_files"
cd "$shot_files" || exit 1

# Prints the MD5 sum of window $1's picture.
shot_fingerprint() {
    import -window "$1" rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}

# Waits until window $1 has shown the same picture three times running (it has finished loading and
# painting), for up to $2 seconds (default 20). Returns 1 when it never settled.
shot_settle() {
    local id=$1 limit=${2:-20} last="" same=0 now
    local end=$((SECONDS + limit))
    while [ $SECONDS -lt $end ]; do
        now=$(shot_fingerprint "$id")
        if [ -n "$now" ] && [ "$now" = "$last" ]; then
            same=$((same + 1))
            [ $same -ge 2 ] && return 0
        else
            same=0
        fi
        last=$now
        sleep 0.25
    done
    return 1
}

# Waits until window $1 shows something other than it shows now (a video that starts, a page that
# loads), for up to $2 seconds (default 20). Returns 1 when nothing changed.
shot_wait_change() {
    local id=$1 limit=${2:-20} first
    local end=$((SECONDS + limit))
    first=$(shot_fingerprint "$id")
    while [ $SECONDS -lt $end ]; do
        [ "$(shot_fingerprint "$id")" != "$first" ] && return 0
        sleep 0.2
    done
    return 1
}

# Clicks at ($2, $3) inside window $1.
shot_click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# Writes window $1's picture as OUTDIR/<name>.png, where <name> is the shot script's name or $2.
shot_take() {
    local out="$shot_out/${2:-$shot_name}.png"
    import -window "$1" "$out" || e2e_fail "could not capture the window"
    echo "$shot_name: $(identify -format '%wx%h' "$out") ${out##*/}"
}
