# The release zip for vehicle authors: both DLLs, sample settings files with every key explained,
# the example vehicle folder and scenarios, the host harness tims-host.exe and the install guide.
#   cmake --build --preset windows-x64 --target package
# The 64-bit build packs the 32-bit DLL too: it builds it first in its own build folder (the
# windows-x86 preset's), so that one command makes the whole release.
include_guard(GLOBAL)

set(TIMS_X86_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/windows-x86
    CACHE PATH "Build folder of the 32-bit DLL that the 64-bit package includes")
set(TIMS_PACKAGE_DIR tims-${PROJECT_VERSION}-windows)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(x86_dll ${TIMS_X86_BUILD_DIR}/src/tims_x86.dll)
  # Always run: the nested build is incremental, and it alone knows whether the DLL is current.
  add_custom_target(tims_x86_dll ALL
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DBINARY_DIR=${TIMS_X86_BUILD_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/build_x86_dll.cmake
    COMMENT "Building tims_x86.dll in ${TIMS_X86_BUILD_DIR}"
    USES_TERMINAL)
  set(packed_dlls $<TARGET_FILE:tims> ${x86_dll})
else()
  set(packed_dlls $<TARGET_FILE:tims>)
endif()

install(FILES ${packed_dlls} DESTINATION .)
# Symbols help the checks of the build folder, not the people who install the plug-in.
find_program(TIMS_STRIP NAMES ${CMAKE_STRIP} x86_64-w64-mingw32-strip i686-w64-mingw32-strip)
if(TIMS_STRIP)
  install(CODE "
    foreach(dll tims_x64.dll tims_x86.dll tims-host.exe)
      set(installed \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${dll}\")
      if(EXISTS \"\${installed}\")
        execute_process(COMMAND \"${TIMS_STRIP}\" --strip-unneeded \"\${installed}\"
                        RESULT_VARIABLE stripped)
        if(NOT stripped EQUAL 0)
          message(FATAL_ERROR \"cannot strip \${installed}\")
        endif()
      endif()
    endforeach()")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/TIMS_Spec.ini
              ${PROJECT_SOURCE_DIR}/packaging/TIMS_ICCard.ini
        DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/install.md DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/vehicle/ DESTINATION example-vehicle)

# The 64-bit harness, so that authors check their vehicle folder (tims-host check) and try the
# example scenarios without the simulator; the scenarios name the vehicle as the zip lays it out.
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND TARGET tims-host)
  install(TARGETS tims-host RUNTIME DESTINATION .)
  file(GLOB example_scenarios ${PROJECT_SOURCE_DIR}/examples/scenarios/*.tims)
  foreach(scenario IN LISTS example_scenarios)
    get_filename_component(name ${scenario} NAME)
    file(READ ${scenario} text)
    string(REPLACE "vehicle ../vehicle" "vehicle ../example-vehicle" text "${text}")
    file(WRITE ${PROJECT_BINARY_DIR}/example-scenarios/${name} "${text}")
    install(FILES ${PROJECT_BINARY_DIR}/example-scenarios/${name} DESTINATION example-scenarios)
  endforeach()
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tims)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${TIMS_PACKAGE_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
