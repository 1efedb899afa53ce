#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed program from there.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
build=$1
prefix=$(mktemp -d)
trap 'e2e_stop; rm -rf "$prefix" "${E2E_TMP:-}"' EXIT

cmake --install "$build" --prefix "$prefix/usr" >/dev/null || e2e_fail "cmake --install failed"
desktop="$prefix/usr/share/applications/brivo.desktop"
[ -x "$prefix/usr/bin/brivo" ] || e2e_fail "no installed program"
[ -f "$desktop" ] || e2e_fail "no desktop entry"
[ -f "$prefix/usr/share/icons/hicolor/256x256/apps/brivo.png" ] || e2e_fail "no icon"
for mime in text/plain text/x-c++src text/html application/pdf audio/mpeg video/mp4 image/png image/jpeg \
    application/zip application/x-7z-compressed image/gif; do
    grep -q "^MimeType=.*$mime;" "$desktop" || e2e_fail "the desktop entry does not offer $mime"
done
launcher=$(sed -n 's/^Exec=\([^ ]*\) %f$/\1/p' "$desktop")
[ -x "$launcher" ] || e2e_fail "the desktop entry starts $launcher, which is not there"
if find "$prefix" -name '*brivo_testmodule*' | grep -q .; then
    e2e_fail "the test module was installed"
fi
# The modules are named without "lib", as a Windows build names them, and installed in the private
# library folder.
modules=$(cd "$build/bin" && ls brivo_*.so 2>/dev/null | grep -v '^brivo_testmodule')
[ -n "$modules" ] || e2e_fail "the build made no module named brivo_*.so"
for module in $modules; do
    find "$prefix/usr" -path "*/brivo/$module" | grep -q . || e2e_fail "the module $module was not installed"
done

e2e_setup "$prefix/usr/bin/brivo"
# Started the way the desktop starts it: through the launch script, from anywhere.
(cd / && "$launcher" >"$E2E_TMP/launch.log" 2>&1) &
E2E_PID=$!
e2e_wait_window "Brivo - K.VARDEN" >/dev/null || { cat "$E2E_TMP/launch.log"; e2e_fail "the installed program did not show its launcher"; }
echo "installed: program, libraries, desktop entry, icon; the launcher starts"
