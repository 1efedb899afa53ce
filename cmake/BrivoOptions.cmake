# Compiler flags every Brivo target takes: warnings on, and the sanitizers when asked for.
add_library(brivo_build_flags INTERFACE)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(brivo_build_flags INTERFACE -Wall -Wextra)
elseif(MSVC)
    target_compile_options(brivo_build_flags INTERFACE /W4)
endif()

if(BRIVO_SANITIZE)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        message(FATAL_ERROR "BRIVO_SANITIZE needs GCC or Clang")
    endif()
    target_compile_options(brivo_build_flags INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(brivo_build_flags INTERFACE -fsanitize=address,undefined)
    # Every program starts with the options and leak suppressions of cmake/sanitizerdefaults.cpp.in.
    set(BRIVO_LSAN_SUPPRESSIONS ${PROJECT_SOURCE_DIR}/tests/sanitizers/lsan.supp)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/sanitizerdefaults.cpp.in ${PROJECT_BINARY_DIR}/sanitizerdefaults.cpp @ONLY)
    target_sources(brivo_build_flags INTERFACE
        $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:${PROJECT_BINARY_DIR}/sanitizerdefaults.cpp>)
    set(BRIVO_SANITIZE_WEBENGINE_ENV "ASAN_OPTIONS=new_delete_type_mismatch=0")
    # Mesa's llvmpipe compiles its shaders with LLVM, whose code registration allocates while the slow
    # unwinder above holds the unwinder's lock: the program deadlocks as it draws its first OpenGL frame
    # (a video, the browser). Mesa's simple software renderer without LLVM draws the same for the tests.
    set(BRIVO_SANITIZE_GL_ENV "GALLIUM_DRIVER=softpipe" "DRAW_USE_LLVM=0")
endif()

# Registers a QtTest program with CTest: built from the given sources, linked to brivo_core, the test
# helpers and whatever else is named after LIBS, run on the offscreen platform.
function(brivo_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE brivo_core brivo_test_support Qt6::Test brivo_build_flags ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # A test that starts the web engine (and turns its sandbox off to do so) runs Chromium, whose own
    # sized deletes do not match their allocations; the check is left on for every other test.
    if(BRIVO_SANITIZE AND ARG_ENVIRONMENT MATCHES "QTWEBENGINE_")
        list(APPEND ARG_ENVIRONMENT "${BRIVO_SANITIZE_WEBENGINE_ENV}")
    endif()
    if(BRIVO_SANITIZE)
        list(APPEND ARG_ENVIRONMENT ${BRIVO_SANITIZE_GL_ENV})
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        # Each test program keeps Qt's settings (the file dialogs' last folder, for one) and Brivo's state
        # (recovery copies) in folders of its own, so that no test, and no user's settings, steers another.
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_ASSUME_STDERR_HAS_CONSOLE=1;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}.config;BRIVO_STATE_DIR=${CMAKE_CURRENT_BINARY_DIR}/${name}.state;${ARG_ENVIRONMENT}")
endfunction()

# A shared library of ours exports only what is marked with its macro (BRIVO_CORE_EXPORT for brivo_core,
# from "brivo_core_export.h"): what other libraries, the program and the tests use. Everything else stays
# inside it, as on Windows, where a DLL exports nothing unmarked; building the same way here keeps the
# marks complete, and a smaller table of dynamic symbols makes the program start faster.
include(GenerateExportHeader)
function(brivo_hide_symbols target)
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    generate_export_header(${target} EXPORT_FILE_NAME ${PROJECT_BINARY_DIR}/exports/${target}_export.h)
    target_include_directories(${target} PUBLIC ${PROJECT_BINARY_DIR}/exports)
endfunction()

# A tool whose engine is loaded on first use: a shared library that its tests link directly and that the
# program opens through the module loader. Building `brivo` builds its modules too. Its file is named
# without the "lib" prefix on every platform (brivo_web.so; brivo_web.dll from MSVC and MinGW alike), so
# that the loader asks for one name everywhere.
# NO_INSTALL keeps a module out of the install (the loader's test module).
function(brivo_add_module target)
    cmake_parse_arguments(ARG "NO_INSTALL" "" "SOURCES;LIBS" ${ARGN})
    add_library(${target} SHARED ${ARG_SOURCES})
    brivo_hide_symbols(${target})
    set_target_properties(${target} PROPERTIES PREFIX "")
    target_link_libraries(${target} PUBLIC brivo_core ${ARG_LIBS} PRIVATE brivo_build_flags)
    if(TARGET brivo)
        add_dependencies(brivo ${target})
    endif()
    if(NOT ARG_NO_INSTALL)
        # The tools' modules, for the test that checks them against the tool table.
        set_property(GLOBAL APPEND PROPERTY BRIVO_TOOL_MODULES ${target})
        install(TARGETS ${target}
            LIBRARY DESTINATION ${BRIVO_INSTALL_PRIVATE_LIBDIR}
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endfunction()
