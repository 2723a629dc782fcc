# Benchmarks of the measured-value parsers.
if(NOT WIN32 AND AMBREL_BENCHMARKS)
  ambrel_native_benchmark(measured_values_bench measured_values_bench.cpp)
endif()
