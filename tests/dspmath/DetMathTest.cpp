#include "dspmath/DetMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>
#include <functional>
#include <limits>

namespace {

// Distance in units of the last place between two finite doubles of the same sign region.
double UlpDistance(double a, double b)
{
  if (a == b)
    return 0.0;
  const double m = std::max(std::fabs(a), std::fabs(b));
  const double ulp = std::nextafter(m, INFINITY) - m;
  return std::fabs(a - b) / ulp;
}

struct Sweep
{
  double lo, hi;
  int count;
};

double MaxUlp(const std::function<double(double)>& ours, const std::function<double(double)>& ref,
              Sweep s)
{
  double worst = 0;
  for (int i = 0; i <= s.count; ++i)
  {
    // Irregular spacing so that the samples do not line up with reduction boundaries.
    const double t = (i + 0.5 * std::sin(i * 12.9898)) / s.count;
    const double x = s.lo + (s.hi - s.lo) * std::clamp(t, 0.0, 1.0);
    const double r = ref(x);
    if (r == 0 || !std::isfinite(r))
      continue;
    worst = std::max(worst, UlpDistance(ours(x), r));
  }
  return worst;
}

constexpr double kTol = 2.0;

TEST(DetMath, AgreesWithTheRuntimeLibraryAcrossUsedRanges)
{
#ifdef _WIN32
  // The Windows runtime is tens of ulp off for sin and pow, so it is no reference. Our results
  // are the same bits on both builds (next test), so checking accuracy on Linux covers both.
  GTEST_SKIP();
#endif
  EXPECT_LE(MaxUlp(detmath::Sin, [](double x) { return std::sin(x); }, {-20, 20, 20000}), kTol);
  EXPECT_LE(MaxUlp(detmath::Cos, [](double x) { return std::cos(x); }, {-20, 20, 20000}), kTol);
  EXPECT_LE(MaxUlp(detmath::Sin, [](double x) { return std::sin(x); }, {-1e5, 1e5, 20000}), kTol);
  EXPECT_LE(MaxUlp(detmath::Sin, [](double x) { return std::sin(x); }, {-1e-6, 1e-6, 2000}), kTol);
  EXPECT_LE(MaxUlp(detmath::Exp, [](double x) { return std::exp(x); }, {-740, 709, 40000}), kTol);
  EXPECT_LE(MaxUlp(detmath::Exp, [](double x) { return std::exp(x); }, {-1, 1, 20000}), kTol);
  EXPECT_LE(MaxUlp(detmath::Log, [](double x) { return std::log(x); }, {1e-300, 1e300, 20000}),
            kTol);
  EXPECT_LE(MaxUlp(detmath::Log, [](double x) { return std::log(x); }, {0.5, 2.0, 20000}), kTol);
  // glibc's own tanh is up to about 2 ulp from the exact value, so allow one more here.
  EXPECT_LE(MaxUlp(detmath::Tanh, [](double x) { return std::tanh(x); }, {-25, 25, 20000}),
            kTol + 1);
  EXPECT_LE(MaxUlp(detmath::Tanh, [](double x) { return std::tanh(x); }, {-1, 1, 20000}), kTol + 1);
  EXPECT_LE(MaxUlp(detmath::Exp10, [](double x) { return std::pow(10.0, x); }, {-300, 300, 20000}),
            kTol);
  EXPECT_LE(MaxUlp(detmath::Exp10, [](double x) { return std::pow(10.0, x); }, {-2, 2, 20000}),
            kTol);
  for (double base : {0.001, 0.5, 0.999999, 1.5, 2.0, 10.0, 12345.678})
  {
    EXPECT_LE(MaxUlp([base](double y) { return detmath::Pow(base, y); },
                     [base](double y) { return std::pow(base, y); }, {-50, 50, 5000}),
              kTol)
        << base;
  }
  EXPECT_LE(MaxUlp([](double y) { return detmath::Hypot(y, 3.0); },
                   [](double y) { return std::hypot(y, 3.0); }, {-1e3, 1e3, 20000}),
            kTol);
}

TEST(DetMath, ExactAndSpecialValues)
{
  constexpr double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(detmath::Exp(0.0), 1.0);
  EXPECT_EQ(detmath::Log(1.0), 0.0);
  EXPECT_EQ(detmath::Exp10(2.0), 100.0);
  EXPECT_EQ(detmath::Exp10(-1.0), 0.1);
  EXPECT_EQ(detmath::Pow(2.0, 10.0), 1024.0);
  EXPECT_EQ(detmath::Pow(-2.0, 3.0), -8.0);
  EXPECT_TRUE(std::isnan(detmath::Pow(-2.0, 0.5)));
  EXPECT_EQ(detmath::Pow(0.0, -1.0), inf);
  EXPECT_EQ(detmath::Pow(std::nan(""), 0.0), 1.0);
  EXPECT_EQ(detmath::Pow(0.5, inf), 0.0);
  EXPECT_EQ(detmath::Exp(1000.0), inf);
  EXPECT_EQ(detmath::Exp(-1000.0), 0.0);
  EXPECT_GT(detmath::Exp(-740.0), 0.0); // subnormal result
  EXPECT_EQ(detmath::Log(0.0), -inf);
  EXPECT_TRUE(std::isnan(detmath::Log(-1.0)));
  EXPECT_EQ(detmath::Log(4.9406564584124654e-324), std::log(4.9406564584124654e-324));
  EXPECT_EQ(detmath::Tanh(inf), 1.0);
  EXPECT_EQ(detmath::Tanh(-inf), -1.0);
  EXPECT_EQ(detmath::Hypot(3.0, 4.0), 5.0);
  EXPECT_EQ(detmath::Hypot(inf, std::nan("")), inf);
  EXPECT_EQ(detmath::Hypot(1e300, 1e300), std::hypot(1e300, 1e300));
  EXPECT_EQ(detmath::Hypot(1e-310, 1e-310), std::hypot(1e-310, 1e-310));
  EXPECT_TRUE(std::isnan(detmath::Sin(inf)));
  EXPECT_TRUE(std::isnan(detmath::Cos(std::nan(""))));
  for (double x : {1e10, -3e15, 1e300})
  {
    EXPECT_LE(std::fabs(detmath::Sin(x)), 1.0);
    EXPECT_LE(std::fabs(detmath::Cos(x)), 1.0);
  }
  EXPECT_EQ(detmath::HypotF(3.0f, 4.0f), 5.0f);
  EXPECT_EQ(detmath::HypotF(-INFINITY, NAN), INFINITY);
  EXPECT_EQ(detmath::TanhF(1.0f), static_cast<float>(std::tanh(1.0)));
}

// A fingerprint of many results. The same test runs in the Linux and the Windows build; a
// mismatch here means the builds would produce different audio.
TEST(DetMath, ResultsAreIdenticalOnEveryBuild)
{
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](double v) {
    h ^= std::bit_cast<uint64_t>(v);
    h *= 1099511628211ull;
  };
  for (int i = -2000; i <= 2000; ++i)
  {
    const double x = i * 0.0137 + 0.001;
    mix(detmath::Sin(x * 10));
    mix(detmath::Cos(x * 10));
    mix(detmath::Exp(x * 20));
    mix(detmath::Log(std::fabs(x) * 100 + 1e-3));
    mix(detmath::Pow(std::fabs(x) + 0.25, x));
    mix(detmath::Exp10(x));
    mix(detmath::Tanh(x));
    mix(detmath::Hypot(x, 1.0 - x));
  }
  EXPECT_EQ(h, 0x1536049fa8fe0eb6ull) << std::hex << h;
}

} // namespace

