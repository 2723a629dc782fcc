# Faults and load: failing allocations, malformed texts, concurrent callers.
if(WIN32)
  ambrel_windows_test(wine_hardening_tests wine/hardening_tests.cpp)
else()
  find_package(Threads REQUIRED)
  # The failing-allocation hook replaces operator new, which clang's sanitizer
  # runtimes define themselves (linked whole); g++ links them as shared
  # libraries, so the hook runs in the native preset under ASan and LSan.
  if(NOT (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND AMBREL_SANITIZE))
    ambrel_native_test(hardening_allocation_tests hardening_allocation_tests.cpp)
  endif()
  ambrel_native_test(hardening_sweep_tests hardening_sweep_tests.cpp)
  ambrel_native_test(hardening_concurrency_tests hardening_concurrency_tests.cpp)
  target_link_libraries(hardening_concurrency_tests PRIVATE Threads::Threads)
endif()
