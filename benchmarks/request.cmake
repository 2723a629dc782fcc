# Benchmarks of the whole request and of large texts.
if(NOT WIN32 AND AMBREL_BENCHMARKS)
  ambrel_native_benchmark(request_bench request_bench.cpp)
  add_executable(request_peak_memory request_peak_memory.cpp)
  target_link_libraries(request_peak_memory PRIVATE ambrel_tags ambrel_host)
endif()

# The exports under the Windows loader: a plain timing program, run through
# Wine in the 64-bit build (compiled only in the 32-bit one).
if(WIN32)
  add_executable(wine_request_timing wine_request_timing.cpp)
  target_include_directories(wine_request_timing PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(wine_request_timing PRIVATE ole32 oleaut32)
  add_dependencies(wine_request_timing AmbrelTags standin_reader)
  target_compile_definitions(wine_request_timing PRIVATE
    AMBREL_MODULE_PATH=L"$<TARGET_FILE:AmbrelTags>"
    AMBREL_STANDIN_PATH=L"$<TARGET_FILE:standin_reader>")
endif()
