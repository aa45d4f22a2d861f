# Warnings are errors in the project's own code.
function(tarvex_strict target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Werror)
endfunction()

# Puts a deliverable into the run directory.
function(tarvex_stage target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${TARVEX_RUN_DIR}"
    LIBRARY_OUTPUT_DIRECTORY "${TARVEX_RUN_DIR}")
endfunction()
