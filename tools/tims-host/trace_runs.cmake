# Runs one scenario with a trace once per entry of SEEDS (a --seed value, or "none" for the
# scenario's own seed). The first two traces must be byte for byte the same: a run with its
# meters pinned repeats exactly. A third, with another seed, must differ: the option reaches the
# meters.
# cmake -DHOST=... -DPLUGIN=... -DSCENARIO=... -DOUT=folder -DSEEDS=none,none -P trace_runs.cmake
string(REPLACE "," ";" seeds "${SEEDS}")
get_filename_component(name ${SCENARIO} NAME_WE)
set(n 0)
foreach(seed IN LISTS seeds)
  math(EXPR n "${n} + 1")
  set(option)
  if(NOT seed STREQUAL "none")
    set(option --seed ${seed})
  endif()
  execute_process(COMMAND ${HOST} --quiet ${option} --plugin ${PLUGIN}
                          --trace ${OUT}/${name}_${n}.csv ${SCENARIO}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "run ${n} of ${SCENARIO} (seed ${seed}) failed (${result})")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name}_1.csv ${OUT}/${name}_2.csv
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "two runs of ${SCENARIO} with seeds ${SEEDS} wrote different traces")
endif()
if(n GREATER 2)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name}_1.csv
                          ${OUT}/${name}_3.csv RESULT_VARIABLE differ)
  if(differ EQUAL 0)
    message(FATAL_ERROR "seeds ${SEEDS} gave the first and third runs of ${SCENARIO} one trace")
  endif()
endif()
