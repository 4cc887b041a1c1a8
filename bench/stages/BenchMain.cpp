#include <benchmark/benchmark.h>

#include "bench/stages/SuppressorQuality.h"

int main(int argc, char** argv)
{
  bench::RegisterQualityBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  bench::PrintQualityTables();
  return 0;
}
