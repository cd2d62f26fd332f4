# Cross-compiles the Windows program on Debian with MinGW-w64 (x86, 32-bit):
# the build for Windows 9x, 32-bit Windows and 64-bit Windows through WOW64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
