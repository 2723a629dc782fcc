# Tests of this area are registered here.
if(WIN32)
  ambrel_windows_test(wine_lifecycle_tests wine/lifecycle_tests.cpp)
  if(AMBREL_RUNS_WINDOWS_TESTS)
    # The module atom lives in the Wine server's table, shared with every
    # other test that loads the module.
    set_tests_properties(wine_lifecycle_tests PROPERTIES RUN_SERIAL TRUE)
  endif()
else()
  ambrel_native_test(lifecycle_tests lifecycle_tests.cpp)
endif()
