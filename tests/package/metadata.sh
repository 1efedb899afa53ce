#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and its tools read there: the
# manual page, the desktop entry, the AppStream metadata (and that it finds its desktop entry), the file
# types Brivo adds to the shared MIME database, and that the files naming a version name the program's.
set -u
build=$1
for tool in mandoc desktop-file-validate appstreamcli update-mime-database; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"; exit 77; }
done
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
usr="$tmp/usr"
cmake --install "$build" --prefix "$usr" >/dev/null || fail "cmake --install failed"

man="$usr/share/man/man1/brivo.1.gz"
[ -f "$man" ] || fail "no manual page at share/man/man1"
mandoc -T lint -W warning "$man" || fail "mandoc finds fault with the manual page"

desktop-file-validate --no-hints "$usr/share/applications/brivo.desktop" || fail "the desktop entry is not valid"
appstreamcli validate-tree --no-net "$usr" >"$tmp/appstream.log" 2>&1 ||
    { cat "$tmp/appstream.log"; fail "the AppStream metadata is not valid"; }

# The shared database, rebuilt from the system's definitions and ours, gives the odd extensions their types.
mime="$tmp/mime"
mkdir -p "$mime/packages"
cp "$usr/share/mime/packages/brivo.xml" "$mime/packages/"
if [ -f /usr/share/mime/packages/freedesktop.org.xml ]; then
    cp /usr/share/mime/packages/freedesktop.org.xml "$mime/packages/"
fi
# (Without fsync: the folder is thrown away, and syncing it takes seconds.)
PKGSYSTEM_ENABLE_FSYNC=0 update-mime-database "$mime" >"$tmp/mime.log" 2>&1 ||
    { cat "$tmp/mime.log"; fail "update-mime-database rejects share/mime/packages/brivo.xml"; }
for glob in python:text/x-python asm:text/x-asm bat:application/x-bat; do
    grep -q ":${glob#*:}:\*\.${glob%%:*}$" "$mime/globs2" || fail "*.${glob%%:*} is not ${glob#*:} in the database"
done
# Every file that names the version names the program's.
version=$("$build/bin/brivo" --version | sed -n 's/^brivo //p')
[ -n "$version" ] || fail "brivo --version printed no version"
zcat "$man" | grep -q "^\.TH BRIVO 1 [^ ]* \"Brivo $version\"" || fail "the manual page is not of version $version"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/org.brivo_tools.Brivo.metainfo.xml" ||
    fail "the AppStream metadata has no release $version"
zcat "$usr/share/doc/brivo/changelog.gz" | head -n 1 | grep -q "^brivo ($version) " ||
    fail "the change log does not begin with version $version"

echo "manual page, desktop entry, AppStream metadata and file types are valid"
