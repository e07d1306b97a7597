# Runs a scenario without a `seed` line three times with --seed: twice with one seed, whose
# traces must be byte for byte the same, and once with another, whose trace must differ (the
# option reaches the meters).
# cmake -DHOST=... -DPLUGIN=... -DSCENARIO=... -DOUT=folder -P seed_pins_trace.cmake
foreach(run a:7 b:7 c:8)
  string(REPLACE ":" ";" run ${run})
  list(GET run 0 name)
  list(GET run 1 seed)
  execute_process(
    COMMAND ${HOST} --quiet --seed ${seed} --plugin ${PLUGIN} --trace ${OUT}/seed_${name}.csv
            ${SCENARIO}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "run ${name} of ${SCENARIO} with --seed ${seed} failed (${result})")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/seed_a.csv ${OUT}/seed_b.csv
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "two runs of ${SCENARIO} with --seed 7 wrote different traces")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/seed_a.csv ${OUT}/seed_c.csv
                RESULT_VARIABLE differ)
if(differ EQUAL 0)
  message(FATAL_ERROR "--seed 7 and --seed 8 gave the same trace of ${SCENARIO}")
endif()
