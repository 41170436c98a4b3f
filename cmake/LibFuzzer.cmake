# libFuzzer targets, native clang builds only: KVEL_FUZZ=ON.
option(KVEL_FUZZ "Build the libFuzzer targets (clang)" OFF)
set(KVEL_FUZZ_SECONDS 20 CACHE STRING "Time per fuzz target in the test suite")
function(kvel_fuzzer name source)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${ARGN})
  set(corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
      ${CMAKE_SOURCE_DIR}/scripts/run-fuzzer.sh $<TARGET_FILE:${name}> ${corpus} ${work} ${KVEL_FUZZ_SECONDS})
endfunction()
