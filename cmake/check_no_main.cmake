# Build-time check run before a test suite links: fails when the static library LIBRARY defines a
# global symbol main (found with the toolchain's nm, NM).
execute_process(COMMAND ${NM} -g --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE result
                ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot list the symbols of ${LIBRARY} with ${NM}")
endif()
if(symbols MATCHES "(^|\n)[0-9a-fA-F]* *T main(\n|$)")
  message(FATAL_ERROR "${LIBRARY} defines main: program entry points belong in app/, outside the libraries")
endif()
