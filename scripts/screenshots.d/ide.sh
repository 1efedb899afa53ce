#!/usr/bin/env bash
# The code editor with a small C++ program.
. "$(dirname "$0")/../screenshotlib.sh"
# The editor warns before it shows when the folder it starts in has no toolchain folder "IDE".
mkdir -p "$shot_files/IDE"
cat >"$shot_files/hello.cpp" <<'TEXT'
#include <iostream>
#include <string>
#include <vector>

// Greets everyone named on the command line, or the world.
int main(int argc, char *argv[])
{
    std::vector<std::string> names(argv + 1, argv + argc);
    if (names.empty())
        names.push_back("world");
    for (const std::string &name : names)
        std::cout << "Hello, " << name << "!\n";
    return 0;
}
TEXT
e2e_start hello.cpp
id=$(e2e_wait_window "Brivo : IDE - K.VARDEN" 30) || e2e_fail "no code editor"
shot_settle "$id"
shot_take "$id"
