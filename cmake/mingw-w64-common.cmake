# The body both MinGW toolchain files share; they set CMAKE_SYSTEM_PROCESSOR and QX_MINGW_TRIPLE.
# The -posix compilers are named on purpose: installing the win32 thread model repoints the
# plain names, and that GCC has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QX_MINGW_TRIPLE}-windres)

# Libraries and packages come from the MinGW root and from the prefixes named in
# CMAKE_PREFIX_PATH (an installed qx, a GoogleTest built for Windows), never from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QX_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static libgcc, libstdc++ and winpthread: an exe that needs their DLLs ends with 53 and no word.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Tests and discovery run the exes under Wine.
find_program(QX_WINE wine)
if(QX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QX_WINE})
endif()
