# Benchmarks of the measured-value parsers.
