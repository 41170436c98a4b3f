# Warnings for every target of the project: -Wall -Wextra, both builds.
function(kvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports "literal" + std::string as an overlapping memcpy
    # (GCC bug 105329), a false -Wrestrict that appears with optimisation.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
