#include "engine/ComplexFft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace {

using cf = std::complex<float>;

std::vector<cf> RandomSignal(int n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  std::vector<cf> v(n);
  for (auto& x : v)
    x = {d(rng), d(rng)};
  return v;
}

std::vector<std::complex<double>> NaiveDft(const std::vector<cf>& x)
{
  const size_t n = x.size();
  std::vector<std::complex<double>> out(n);
  for (size_t k = 0; k < n; ++k)
  {
    std::complex<double> acc = 0;
    for (size_t j = 0; j < n; ++j)
    {
      const double a =
          -2.0 * std::numbers::pi * static_cast<double>((j * k) % n) / static_cast<double>(n);
      acc += std::complex<double>(x[j]) * std::complex<double>(std::cos(a), std::sin(a));
    }
    out[k] = acc;
  }
  return out;
}

TEST(ComplexFft, MatchesDirectTransform)
{
  for (int n : {1, 2, 4, 8, 64, 512, 2048})
  {
    const auto x = RandomSignal(n, 7u + n);
    const auto ref = NaiveDft(x);
    auto y = x;
    ComplexFft::Transform(y.data(), n);
    double err = 0, norm = 0;
    for (int k = 0; k < n; ++k)
    {
      err = std::max(err, std::abs(std::complex<double>(y[k]) - ref[k]));
      norm = std::max(norm, std::abs(ref[k]));
    }
    // Single-precision radix-2 with a twiddle recurrence: error grows with log n and with
    // the recurrence length, well below 1e-4 of the largest bin at these sizes.
    EXPECT_LT(err, 1e-4 * std::max(norm, 1.0)) << "n=" << n;
  }
}

TEST(ComplexFft, SineLandsInItsBinWithoutScaling)
{
  const int n = 1024;
  std::vector<cf> x(n);
  for (int j = 0; j < n; ++j)
    x[j] = {static_cast<float>(std::cos(2 * std::numbers::pi * 37 * j / n)), 0.0f};
  ComplexFft fft(n);
  fft.Forward(x);
  EXPECT_NEAR(std::abs(x[37]), n / 2.0, 0.01);
  EXPECT_NEAR(std::abs(x[n - 37]), n / 2.0, 0.01);
  EXPECT_LT(std::abs(x[36]), 0.01);
}

TEST(ComplexFft, TablesGiveTheRecurrenceBitForBit)
{
  for (int n = 4; n <= 16384; n *= 2)
  {
    auto a = RandomSignal(n, 100u + n);
    auto b = a;
    ComplexFft::Transform(a.data(), n);
    ComplexFft fft(n);
    fft.Forward(b);
    ASSERT_EQ(std::memcmp(a.data(), b.data(), n * sizeof(cf)), 0) << "n=" << n;
  }
}

TEST(ComplexFft, WindowedRealInputMatchesFormingTheFrameFirst)
{
  for (int n : {4, 8, 1024, 2048})
  {
    std::vector<float> samples(n), window(n);
    std::mt19937 rng(n);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (int j = 0; j < n; ++j)
    {
      samples[j] = d(rng);
      window[j] = 0.5f * (1.0f + d(rng));
    }
    std::vector<cf> frame(n), out(n);
    for (int j = 0; j < n; ++j)
      frame[j] = {samples[j] * window[j], 0.0f};
    ComplexFft::Transform(frame.data(), n);
    ComplexFft fft(n);
    fft.ForwardWindowed(samples.data(), window.data(), out.data());
    EXPECT_EQ(std::memcmp(frame.data(), out.data(), n * sizeof(cf)), 0) << "n=" << n;
  }
}

TEST(ComplexFft, OddSizesAndMismatchesAreHandled)
{
  auto x = RandomSignal(12, 3);
  const auto orig = x;
  ComplexFft::Transform(x.data(), 12); // not a power of two: untouched
  EXPECT_EQ(std::memcmp(x.data(), orig.data(), 12 * sizeof(cf)), 0);

  ComplexFft fft(12);
  EXPECT_EQ(fft.Size(), 0);
  ComplexFft::Transform(nullptr, 8);

  // A prepared object given another size computes that size correctly without its tables.
  ComplexFft f8(8);
  auto y = RandomSignal(16, 4);
  auto z = y;
  f8.Forward(y);
  ComplexFft::Transform(z.data(), 16);
  EXPECT_EQ(std::memcmp(y.data(), z.data(), 16 * sizeof(cf)), 0);
}

TEST(ComplexFft, InverseByConjugationRestoresTheSignal)
{
  const int n = 512;
  const auto x = RandomSignal(n, 11);
  auto y = x;
  ComplexFft fft(n);
  fft.Forward(y);
  for (auto& v : y)
    v = std::conj(v);
  fft.Forward(y);
  for (int k = 0; k < n; ++k)
    EXPECT_NEAR(std::abs(std::conj(y[k]) / static_cast<float>(n) - x[k]), 0.0, 1e-5);
}

} // namespace
