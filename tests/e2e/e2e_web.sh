#!/usr/bin/env bash
# The real program and the web browser: the engine starts only for a browser window, quietly (the program
# made the shared graphics context the engine looks for as it loads), turns its sandbox off with a notice
# only when running as root, and the program ends cleanly after it, engine and all.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
e2e_setup "$1"
unset QTWEBENGINE_DISABLE_SANDBOX
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-background-networking
page="$E2E_TMP/hello page.html"
echo '<html><head><title>Hello</title></head><body>hi</body></html>' >"$page"
notice="running as root, so the web browser's sandbox is turned off"
[ "$(id -u)" = 0 ] && as_root=1 || as_root=0

# Runs the program until its first window has painted, on platform $1 with the remaining arguments; fails
# unless it ends with 0 and without the engine's plugin warning. Its output is left in $log.
run_to_first_paint() {
    local platform=$1
    shift
    log="$E2E_TMP/run.log"
    QT_QPA_PLATFORM=$platform BRIVO_QUIT_AFTER_FIRST_PAINT=1 timeout "$(e2e_secs 60)" "$E2E_BRIVO" "$@" >"$log" 2>&1
    local rc=$?
    [ "$rc" = 0 ] || { cat "$log"; e2e_fail "ended with $rc on $platform ($*)"; }
    ! grep -q "initialized from a plugin" "$log" || { cat "$log"; e2e_fail "plugin warning on $platform"; }
}

run_to_first_paint xcb
! grep -q "$notice" "$log" || e2e_fail "started bare, the program prepared the web engine"
echo "launcher: no web engine"

# A real X server draws with OpenGL, which the engine shares with the window; offscreen does not. A
# sanitizer build leaves the X server out: Chromium's GPU thread never gets going there under
# AddressSanitizer with Mesa's software renderer, and the window never shows.
platforms="xcb offscreen"
[ -n "${BRIVO_E2E_SANITIZED:-}" ] && platforms=offscreen
for platform in $platforms; do
    run_to_first_paint "$platform" "$page"
    grep -q "$notice" "$log" && shown=1 || shown=0
    [ "$shown" = "$as_root" ] || { cat "$log"; e2e_fail "sandbox notice shown=$shown, running as root=$as_root"; }
    echo "browser on $platform: ends cleanly, sandbox notice only as root"
done

e2e_start "$page"
e2e_wait_window "Brivo : Web Browser - K.VARDEN" 30 >/dev/null || { cat "$E2E_TMP/brivo.log"; e2e_fail "no browser for an HTML file"; }
e2e_stop
echo "an HTML file opens in the browser"
