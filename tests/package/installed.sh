#!/usr/bin/env bash
# Starts an installed Brivo (the program given, /usr/bin/brivo when none is) with a text file and with a
# PDF, and sees the notepad and the PDF viewer: the PDF viewer is a module loaded on first use, so its
# window proves that the program finds its modules in the installed library folder. With a second
# argument, `brivo --version` must print that version.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/e2elib.sh"
. "$here/../support/samplefiles.sh"
e2e_need_display "$@"
e2e_setup "${1:-/usr/bin/brivo}"

if [ -n "${2:-}" ]; then
    version=$("$E2E_BRIVO" --version) || e2e_fail "brivo --version failed"
    [ "$version" = "brivo $2" ] || e2e_fail "brivo --version printed \"$version\", not \"brivo $2\""
    echo "version: $version"
fi

docs="$E2E_TMP/docs"
mkdir -p "$docs"
cd "$docs" || exit 1
echo "Installed and running." >"$docs/notes.txt"
sample_pdf "$docs/paper.pdf" "Installed and running."
for check in "notes.txt|Brivo : TextEdit - K.VARDEN" "paper.pdf|Brivo : Pdf Viewer - K.VARDEN"; do
    file=${check%%|*}
    title=${check#*|}
    e2e_start "$docs/$file"
    if ! e2e_wait_window "$title" 30 >/dev/null; then
        # A module that does not load says so in a box titled "Error".
        e2e_wait_window "Error" 1 >/dev/null && e2e_fail "$file: an Error box instead of \"$title\""
        e2e_fail "$file: no window titled \"$title\""
    fi
    e2e_stop
    echo "$file: \"$title\""
done
