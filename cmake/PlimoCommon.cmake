# Compile settings shared by every target of the project.
add_library(plimo_options INTERFACE)
target_compile_features(plimo_options INTERFACE cxx_std_20)
if(MSVC)
    target_compile_options(plimo_options INTERFACE /W4 /utf-8)
else()
    target_compile_options(plimo_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
endif()
# Only targets that link plimo_options get it: GoogleTest and the other libraries keep their own flags.
if(PLIMO_WERROR)
    if(MSVC)
        target_compile_options(plimo_options INTERFACE /WX)
    else()
        target_compile_options(plimo_options INTERFACE -Werror)
    endif()
endif()
target_compile_definitions(plimo_options INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_USE_QSTRINGBUILDER)

option(PLIMO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(PLIMO_SANITIZE)
    target_compile_options(plimo_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(plimo_options INTERFACE -fsanitize=address,undefined)
endif()
# The factor by which the tests stretch the wall-clock limits they set themselves (and their waits for events):
# code under the sanitizers runs several times slower.
if(PLIMO_SANITIZE)
    set(PLIMO_TEST_TIME_SCALE_DEFAULT 5)
else()
    set(PLIMO_TEST_TIME_SCALE_DEFAULT 1)
endif()
set(PLIMO_TEST_TIME_SCALE ${PLIMO_TEST_TIME_SCALE_DEFAULT} CACHE STRING
    "Factor on the tests' own time limits (default 5 with the sanitizers, else 1)")

# "cmake --build build --target format" formats every C++ file of the project with the project's .clang-format.
find_program(PLIMO_CLANG_FORMAT NAMES clang-format clang-format-14)
if(PLIMO_CLANG_FORMAT)
    file(GLOB_RECURSE PLIMO_FORMAT_FILES CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h
        ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
        ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/fuzz/*.cpp ${PROJECT_SOURCE_DIR}/tools/*.cpp)
    add_custom_target(format COMMAND ${PLIMO_CLANG_FORMAT} -i ${PLIMO_FORMAT_FILES} VERBATIM)
endif()

# plimo_windows_gui(TARGET...): Windows GUI programs (no console window); with a static Qt, each carries the Windows
# platform plugin, so that the one file runs alone.
function(plimo_windows_gui)
    set_target_properties(${ARGN} PROPERTIES WIN32_EXECUTABLE ON)
    get_target_property(qt_type Qt6::Core TYPE)
    if(qt_type STREQUAL "STATIC_LIBRARY")
        foreach(target IN LISTS ARGN)
            qt_import_plugins(${target} INCLUDE Qt6::QWindowsIntegrationPlugin)
        endforeach()
    endif()
endfunction()
