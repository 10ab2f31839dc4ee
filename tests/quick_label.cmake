# Read by ctest after the tests it found in vonnik_tests: each of them gets the label "quick",
# except those that run the slicer and the mesh tools on exported files, which take minutes.
# `ctest -L quick` is then the loop of the window-free tests that runs in under a minute.
foreach(test IN LISTS vonnik_tests_TESTS)
  if(NOT test MATCHES "^(PrinterTools|ThirdPartyTools)\\.")
    set_tests_properties("${test}" PROPERTIES LABELS quick)
  endif()
endforeach()
