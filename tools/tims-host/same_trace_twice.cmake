# Runs one scenario twice with a trace and fails unless both traces are byte for byte the same:
# with the meter seed pinned, a run must repeat exactly.
# cmake -DHOST=... -DPLUGIN=... -DSCENARIO=... -DOUT=folder -P same_trace_twice.cmake
foreach(n 1 2)
  execute_process(
    COMMAND ${HOST} --quiet --plugin ${PLUGIN} --trace ${OUT}/trace${n}.csv ${SCENARIO}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "run ${n} of ${SCENARIO} failed (${result})")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/trace1.csv ${OUT}/trace2.csv
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "two runs of ${SCENARIO} wrote different traces")
endif()
