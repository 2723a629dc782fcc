# The request road through the real module, under Wine with the stand-in reader,
# and the plugin probe run as a person runs it.
if(WIN32)
  ambrel_windows_test(wine_module_exports_tests wine/module_exports_tests.cpp)
  ambrel_windows_test(wine_file_info_tests wine/file_info_tests.cpp)
endif()

if(AMBREL_RUNS_WINDOWS_TESTS)
  set(probe ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:ambrel_probe>)
  set(built_module Z:$<TARGET_FILE:AmbrelTags>)
  set(samples Z:${PROJECT_SOURCE_DIR}/examples)

  add_test(NAME probe_sample_file
    COMMAND ${probe} --plugin ${built_module} ${samples}/vetrarljos.m4a ${samples}/rain_on_tin.aiff)
  set_tests_properties(probe_sample_file PROPERTIES
    PASS_REGULAR_EXPRESSION
      "vetrarljos.m4a\n.*  Artist +: Björk Eyjólfsdóttir\n.*  Bit rate +: 256000 bit/s\n  Sample rate +: 44100 Hz\n  Length +: 291 s \\(4:51\\)\n  Protected +: yes\n  Result +: 1 .*rain_on_tin.aiff\n.*  Bit rate +: 0 bit/s\n  Sample rate +: 44100 Hz\n  Length +: 178 s \\(2:58\\)\n  Result +: 1 ")

  add_test(NAME probe_old_host_refused COMMAND ${probe} --plugin ${built_module} --host-version 9.1.2.0)
  set_tests_properties(probe_old_host_refused PROPERTIES PASS_REGULAR_EXPRESSION "REFUSED host 9\\.1\\.2\\.0")

  add_test(NAME probe_missing_plugin COMMAND ${probe} --plugin Z:${CMAKE_BINARY_DIR}/no-such-plugin.dll)
  set_tests_properties(probe_missing_plugin PROPERTIES
    PASS_REGULAR_EXPRESSION "error: cannot load plugin '.*no-such-plugin\\.dll': ")

  add_test(NAME probe_missing_export COMMAND ${probe} --plugin Z:$<TARGET_FILE:standin_reader>)
  set_tests_properties(probe_missing_export PROPERTIES
    PASS_REGULAR_EXPRESSION "error: plugin '.*standin_reader\\.dll' has no export DVP_Init: ")

  set_tests_properties(probe_sample_file probe_old_host_refused probe_missing_plugin probe_missing_export
    PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)
endif()
