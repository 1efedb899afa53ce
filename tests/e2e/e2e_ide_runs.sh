#!/usr/bin/env bash
# The code editor's runs in the real program, started in a project folder that is not the tool root:
# the start-up warning's "Set up" writes a fresh tool root through the set-up dialog; then a program in
# each language this machine has shows its line and its exit code in the Output pane, a C++ syntax error
# shows the compiler's message, and the linker settings and the Java class name memory take effect. Set
# up keeps a changed script unless told otherwise; quitting during a run ends what the run started.
set -u
. "$(dirname "$0")/e2elib.sh"
e2e_need_display "$@"
e2e_setup "$1"

command -v g++ >/dev/null && command -v python3 >/dev/null && command -v perl >/dev/null ||
    { echo "SKIP: g++, python3 and perl are needed (scripts/setup.sh installs them)"; exit 77; }

IDE_TITLE="Brivo : IDE - K.VARDEN"
project="$E2E_TMP/project"
ide="$BRIVO_ROOT/Ide"
mkdir -p "$project"
cd "$project" || exit 1

# Without a JDK, stand-ins take its place, so that the class name's way through this.txt, the script and
# the compiler is still checked: javac "compiles" by copying, java prints what the class's println would.
if ! command -v javac >/dev/null || ! command -v java >/dev/null; then
    mkdir -p "$E2E_TMP/jdk"
    printf '#!/bin/sh\n[ "$1" = -d ] && [ -f "$3" ] || exit 2\ncp "$3" "$2/$(basename "$3" .java).class"\n' \
        >"$E2E_TMP/jdk/javac"
    printf '#!/bin/sh\nf="$2/$3.class"\n[ -f "$f" ] || { echo "no class $3" >&2; exit 1; }\n%s\n%s\n' \
        "sed -n 's/.*println(\"\\(.*\\)\").*/\\1/p' \"\$f\"" \
        "exit \$(sed -n 's/.*System.exit(\\([0-9]*\\)).*/\\1/p' \"\$f\")" >"$E2E_TMP/jdk/java"
    chmod +x "$E2E_TMP/jdk/javac" "$E2E_TMP/jdk/java"
    export PATH="$E2E_TMP/jdk:$PATH"
    echo "no JDK here: javac and java are stand-ins"
fi

# Starts the program with the project's file $1 and waits for its code editor, whose id goes to IDE.
open_ide() {
    e2e_start "$project/$1"
    IDE=$(e2e_wait_window "$IDE_TITLE" 30) || e2e_fail "$1: no code editor"
}


# Chooses an entry of the editor's menu bar with the keyboard: the menu $1 places right of File, its
# entry $2 (counted from 0, separators left out).
ide_menu() {
    local right=$1 entry=$2 keys=()
    e2e_focus "$IDE"
    xdotool mousemove --window "$IDE" 12 9 click 1
    e2e_poll 5 menu_open || e2e_fail "the menu bar did not open"
    # Moving to the next menu selects its first entry; in the menu opened by the click, Down does.
    if [ "$right" -eq 0 ]; then
        keys+=(Down)
    else
        for _ in $(seq "$right"); do keys+=(Right); done
    fi
    for _ in $(seq "$entry"); do keys+=(Down); done
    xdotool key --delay 50 "${keys[@]}" Return
    # The menus close before anything else is clicked.
    e2e_poll 5 no_menu_open || e2e_fail "the menu did not close"
}

# Prints what the Output pane shows, copied through the clipboard.
output_text() {
    local height
    height=$(e2e_window_size "$IDE" | cut -dx -f2)
    # xclip stays behind to serve the empty text until the copy takes over: it must not hold the output
    # of this function open.
    printf '' | xclip -selection clipboard -i >/dev/null 2>&1
    xdotool mousemove --window "$IDE" 400 $((height - 120)) click 1
    xdotool key --clearmodifiers ctrl+a ctrl+c
    e2e_clipboard
}

# Waits until the Output pane holds a line matching $1; its text goes to OUTPUT.
wait_output() {
    local pattern=$1 tries
    tries=$(($(e2e_secs 40) * 4))
    for _ in $(seq "$tries"); do
        OUTPUT=$(output_text)
        grep -q -- "$pattern" <<<"$OUTPUT" && return 0
        sleep 0.25
    done
    e2e_fail "the Output pane never showed \"$pattern\"; it shows: $OUTPUT"
}

# Fails unless the Output pane's last text holds the line $1 exactly.
expect_line() {
    grep -qxF -- "$1" <<<"$OUTPUT" || e2e_fail "no line \"$1\" in the Output pane: $OUTPUT"
}

# Opens the project's file $1, runs the Build menu's entry $2 and expects the line $3 and the exit code $4.
run_expect() {
    open_ide "$1"
    ide_menu 2 "$2"
    wait_output "exit code $4 after"
    expect_line "$3"
    e2e_stop
    echo "$1: \"$3\" and exit code $4"
}

