# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads, so that std::thread exists), run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
# A Qt built for Windows by tools/qt-windows lives outside the MinGW root; its moc, rcc and uic are the host's.
if(PLIMO_QT_WINDOWS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${PLIMO_QT_WINDOWS})
    list(APPEND CMAKE_PREFIX_PATH ${PLIMO_QT_WINDOWS})
    set(QT_HOST_PATH /usr CACHE PATH "")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PLIMO_QT_WINDOWS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable per test program: Wine then needs no MinGW runtime DLLs on its path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The same for zlib, which the local test server links: the import library would want zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)

# Debian names the 64-bit loader wine64 but installs it outside PATH.
find_program(PLIMO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(PLIMO_WINE NAMES wine64 wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PLIMO_WINE})
