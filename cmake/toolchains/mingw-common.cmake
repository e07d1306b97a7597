# Shared by the MinGW-w64 toolchain files; they set TIMS_MINGW_TRIPLE first.
# The posix thread-model compiler gives the whole C++ thread library; its winpthread is linked
# statically (src/plugin/win32_exports.cmake), so the DLLs need no extra runtime DLL.
find_program(TIMS_MINGW_CXX NAMES ${TIMS_MINGW_TRIPLE}-g++-posix ${TIMS_MINGW_TRIPLE}-g++ REQUIRED)
set(CMAKE_CXX_COMPILER ${TIMS_MINGW_CXX})
# C only for third-party projects built alongside (GoogleTest for the Windows tests).
find_program(TIMS_MINGW_CC NAMES ${TIMS_MINGW_TRIPLE}-gcc-posix ${TIMS_MINGW_TRIPLE}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${TIMS_MINGW_CC})

set(CMAKE_FIND_ROOT_PATH /usr/${TIMS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and DLL carries its own C++, GCC and thread runtimes: a plug-in folder or a test
# prefix then needs no runtime DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