# ---- A fresh tool root, set up through the dialog the start-up warning offers -------------------------

printf '#include <cstdio>\nint main() { std::puts("hello from " "C++"); return 3; }\n' >hello.cpp
e2e_start "$project/hello.cpp"
box=$(e2e_wait_window "No Compilers Found " 30) || e2e_fail "no warning without toolchains"
e2e_focus "$box"
# OK has the focus; Tab moves it to "Set up".
xdotool key --clearmodifiers Tab Return
dialog=$(e2e_wait_window "Brivo : Set up toolchains") || e2e_fail "\"Set up\" did not open the dialog"
e2e_focus "$dialog"
xdotool key --clearmodifiers Return
e2e_wait_file "$ide/Perl/bin/perlb.bat" || e2e_fail "Set up wrote nothing"
for command in CCPP/bin/gcbat Python/pythone Perl/bin/perlb.bat jdk/bin/comj.bat; do
    [ -x "$ide/$command" ] && [ "$(head -n 1 "$ide/$command")" = "#!/bin/sh" ] ||
        e2e_fail "Set up did not write an executable shell script $command"
done
[ -d "$ide/batch" ] || e2e_fail "Set up did not make the Batch folder"
xdotool key --clearmodifiers Escape
e2e_poll 5 e2e_window_unmapped "$dialog" || e2e_fail "Escape did not close the set-up dialog"
echo "set up from the start-up warning: $(cd "$ide" && find . -type f | sort | tr '\n' ' ')"

# The editor that the warning stood before runs C++ straight away.
IDE=$(e2e_find_window "$IDE_TITLE") || e2e_fail "no code editor behind the set-up dialog"
ide_menu 2 0
wait_output "exit code 3 after"
expect_line "hello from C++"
e2e_stop
echo "hello.cpp: \"hello from C++\" and exit code 3"

# ---- Each language this machine has --------------------------------------------------------------------

printf 'print("hello from " + "Python")\nraise SystemExit(3)\n' >hello.python
printf 'print "hello from " . "Perl\\n";\nexit 3;\n' >hello.perl
printf 'echo "hello from Batch"\nexit 3\n' >hello.bat
run_expect hello.python 2 "hello from Python" 3
run_expect hello.perl 3 "hello from Perl" 3
run_expect hello.bat 6 "hello from Batch" 3
if command -v go >/dev/null; then
    printf 'package main\nimport ("fmt"; "os")\nfunc main() { fmt.Println("hello from " + "Go"); os.Exit(3) }\n' >hello.go
    run_expect hello.go 7 "hello from Go" 3
fi
if [ "$(uname -m)" = x86_64 ] && grep -q "GNU assembler" "$ide/Assembly/ax.bat" 2>/dev/null; then
    printf '%s\n' '.globl _start' '_start: mov $1, %rax; mov $1, %rdi; lea msg(%rip), %rsi; mov $len, %rdx; syscall' \
        'mov $60, %rax; mov $3, %rdi; syscall' 'msg: .ascii "hello from Assembly\n"' 'len = . - msg' >hello.asm
    run_expect hello.asm 9 "hello from Assembly" 3
fi

# A syntax error: the compiler's message and its exit code, and nothing run.
printf 'int main() { return 3 }\n' >broken.cpp
open_ide broken.cpp
ide_menu 2 0
wait_output "exit code 1 after"
grep -q "a.cpp:1:[0-9]*: error: expected .*;.* before .*}.* token" <<<"$OUTPUT" || e2e_fail "no compiler message: $OUTPUT"
e2e_stop
echo "broken.cpp: the compiler's message and exit code 1"

# ---- The linker settings take effect: a library named in them is linked -------------------------------

lib="$E2E_TMP/lib"
mkdir -p "$lib"
printf 'const char *greeting() { return "greeting from the library"; }\n' >"$lib/greet.cpp"
(cd "$lib" && g++ -c -o greet.o greet.cpp && ar rcs libgreet.a greet.o) || e2e_fail "could not build a library"
printf '#include <cstdio>\nconst char *greeting();\nint main() { std::puts(greeting()); return 3; }\n' >linked.cpp
open_ide linked.cpp
ide_menu 2 0
wait_output "exit code 1 after"
grep -q "undefined reference" <<<"$OUTPUT" || e2e_fail "linked without the library: $OUTPUT"
ide_menu 3 0
link=$(e2e_wait_window "Brivo : Linker") || e2e_fail "no linker window"
e2e_type_verified "$link" "-L$lib -lgreet"
# "Save" stands under the field, at the window's bottom left.
height=$(e2e_window_size "$link" | cut -dx -f2)
xdotool mousemove --window "$link" 30 $((height - 30)) click 1
e2e_poll 5 e2e_window_unmapped "$link" || e2e_fail "Save did not close the linker window"
[ "$(cat "$ide/CCPP/bin/link.txt")" = "-L$lib -lgreet" ] || e2e_fail "link.txt holds \"$(cat "$ide/CCPP/bin/link.txt")\""
ide_menu 2 0
wait_output "exit code 3 after"
expect_line "greeting from the library"
e2e_stop
echo "linked.cpp: the library named in the linker settings is linked"

