// Cost of each stage as a real-time factor (seconds of audio per second of CPU, one core):
// the "rtf" counter. One channel at 48 kHz unless the name says otherwise.
#include <benchmark/benchmark.h>
#include <speex/speex_preprocess.h>

#include <cstdint>
#include <vector>

#include "bench/stages/BenchSignals.h"
#include "denoise/Denoise.h"
#include "engine/NoiseReducer.h"
#include "quellor/Quellor.h"
#include "engine/ReverbReducer.h"

namespace {
constexpr int kBlock = 512;

void SetRealTimeFactor(benchmark::State& state, double rate, size_t samplesPerIteration,
                       int channels = 1)
{
  const double audioSeconds = static_cast<double>(samplesPerIteration) / rate;
  state.counters["rtf"] =
      benchmark::Counter(audioSeconds * static_cast<double>(state.iterations()) / channels,
                         benchmark::Counter::kIsRate);
}

std::vector<float> Programme(double rate, double seconds)
{
  std::vector<float> v = bench::WhiteNoise(seconds * rate / bench::kRate, 9);
  const std::vector<float> tone = bench::SustainedTone(seconds * rate / bench::kRate);
  for (size_t i = 0; i < v.size() && i < tone.size(); ++i)
    v[i] = 0.1f * v[i] + tone[i];
  return v;
}

void BM_ReverbReducer(benchmark::State& state)
{
  ReverbReducer unit;
  unit.Reset(48000.0);
  const std::vector<float> source = Programme(48000.0, 1.0);
  std::vector<float> buffer = source;
  for (auto _ : state)
  {
    buffer = source;
    for (size_t at = 0; at + kBlock <= buffer.size(); at += kBlock)
      unit.ProcessBlock(buffer.data() + at, kBlock, 1.0f);
    benchmark::DoNotOptimize(buffer.data());
  }
  SetRealTimeFactor(state, 48000.0, source.size() / kBlock * kBlock);
}
BENCHMARK(BM_ReverbReducer)->Unit(benchmark::kMillisecond);

void BM_NoiseReducer(benchmark::State& state)
{
  const double rate = static_cast<double>(state.range(0));
  NoiseReducer stage;
  stage.Prepare(rate, 1);
  stage.amount = 1.0f;
  const std::vector<float> source = Programme(rate, 1.0);
  std::vector<float> buffer = source;
  for (auto _ : state)
  {
    buffer = source;
    for (size_t at = 0; at + kBlock <= buffer.size(); at += kBlock)
      stage.Process(buffer.data() + at, kBlock, 0);
    benchmark::DoNotOptimize(buffer.data());
  }
  SetRealTimeFactor(state, rate, source.size() / kBlock * kBlock);
}
BENCHMARK(BM_NoiseReducer)->Arg(48000)->Arg(44100)->Arg(96000)->Unit(benchmark::kMillisecond);

// The suppressor alone, and speexdsp's preprocessor on the same frames for scale.
void BM_Suppressor(benchmark::State& state)
{
  DenoiseState* st = rnnoise_create(nullptr);
  std::vector<float> source = Programme(48000.0, 1.0);
  for (float& v : source)
    v *= 32768.0f;
  std::vector<float> out(source.size());
  for (auto _ : state)
  {
    for (size_t at = 0; at + 480 <= source.size(); at += 480)
      rnnoise_process_frame(st, out.data() + at, source.data() + at);
    benchmark::DoNotOptimize(out.data());
  }
  rnnoise_destroy(st);
  SetRealTimeFactor(state, 48000.0, source.size() / 480 * 480);
}
BENCHMARK(BM_Suppressor)->Unit(benchmark::kMillisecond);

void BM_SpeexPreprocess(benchmark::State& state)
{
  SpeexPreprocessState* st = speex_preprocess_state_init(480, 48000);
  int on = 1;
  speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_DENOISE, &on);
  const std::vector<float> source = Programme(48000.0, 1.0);
  std::vector<spx_int16_t> pcm(source.size());
  for (size_t i = 0; i < source.size(); ++i)
    pcm[i] = static_cast<spx_int16_t>(source[i] * 16000.0f);
  std::vector<spx_int16_t> work = pcm;
  for (auto _ : state)
  {
    work = pcm;
    for (size_t at = 0; at + 480 <= work.size(); at += 480)
      speex_preprocess_run(st, work.data() + at);
    benchmark::DoNotOptimize(work.data());
  }
  speex_preprocess_state_destroy(st);
  SetRealTimeFactor(state, 48000.0, source.size() / 480 * 480);
}
BENCHMARK(BM_SpeexPreprocess)->Unit(benchmark::kMillisecond);

// A stereo plug-in instance with everything on (detector, notches, both stages); the counter
// is seconds of stereo audio per CPU second.
void BM_QuellorStereoAllOn(benchmark::State& state)
{
  Quellor q;
  q.PrepareWithoutHost(48000.0, kBlock, 2);
  q.GetParam(kHushen)->SetValue(100.0);
  q.GetParam(kDrytail)->SetValue(100.0);
  const std::vector<float> source = Programme(48000.0, 1.0);
  std::vector<double> left(source.begin(), source.end()), right(source.rbegin(), source.rend());
  std::vector<double> outLeft(left.size()), outRight(right.size());
  for (auto _ : state)
  {
    for (size_t at = 0; at + kBlock <= left.size(); at += kBlock)
    {
      double* in[2] = {left.data() + at, right.data() + at};
      double* out[2] = {outLeft.data() + at, outRight.data() + at};
      q.ProcessAudioBlock(in, out, kBlock);
    }
    benchmark::DoNotOptimize(outLeft.data());
  }
  SetRealTimeFactor(state, 48000.0, left.size() / kBlock * kBlock);
}
BENCHMARK(BM_QuellorStereoAllOn)->Unit(benchmark::kMillisecond);
} // namespace
