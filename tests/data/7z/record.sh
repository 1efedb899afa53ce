#!/usr/bin/env bash
# Records what the installed 7z writes for the scenarios the archive tool's parsers are tested with, into
# a folder named after 7z's version (tests/data/7z/<version>/): for each scenario its standard output
# (.out), standard error (.err) and exit code (.code). Run it after a 7z update and commit the new folder:
# the tests then read both versions.
#     bash tests/data/7z/record.sh [7z program]
set -euo pipefail
sevenzip=${1:-7z}
here=$(cd "$(dirname "$0")" && pwd)
version=$("$sevenzip" i 2>/dev/null | grep -m1 '^7-Zip' | grep -o '[0-9][0-9]*\.[0-9][0-9]*' | head -n1)
[ -n "$version" ] || { echo "cannot tell the version of $sevenzip" >&2; exit 1; }
out="$here/$version"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The switches the archive tool gives every run.
switches=(-spd -bsp2 -bse1 -sccUTF-8)

# record NAME INPUT COMMAND ARGS...: runs 7z with INPUT on its standard input ("-" for none).
record() {
    local name=$1 input=$2
    shift 2
    local code=0
    if [ "$input" = "-" ]; then
        "$sevenzip" "$@" </dev/null >"$out/$name.out" 2>"$out/$name.err" || code=$?
    else
        printf '%s\n' "$input" | "$sevenzip" "$@" >"$out/$name.out" 2>"$out/$name.err" || code=$?
    fi
    echo "$code" >"$out/$name.code"
}

# Names with blanks, accents, control characters (backspace, carriage return, escape) and a folder.
mkdir names
echo one >"names/with space.txt"
echo two >"names/café ünï.txt"
echo three >"names/$(printf 'ctl\bx\ry\033z.txt')"
mkdir "names/sub dir"
echo four >"names/sub dir/inner.txt"
(cd names && "$sevenzip" a -bd "${switches[@]}" ../names.7z -- * >/dev/null)
record list-names - l -slt "${switches[@]}" -- names.7z

# A tar with a folder, a symbolic link and a hard link, as GNU tar writes it.
mkdir links
echo data >links/target.txt
ln -s target.txt links/symlink
ln links/target.txt links/hardlink
tar -cf links.tar links
record list-tar-links - l -slt "${switches[@]}" -- links.tar

# Folders only implied by the paths below them (no folder entries), a name with a line break, and the
# leading "./" that tar keeps.
mkdir -p implied/docs/deep
echo a >implied/docs/deep/a.txt
echo c >implied/docs/c.txt
echo t >implied/top.txt
echo nl >"implied/docs/$(printf 'line\nbreak.txt')"
(cd implied && "$sevenzip" a -bd "${switches[@]}" -tzip ../implied.zip -- docs/deep/a.txt docs/c.txt top.txt >/dev/null)
(cd implied && tar -cf ../implied.tar ./docs/deep/a.txt "./docs/$(printf 'line\nbreak.txt')" ./top.txt)
record list-implied-zip - l -slt "${switches[@]}" -- implied.zip
record list-implied-tar - l -slt "${switches[@]}" -- implied.tar

# Encrypted entries: their names can be listed without the password; with hidden names they cannot.
printf 'secret\n' | "$sevenzip" a -bd "${switches[@]}" -p encrypted.7z -- "names/with space.txt" >/dev/null
printf 'secret\n' | "$sevenzip" a -bd "${switches[@]}" -p -tzip encrypted.zip -- "names/with space.txt" >/dev/null
printf 'secret\n' | "$sevenzip" a -bd "${switches[@]}" -p -mhe=on hidden.7z -- "names/with space.txt" >/dev/null
record list-encrypted - l -slt "${switches[@]}" -- encrypted.7z
record list-encrypted-zip - l -slt "${switches[@]}" -- encrypted.zip
record list-hidden-no-password - l -slt "${switches[@]}" -- hidden.7z
record list-hidden-wrong-password wrong l -slt "${switches[@]}" -- hidden.7z
record list-hidden-password secret l -slt "${switches[@]}" -- hidden.7z

# Testing: a sound archive, wrong and missing passwords, cut-short archives, not an archive, no file.
head -c 300000 /dev/urandom >noise.bin
"$sevenzip" a -bd "${switches[@]}" sound.7z -- noise.bin names >/dev/null
"$sevenzip" a -bd "${switches[@]}" -tzip sound.zip -- noise.bin >/dev/null
head -c 150000 sound.7z >truncated.7z
head -c 150000 sound.zip >truncated.zip
echo "no archive" >plain.7z
record test-ok - t "${switches[@]}" -- sound.7z
record test-wrong-password wrong t "${switches[@]}" -- encrypted.7z
record test-wrong-password-zip wrong t "${switches[@]}" -- encrypted.zip
record test-no-password - t "${switches[@]}" -- encrypted.7z
record test-truncated - t "${switches[@]}" -- truncated.7z
record test-truncated-zip - t "${switches[@]}" -- truncated.zip
record test-not-archive - t "${switches[@]}" -- plain.7z
record test-missing - t "${switches[@]}" -- missing.7z
record list-truncated - l -slt "${switches[@]}" -- truncated.7z

# Extracting entries that the archive does not hold.
record extract-none-selected - x -y -oout "${switches[@]}" -- sound.7z "not there.txt"

# Progress reports, drawn and rubbed out with backspaces on standard error while a large file is packed.
head -c 20000000 /dev/urandom >"big file.bin"
record pack-progress - a "${switches[@]}" -t7z -mx=1 progress.7z -- "big file.bin"

echo "recorded 7z $version into $out"
