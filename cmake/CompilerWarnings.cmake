# Warnings for every target of the project: -Wall -Wextra, both builds.
function(kvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
