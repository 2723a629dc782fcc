# Tests of the portable tag mapping and the measured-value parsers.
if(NOT WIN32)
  ambrel_native_test(tag_text_tests tag_text_tests.cpp)
  ambrel_native_test(measured_values_tests measured_values_tests.cpp)

  # The parsers must read the full stop under a locale whose decimal point is
  # a comma. Debian ships none compiled, so one is built into the build tree
  # from the locales package's sources; without them the case is skipped.
  set(ambrel_locale_dir ${CMAKE_CURRENT_BINARY_DIR}/locales)
  add_test(NAME comma_locale_data
    COMMAND sh -c "mkdir -p '${ambrel_locale_dir}' && localedef -i de_DE -f UTF-8 '${ambrel_locale_dir}/de_DE.UTF-8' >/dev/null 2>&1; exit 0")
  set_tests_properties(comma_locale_data PROPERTIES FIXTURES_SETUP comma_locale)
  set_tests_properties(measured_values_tests PROPERTIES
    FIXTURES_REQUIRED comma_locale
    ENVIRONMENT "LOCPATH=${ambrel_locale_dir}")
else()
  # The same tables on the target compiler and C runtime: under Wine in the
  # 64-bit build, compiled (with the 32-bit record layout) in the 32-bit one.
  ambrel_windows_test(tag_text_windows_tests tag_text_tests.cpp)
  ambrel_windows_test(measured_values_windows_tests measured_values_tests.cpp)
  target_link_libraries(tag_text_windows_tests PRIVATE ambrel_tags)
  target_link_libraries(measured_values_windows_tests PRIVATE ambrel_tags)
endif()
