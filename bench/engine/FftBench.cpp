// ComplexFft against FFTW's single-precision complex transform (FFTW_MEASURE plan), both in
// place on the same data. BM_FftRatio alternates short runs of both in the same iterations,
// timed in thread CPU time so that preemption by other work does not favour either, and
// reports our time over FFTW's.

#include "engine/ComplexFft.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <ctime>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kN = 2048;

struct FftwPlan
{
  FftwPlan()
  {
    data = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * kN));
    plan = fftwf_plan_dft_1d(kN, data, data, FFTW_FORWARD, FFTW_MEASURE);
  }
  ~FftwPlan()
  {
    fftwf_destroy_plan(plan);
    fftwf_free(data);
  }
  fftwf_complex* data;
  fftwf_plan plan;
};

std::vector<std::complex<float>> Signal()
{
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> d(-1, 1);
  std::vector<std::complex<float>> v(kN);
  for (auto& x : v)
    x = {d(rng), d(rng)};
  return v;
}

void BM_ComplexFft(benchmark::State& state)
{
  ComplexFft fft(kN);
  auto src = Signal(), x = src;
  for (auto _ : state)
  {
    std::memcpy(x.data(), src.data(), sizeof(float) * 2 * kN); // keep values bounded
    fft.Forward(x);
    benchmark::DoNotOptimize(x.data());
  }
}
BENCHMARK(BM_ComplexFft);

void BM_ComplexFftWithoutTables(benchmark::State& state)
{
  auto src = Signal(), x = src;
  for (auto _ : state)
  {
    std::memcpy(x.data(), src.data(), sizeof(float) * 2 * kN);
    ComplexFft::Transform(x.data(), kN);
    benchmark::DoNotOptimize(x.data());
  }
}
BENCHMARK(BM_ComplexFftWithoutTables);

void BM_Fftw(benchmark::State& state)
{
  FftwPlan p;
  auto src = Signal();
  for (auto _ : state)
  {
    std::memcpy(p.data, src.data(), sizeof(float) * 2 * kN);
    fftwf_execute(p.plan);
    benchmark::DoNotOptimize(p.data);
  }
}
BENCHMARK(BM_Fftw);

double ThreadSeconds()
{
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

void BM_FftRatio(benchmark::State& state)
{
  FftwPlan p;
  ComplexFft fft(kN);
  auto src = Signal(), x = src;
  constexpr int kRepeats = 50;
  double ours = 0, theirs = 0;
  for (auto _ : state)
  {
    const double t0 = ThreadSeconds();
    for (int r = 0; r < kRepeats; ++r)
    {
      std::memcpy(x.data(), src.data(), sizeof(float) * 2 * kN);
      fft.Forward(x);
      benchmark::DoNotOptimize(x.data());
    }
    const double t1 = ThreadSeconds();
    for (int r = 0; r < kRepeats; ++r)
    {
      std::memcpy(p.data, src.data(), sizeof(float) * 2 * kN);
      fftwf_execute(p.plan);
      benchmark::DoNotOptimize(p.data);
    }
    const double t2 = ThreadSeconds();
    ours += t1 - t0;
    theirs += t2 - t1;
  }
  const double per = static_cast<double>(state.iterations()) * kRepeats;
  state.counters["ours_us"] = ours / per * 1e6;
  state.counters["fftw_us"] = theirs / per * 1e6;
  state.counters["ours_over_fftw"] = theirs > 0 ? ours / theirs : 0.0;
}
BENCHMARK(BM_FftRatio);

} // namespace
