#pragma once

// Registers the quality comparison (our suppressor against speexdsp's preprocessor) as
// benchmarks and prints the summary tables once they have run.
namespace bench {
void RegisterQualityBenchmarks();
void PrintQualityTables();
} // namespace bench
