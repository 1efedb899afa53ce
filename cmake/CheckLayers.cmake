# Checks that the includes point one way: platform/ at the bottom, common/ above it, each tool's folder
# above both (and beside, never into, another tool), app/ on top. Nothing below app/ includes app/.
# Run as a script: cmake -DSOURCE_DIR=<tree> -DTOOL_FOLDERS=<folder,folder,...> -P CheckLayers.cmake
# Tests and benchmarks sit above the program and are not checked.

cmake_minimum_required(VERSION 3.21)

if(NOT SOURCE_DIR OR NOT TOOL_FOLDERS)
    message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=... -DTOOL_FOLDERS=a,b,... -P CheckLayers.cmake")
endif()
string(REPLACE "," ";" tools "${TOOL_FOLDERS}")
set(layered app common platform ${tools})

# What the files of `folder` may include, as top folders of the tree.
function(allowed_below folder result)
    if(folder STREQUAL "app")
        set(allowed ${layered})
    elseif(folder STREQUAL "common")
        set(allowed common platform)
    elseif(folder STREQUAL "platform")
        set(allowed platform)
    elseif(folder IN_LIST tools)
        set(allowed ${folder} common platform)
    else()
        set(allowed common platform)
    endif()
    set(${result} ${allowed} PARENT_SCOPE)
endfunction()

set(faults)
foreach(folder IN LISTS layered ITEMS images packaging)
    file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
        ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.in)
    allowed_below(${folder} allowed)
    foreach(file IN LISTS files)
        file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^/\">]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^/\">]+)/.*" "\\1" top "${line}")
            if(top IN_LIST layered AND NOT top IN_LIST allowed)
                string(STRIP "${line}" line)
                list(JOIN allowed "/, " may)
                list(APPEND faults "${file}: ${line} (${folder}/ may include only ${may}/)")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes that point the wrong way:\n  ${text}")
endif()
list(JOIN layered ", " checked)
message(STATUS "The includes of ${checked} point one way")
