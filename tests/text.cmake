# Tests of the text routines. The user locale is process-wide and written
# once, so upper-casing with it runs in its own program.
if(NOT WIN32)
  ambrel_native_test(text_tests text_tests.cpp)
  ambrel_native_test(text_user_locale_tests text_user_locale_tests.cpp)
else()
  # The same tables on the target compiler and C runtime (run under Wine in
  # the 64-bit build).
  ambrel_windows_test(text_windows_tests text_tests.cpp)
  target_link_libraries(text_windows_tests PRIVATE ambrel_text)
endif()
