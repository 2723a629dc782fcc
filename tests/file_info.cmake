# The request road through the real module.
if(WIN32)
  ambrel_windows_test(wine_module_exports_tests wine/module_exports_tests.cpp)
endif()
