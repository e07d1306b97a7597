# The Windows DLLs: tims_x64.dll and tims_x86.dll, by the bitness of the host that loads them.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TIMS_WINDOWS_ARCH x64)
else()
  set(TIMS_WINDOWS_ARCH x86)
endif()
set_target_properties(tims PROPERTIES PREFIX "" OUTPUT_NAME tims_${TIMS_WINDOWS_ARCH})

# Self-contained: the C++, GCC and thread runtimes are linked in, so the DLL imports only system
# DLLs that every Windows has (KERNEL32, USER32, msvcrt).
target_link_options(tims PRIVATE -static -static-libgcc -static-libstdc++)

if(TIMS_WINDOWS_ARCH STREQUAL "x86")
  # __stdcall names are decorated with their argument bytes (Elapse@48); the module-definition
  # file lists them so a changed signature fails the link, and kill-at exports the plain names.
  target_sources(tims PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plugin/tims_x86.def)
  target_link_options(tims PRIVATE -Wl,--kill-at)
  set_target_properties(tims PROPERTIES
    LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/plugin/tims_x86.def)
endif()
