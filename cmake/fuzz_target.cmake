# Fuzz targets of the platform-free cores.
# A fuzz target over outside input: built with an ordinary main that replays its saved inputs
# (<corpus>) so that they run as a test in every native build, and as a libFuzzer program
# when clang can make one, which the test run fuzzes for a short while from the saved inputs;
# longer runs by hand: <build>/<core folder>/<name>_fuzz -max_total_time=600 <corpus copy> <saved inputs>
function(add_core_fuzz_target core name source corpus)
  get_target_property(core_sources ${core} SOURCES)
  get_target_property(core_folder ${core} SOURCE_DIR)
  if(WIN32)
    return()
  endif()
  add_executable(${core}_${name}_replay ${source} ${CMAKE_SOURCE_DIR}/common/fuzz/replay_main.cpp)
  target_link_libraries(${core}_${name}_replay PRIVATE ${core})
  add_test(NAME ${core}_${name}_replay_${BUILD_KIND}
           COMMAND ${core}_${name}_replay ${core_folder}/${corpus})
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  set(fuzz_flags -std=c++20 -gline-tables-only -O1 -fsanitize=fuzzer,address,undefined -I${CMAKE_SOURCE_DIR})
  set(fuzz_inputs ${source} ${core_sources})
  list(TRANSFORM fuzz_inputs PREPEND ${core_folder}/)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(${core}_${name}_fuzz EXCLUDE_FROM_ALL ${fuzz_inputs})
    target_compile_options(${core}_${name}_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${core}_${name}_fuzz PRIVATE source_tree)
    target_link_options(${core}_${name}_fuzz PRIVATE -fsanitize=fuzzer)
    return()
  endif()
  find_program(TOLVARE_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
  if(NOT TOLVARE_CLANGXX)
    return()
  endif()
  # Probed once per configuration (a clang installed since is seen at the next one).
  get_property(clang_fuzzes GLOBAL PROPERTY TOLVARE_CLANG_FUZZES)
  if("${clang_fuzzes}" STREQUAL "")
    set(probe ${CMAKE_CURRENT_BINARY_DIR}/fuzz_probe.cpp)
    file(WRITE ${probe}
         "extern \"C\" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n")
    execute_process(COMMAND ${TOLVARE_CLANGXX} -fsanitize=fuzzer ${probe}
                            -o ${CMAKE_CURRENT_BINARY_DIR}/fuzz_probe
                    RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
    if(probe_result EQUAL 0)
      set(clang_fuzzes ON)
    else()
      set(clang_fuzzes OFF)
    endif()
    set_property(GLOBAL PROPERTY TOLVARE_CLANG_FUZZES ${clang_fuzzes})
  endif()
  if(NOT clang_fuzzes)
    return()
  endif()
  file(GLOB fuzz_headers ${core_folder}/*.h)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}_fuzz
    COMMAND ${TOLVARE_CLANGXX} ${fuzz_flags} ${fuzz_inputs} -o ${CMAKE_CURRENT_BINARY_DIR}/${name}_fuzz
    DEPENDS ${fuzz_inputs} ${fuzz_headers}
    COMMENT "Building the ${name} fuzzer with clang")
  add_custom_target(${core}_${name}_fuzz ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name}_fuzz)
  set(fuzz_work ${CMAKE_CURRENT_BINARY_DIR}/${name}_fuzz_work)
  add_test(NAME ${core}_${name}_fuzz_${BUILD_KIND}
           COMMAND sh -c "mkdir -p '${fuzz_work}' && exec '${CMAKE_CURRENT_BINARY_DIR}/${name}_fuzz' -max_total_time=10 -print_final_stats=1 '${fuzz_work}' '${core_folder}/${corpus}'")
endfunction()
