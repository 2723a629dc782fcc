# Plugin identification and the module's resources.
if(WIN32)
  ambrel_windows_test(wine_identification_tests wine/identification_tests.cpp)
  target_link_libraries(wine_identification_tests PRIVATE version)

  # The resource, export and import tables of the module as built, read
  # statically: the only check the shipped 32-bit module gets here.
  find_program(AMBREL_LLVM_READOBJ llvm-readobj REQUIRED)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ambrel_coff_format COFF-i386)
  else()
    set(ambrel_coff_format COFF-x86-64)
  endif()
  add_test(NAME pe_module_tables
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/pe/check_module.py
      --readobj ${AMBREL_LLVM_READOBJ}
      --module $<TARGET_FILE:AmbrelTags>
      --format ${ambrel_coff_format}
      --plugin-resource ${PROJECT_SOURCE_DIR}/resources/opus_plugin.xml)
else()
  add_subdirectory(${PROJECT_SOURCE_DIR}/tools/make_icon ${CMAKE_BINARY_DIR}/tools/make_icon)
endif()
