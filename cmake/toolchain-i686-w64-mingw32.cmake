# Cross build for 32-bit Windows with Debian's MinGW-w64 compilers:
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
#
# The -posix compilers are the ones whose C++ library has std::thread and std::mutex (the
# test driver and GoogleTest need them). Everything is linked statically, so tolvane.exe
# and the test programs run without a DLL beside them. Tests run through Wine when it is
# installed (ctest starts each test program with it).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOLVANE_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The sources are UTF-8 (Chinese captions and face names); the narrow execution character
# set stays UTF-8 as on Linux, and the code pages are crossed explicitly.
set(CMAKE_C_FLAGS_INIT "-finput-charset=UTF-8 -fexec-charset=UTF-8")
set(CMAKE_CXX_FLAGS_INIT "-finput-charset=UTF-8 -fexec-charset=UTF-8")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TOLVANE_WINE wine)
if(TOLVANE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_WINE})
endif()
