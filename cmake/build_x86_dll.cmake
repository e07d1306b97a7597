# Builds tims_x86.dll in its own build folder for the 64-bit package (cmake/windows_package.cmake),
# configured by the windows-x86 preset the first time.
#   cmake -DSOURCE_DIR=<source> -DBINARY_DIR=<x86 build folder> -P build_x86_dll.cmake
if(NOT EXISTS ${BINARY_DIR}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} --preset windows-x86 -B ${BINARY_DIR}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE configured)
  if(NOT configured EQUAL 0)
    message(FATAL_ERROR "cannot configure the 32-bit build in ${BINARY_DIR}")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target tims RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "cannot build tims_x86.dll in ${BINARY_DIR}")
endif()
