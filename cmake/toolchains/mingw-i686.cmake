# Cross-compiles for Windows (i686) with the MinGW-w64 GCC of the Debian packages.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TIMS_MINGW_TRIPLE i686-w64-mingw32)
# Floating point in SSE2 registers, as the 64-bit builds and the Windows compilers' 32-bit code
# do: the x87 default keeps 80-bit intermediates (1600 - 500 * 1.6 truncates to 799, not 800)
# and rounds float and double results whenever the register allocator spills them. The stack is
# realigned where SSE needs it, since a 32-bit host guarantees only 4 bytes.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
