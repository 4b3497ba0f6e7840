# Compile settings shared by every target of the project.
add_library(plimo_options INTERFACE)
target_compile_features(plimo_options INTERFACE cxx_std_20)
if(MSVC)
    target_compile_options(plimo_options INTERFACE /W4 /utf-8)
else()
    target_compile_options(plimo_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
endif()
target_compile_definitions(plimo_options INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_USE_QSTRINGBUILDER)

option(PLIMO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(PLIMO_SANITIZE)
    target_compile_options(plimo_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(plimo_options INTERFACE -fsanitize=address,undefined)
endif()

# "cmake --build build --target format" formats every C++ file of the project with the project's .clang-format.
find_program(PLIMO_CLANG_FORMAT NAMES clang-format clang-format-14)
if(PLIMO_CLANG_FORMAT)
    file(GLOB_RECURSE PLIMO_FORMAT_FILES CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h
        ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
        ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/fuzz/*.cpp)
    add_custom_target(format COMMAND ${PLIMO_CLANG_FORMAT} -i ${PLIMO_FORMAT_FILES} VERBATIM)
endif()