namespace {

TEST(DetMath, BatchMagnitudesEqualTheScalarOnes)
{
  std::vector<float> v;
  for (int i = 0; i < 203; ++i)
  {
    v.push_back(std::sin(static_cast<float>(i) * 0.37f) *
                std::pow(10.0f, static_cast<float>(i % 13) - 6.0f));
    v.push_back(std::cos(static_cast<float>(i) * 0.91f) *
                std::pow(10.0f, static_cast<float>(i % 7) - 3.0f));
  }
  v[20] = INFINITY;
  v[21] = NAN;
  v[40] = NAN;
  v[42] = 3e38f;
  v[43] = 3e38f;
  std::vector<float> out(v.size() / 2);
  detmath::MagnitudesF(v.data(), out.data(), static_cast<int>(out.size()));
  for (size_t i = 0; i < out.size(); ++i)
  {
    const float want = detmath::HypotF(v[2 * i], v[2 * i + 1]);
    EXPECT_TRUE(std::memcmp(&want, &out[i], sizeof(float)) == 0) << i;
  }
  EXPECT_EQ(out[10], INFINITY);
  EXPECT_TRUE(std::isnan(out[20]));
  EXPECT_EQ(out[21], INFINITY); // 4.2e38 does not fit a float
}

} // namespace
