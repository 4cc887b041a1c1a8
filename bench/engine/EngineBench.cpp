// Block processing of a stereo instance, reported as a real-time factor: seconds of audio
// processed per second of CPU time on one core.

#include "quellor/Quellor.h"
#include "plugin/IParam.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kBlock = 512;

enum InputKind
{
  kNoise = 0,
  kSubnormal = 1,
  kSilenceAfterTone = 2
};

void RunEngine(benchmark::State& state, double rate, int notches, InputKind kind)
{
  Quellor q;
  q.PrepareWithoutHost(rate, kBlock, 2);
  // Manual notches spread over the band, so the detector neither adds nor releases any.
  for (int i = 0; i < notches; ++i)
    q.PushNotchCommand(kNotchAdd, 0, static_cast<float>(200.0 * std::pow(50.0, i / 20.0)), -12.0f,
                       20.0f);

  // One second of noise: the detector analyses every hop but finds nothing to catch. The
  // other inputs check that subnormal samples and decaying filter tails cost nothing extra.
  const int frames = static_cast<int>(rate);
  std::vector<std::vector<double>> src(2, std::vector<double>(frames));
  uint32_t seed = 1;
  for (int i = 0; i < frames; ++i)
    for (auto& ch : src)
    {
      seed = seed * 1664525u + 1013904223u;
      const double r = (static_cast<double>(seed >> 8) / 16777216.0) * 2.0 - 1.0;
      ch[i] = kind == kNoise       ? 0.1 * r
              : kind == kSubnormal ? 1e-41 * r
                                   : (i < 2048 ? 0.5 * r : 0.0);
    }
  std::vector<std::vector<double>> out(2, std::vector<double>(kBlock));

  auto runSecond = [&] {
    for (int pos = 0; pos + kBlock <= frames; pos += kBlock)
    {
      double* in[2] = {src[0].data() + pos, src[1].data() + pos};
      double* o[2] = {out[0].data(), out[1].data()};
      q.ProcessAudioBlock(in, o, kBlock);
    }
  };
  runSecond(); // warm-up: notches ramped in, first analyses done
  if (q.ActiveNotchCount.load() != 2 * notches)
  {
    state.SkipWithError("unexpected notch count");
    return;
  }
  const double secondsPerIteration = static_cast<double>(frames / kBlock * kBlock) / rate;
  for (auto _ : state)
  {
    runSecond();
    benchmark::DoNotOptimize(out[0].data());
    benchmark::ClobberMemory();
  }
  state.counters["realtime_x"] = benchmark::Counter(
      secondsPerIteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["notches"] = 2 * notches;
}

void BM_ProcessAudioBlock(benchmark::State& state)
{
  RunEngine(state, static_cast<double>(state.range(0)), static_cast<int>(state.range(1)), kNoise);
}

// 48 kHz, 5 notches per channel, with subnormal input or silence after a short burst.
void BM_ProcessAudioBlockUnusualInput(benchmark::State& state)
{
  RunEngine(state, 48000.0, 5, static_cast<InputKind>(state.range(0)));
}
BENCHMARK(BM_ProcessAudioBlockUnusualInput)
    ->ArgName("subnormal1_silence2")
    ->Arg(kSubnormal)
    ->Arg(kSilenceAfterTone)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ProcessAudioBlock)
    ->ArgNames({"rate", "notches"})
    ->ArgsProduct({{44100, 48000, 96000}, {0, 5, 20}})
    ->Unit(benchmark::kMillisecond);

} // namespace