# ---- The Java class name: asked once, remembered for the window's later runs --------------------------

printf 'public class Hello {\n    public static void main(String[] a) {\n        System.out.println("hello from Java");\n        System.exit(3);\n    }\n}\n' >Hello.java
open_ide Hello.java
ide_menu 2 1
java=$(e2e_wait_window "Brivo : Java-Enter Class Name") || e2e_fail "no class name dialog"
# A name without ".java" is used as typed; the script compiles it from a copy that has the suffix.
e2e_type_verified "$java" "Hello"
xdotool mousemove --window "$java" 17 92 click 1  # "Remember Class Name"
xdotool mousemove --window "$java" 40 123 click 1 # "Run"
e2e_poll 5 e2e_window_unmapped "$java" || e2e_fail "Run did not close the class name dialog"
wait_output "exit code 3 after"
expect_line "hello from Java"
[ "$(cat "$ide/jdk/bin/this.txt")" = "Hello" ] || e2e_fail "this.txt holds \"$(cat "$ide/jdk/bin/this.txt")\""
rm -f "$ide/jdk/bin/this.txt" "$ide/jdk/bin/Hello" "$ide/jdk/bin/Hello.java" "$ide/jdk/bin/Hello.class"
ide_menu 2 1
e2e_wait_file "$ide/jdk/bin/this.txt" || e2e_fail "the remembered name was not written again"
wait_output "exit code 3 after"
expect_line "hello from Java"
! e2e_find_window "Brivo : Java-Enter Class Name" >/dev/null || e2e_fail "the name was asked again"
e2e_stop
echo "Hello.java: the class name is remembered for the next run"

# ---- Set up keeps a changed script unless told to replace it ------------------------------------------

python="$ide/Python/pythone"
cp "$python" "$E2E_TMP/pythone.setup"
echo 'echo changed by the user' >>"$python"
cp "$python" "$E2E_TMP/pythone.changed"
open_ide hello.python
ide_menu 4 1
dialog=$(e2e_wait_window "Brivo : Set up toolchains") || e2e_fail "Settings did not open the set-up dialog"
for answer in Escape y; do
    e2e_focus "$dialog"
    xdotool key --clearmodifiers Return
    question=$(e2e_wait_window "Brivo : Replace a changed command") || e2e_fail "Set up did not ask about the changed script"
    e2e_focus "$question"
    xdotool key --clearmodifiers "$answer"
    e2e_poll 5 e2e_window_unmapped "$question" || e2e_fail "the question did not take $answer"
    if [ "$answer" = Escape ]; then
        cmp -s "$python" "$E2E_TMP/pythone.changed" || e2e_fail "Set up replaced the changed script unasked"
    else
        e2e_poll 5 cmp -s "$python" "$E2E_TMP/pythone.setup" || e2e_fail "Yes did not replace the script"
    fi
done
e2e_stop
echo "set-up dialog: a changed script is kept on No and replaced on Yes"

# ---- Quitting during a run ends what the run started ----------------------------------------------------

printf '(trap "" TERM; sleep 60) &\necho $! >"%s"\necho running\nsleep 60\n' "$project/grandchild" >long.bat
open_ide long.bat
ide_menu 2 6
e2e_wait_file "$project/grandchild" || e2e_fail "the long run did not start"
grandchild=$(cat "$project/grandchild")
ide_menu 0 9 # File > Exit closes the last window: the program quits
quit() { ! kill -0 "$E2E_PID" 2>/dev/null; }
e2e_poll 15 quit || e2e_fail "the program did not end when its last window closed during a run"
# A process that has ended but whose status nobody has collected yet (a zombie) is gone too.
gone() { ! kill -0 "$grandchild" 2>/dev/null || grep -q '^[0-9]* (.*) Z' "/proc/$grandchild/stat" 2>/dev/null; }
if ! e2e_poll 5 gone; then
    kill -9 "$grandchild" 2>/dev/null
    e2e_fail "what the run started outlived the program"
fi
echo "quit during a run: the program ended and so did what the run started"

# ---- The end of the session during a run (SIGTERM, as a logout sends it) ends what the run started ----------

rm -f "$project/grandchild"
open_ide long.bat
ide_menu 2 6
e2e_wait_file "$project/grandchild" || e2e_fail "the long run did not start"
grandchild=$(cat "$project/grandchild")
kill -TERM "$E2E_PID"
e2e_poll 15 quit || e2e_fail "SIGTERM during a run did not end the program"
if ! e2e_poll 5 gone; then
    kill -9 "$grandchild" 2>/dev/null
    e2e_fail "what the run started outlived the program's SIGTERM"
fi
echo "SIGTERM during a run: the program ended and so did what the run started"
