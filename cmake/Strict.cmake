# The project's own code is built with a strict set of warnings. They are
# errors only where TARVEX_WERROR is on (the test script and CI): another
# compiler or optimisation level finds warnings of its own, often inside
# Qt's headers, and that must not stop a user's or a packager's build.
function(tarvex_strict target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2)
  if(TARVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Puts a deliverable into the run directory.
function(tarvex_stage target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${TARVEX_RUN_DIR}"
    LIBRARY_OUTPUT_DIRECTORY "${TARVEX_RUN_DIR}")
endfunction()
