# Cross-builds QX for 32-bit Windows (g++-mingw-w64-i686-posix); running its tests needs a
# 32-bit Wine (wine32, i386 multiarch):
#   cmake -S . -B build-windows32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
