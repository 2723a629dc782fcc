# Benchmarks of the whole request and of large texts.
