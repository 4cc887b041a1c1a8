#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "denoise/Denoise.h"
#include "denoise/HumDetector.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

struct State
{
  State() : st(rnnoise_create(nullptr)) {}
  ~State() { rnnoise_destroy(st); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  DenoiseState* st;
};

// Runs whole frames; returns the output stream and collects the returned probabilities.
std::vector<float> Process(DenoiseState* st, const std::vector<float>& in,
                           std::vector<float>* probabilities = nullptr)
{
  std::vector<float> out(in.size(), 0.0f);
  for (size_t at = 0; at + 480 <= in.size(); at += 480)
  {
    const float p = rnnoise_process_frame(st, out.data() + at, in.data() + at);
    if (probabilities)
      probabilities->push_back(p);
  }
  return out;
}

std::vector<float> WhiteNoise(size_t n, unsigned seed, float sigma)
{
  std::mt19937 rng(seed);
  std::normal_distribution<float> dist(0.0f, sigma);
  std::vector<float> v(n);
  for (float& x : v)
    x = dist(rng);
  return v;
}

// Least-squares amplitude of a sinusoid of known frequency in y[from..to) and the power
// of what remains after removing it.
void FitSine(const std::vector<float>& y, size_t from, size_t to, double cyclesPerSample,
             double& amplitude, double& residual)
{
  double s = 0.0, c = 0.0;
  for (size_t i = from; i < to; ++i)
  {
    s += y[i] * std::sin(2.0 * kPi * cyclesPerSample * static_cast<double>(i));
    c += y[i] * std::cos(2.0 * kPi * cyclesPerSample * static_cast<double>(i));
  }
  const double count = static_cast<double>(to - from);
  s *= 2.0 / count;
  c *= 2.0 / count;
  amplitude = std::sqrt(s * s + c * c);
  residual = 0.0;
  for (size_t i = from; i < to; ++i)
  {
    const double r = y[i] - s * std::sin(2.0 * kPi * cyclesPerSample * static_cast<double>(i)) -
                     c * std::cos(2.0 * kPi * cyclesPerSample * static_cast<double>(i));
    residual += r * r;
  }
  residual /= count;
}

double Power(const std::vector<float>& v, size_t from, size_t to)
{
  double sum = 0.0;
  for (size_t i = from; i < to; ++i)
    sum += static_cast<double>(v[i]) * v[i];
  return sum / static_cast<double>(to - from);
}
} // namespace

TEST(DenoiseSuppressor, FrameSizeAndStateHandling)
{
  EXPECT_EQ(rnnoise_get_frame_size(), 480);
  EXPECT_GT(rnnoise_get_size(), 0);
  rnnoise_destroy(nullptr);
  float frame[480] = {};
  EXPECT_EQ(rnnoise_process_frame(nullptr, frame, frame), 0.0f);
  // A state placed by the caller behaves like a created one.
  std::vector<unsigned char> memory(static_cast<size_t>(rnnoise_get_size()) + 64);
  void* raw = memory.data();
  size_t space = memory.size();
  DenoiseState* placed = static_cast<DenoiseState*>(
      std::align(alignof(std::max_align_t), static_cast<size_t>(rnnoise_get_size()), raw, space));
  ASSERT_EQ(rnnoise_init(placed, nullptr), 0);
  State created;
  const std::vector<float> input = WhiteNoise(480 * 40, 1, 2000.0f);
  EXPECT_EQ(Process(placed, input), Process(created.st, input));
}

TEST(DenoiseSuppressor, OutputIsExactlyTwoFramesLate)
{
  // Silence, then a loud burst: far above the learnt floor, so it passes nearly unchanged.
  std::vector<float> input(480 * 60, 0.0f);
  const std::vector<float> burst = WhiteNoise(4000, 2, 8000.0f);
  const size_t start = 480 * 30 + 123;
  std::copy(burst.begin(), burst.end(), input.begin() + static_cast<std::ptrdiff_t>(start));
  State s;
  const std::vector<float> out = Process(s.st, input);

  // Output made before the burst reached the 30 ms analysis window is exactly silent (that
  // window may spread some pre-echo ahead of the onset).
  const size_t firstFrameWithBurst = (start / 480) * 480;
  for (size_t i = 0; i < firstFrameWithBurst; ++i)
    ASSERT_EQ(out[i], 0.0f) << i;
  EXPECT_NE(out[firstFrameWithBurst + 479], 0.0f);
  int bestLag = -1;
  double best = 0.0;
  for (int lag = 0; lag <= 2000; ++lag)
  {
    double c = 0.0;
    for (size_t i = start; i < start + burst.size(); ++i)
      c += static_cast<double>(input[i]) * out[i + static_cast<size_t>(lag)];
    if (c > best)
    {
      best = c;
      bestLag = lag;
    }
  }
  EXPECT_EQ(bestLag, 960);
  double err = 0.0, ref = 0.0;
  for (size_t i = start; i < start + burst.size(); ++i)
  {
    const double e = out[i + 960] - input[i];
    err += e * e;
    ref += static_cast<double>(input[i]) * input[i];
  }
  EXPECT_LT(10.0 * std::log10(err / ref), -20.0);
}

TEST(DenoiseSuppressor, StatesAreIndependentPerChannel)
{
  const std::vector<float> left = WhiteNoise(480 * 50, 3, 1000.0f);
  const std::vector<float> right = WhiteNoise(480 * 50, 4, 300.0f);
  State a, b, alone;
  std::vector<float> outA(left.size()), outB(right.size());
  for (size_t at = 0; at < left.size(); at += 480)
  {
    rnnoise_process_frame(a.st, outA.data() + at, left.data() + at);
    rnnoise_process_frame(b.st, outB.data() + at, right.data() + at);
  }
  EXPECT_EQ(outA, Process(alone.st, left));
  // In-place processing gives the same result as separate buffers.
  State inPlace, separate;
  std::vector<float> buffer = right;
  for (size_t at = 0; at < buffer.size(); at += 480)
    rnnoise_process_frame(inPlace.st, buffer.data() + at, buffer.data() + at);
  EXPECT_EQ(buffer, Process(separate.st, right));
}

TEST(DenoiseSuppressor, KeepsASteadyToneAndLowersWhiteNoiseByTenDecibels)
{
  const double f = 1000.0 / 48000.0;
  const size_t n = 48000 * 6;
  const std::vector<float> noise = WhiteNoise(n, 5, 1000.0f);
  std::vector<float> mix(n);
  for (size_t i = 0; i < n; ++i)
    mix[i] =
        3000.0f * static_cast<float>(std::sin(2.0 * kPi * f * static_cast<double>(i))) + noise[i];
  State s;
  std::vector<float> probabilities;
  std::vector<float> out = Process(s.st, mix, &probabilities);
  out.erase(out.begin(), out.begin() + 960); // align with the input

  double amplitude = 0.0, residual = 0.0;
  FitSine(out, 48000 * 3, n - 960, f, amplitude, residual);
  EXPECT_NEAR(20.0 * std::log10(amplitude / 3000.0), 0.0, 1.0);
  const double drop = 10.0 * std::log10(residual / Power(noise, 48000 * 3, n - 960));
  EXPECT_LT(drop, -10.0);
  for (float p : probabilities)
  {
    ASSERT_GE(p, 0.0f);
    ASSERT_LE(p, 1.0f);
  }
}

TEST(DenoiseSuppressor, RemovesMainsHumWithHarmonics)
{
  const size_t n = 48000 * 5;
  std::vector<float> hum(n);
  for (size_t i = 0; i < n; ++i)
  {
    double v = 0.0;
    for (int h = 1; h <= 6; ++h)
      v += (2000.0 / h) * std::sin(2.0 * kPi * 50.0 * h * static_cast<double>(i) / 48000.0 + h);
    hum[i] = static_cast<float>(v);
  }
  const std::vector<float> hiss = WhiteNoise(n, 6, 30.0f);
  std::vector<float> mix(n);
  for (size_t i = 0; i < n; ++i)
    mix[i] = hum[i] + hiss[i];
  State s;
  const std::vector<float> out = Process(s.st, mix);
  const double drop = 10.0 * std::log10(Power(out, 48000 * 3, n) / Power(mix, 48000 * 3, n));
  EXPECT_LT(drop, -10.0);
}

TEST(DenoiseSuppressor, RecoversFromNonFiniteInput)
{
  State s;
  std::vector<float> input = WhiteNoise(480 * 100, 7, 500.0f);
  input[480 * 50 + 7] = std::numeric_limits<float>::quiet_NaN();
  input[480 * 50 + 100] = std::numeric_limits<float>::infinity();
  input[480 * 51 + 3] = -std::numeric_limits<float>::infinity();
  input[480 * 52 + 3] = 3e38f;
  std::vector<float> probabilities;
  const std::vector<float> out = Process(s.st, input, &probabilities);
  for (float v : out)
    ASSERT_TRUE(std::isfinite(v));
  for (float p : probabilities)
    ASSERT_TRUE(p >= 0.0f && p <= 1.0f);
  // Afterwards the noise is again suppressed as before the burst.
  EXPECT_LT(Power(out, 480 * 90, 480 * 100), 0.3 * Power(input, 480 * 90, 480 * 100));
}

TEST(DenoiseHumDetector, FindsTheMainsSeriesButNotNearbyNotes)
{
  auto detect = [](const std::vector<float>& x) {
    denoise::HumDetector d;
    d.Init();
    for (size_t at = 0; at + 480 <= x.size(); at += 480)
      d.Push(x.data() + at, 480);
    return std::make_pair(d.Base(), d.HighestHarmonic());
  };
  const size_t n = 48000 * 2;
  for (double base : {50.0, 60.0})
  {
    std::vector<float> hum = WhiteNoise(n, 8, 50.0f);
    for (size_t i = 0; i < n; ++i)
      for (int h = 1; h <= 9; h += 2)
        hum[i] += static_cast<float>(
            800.0 / h * std::sin(2.0 * kPi * base * h * static_cast<double>(i) / 48000.0));
    const auto found = detect(hum);
    EXPECT_EQ(found.first, base);
    EXPECT_EQ(found.second, 9);
  }
  // A held note a few hertz off the series (G3, 196 Hz, with harmonics), and 220 Hz, whose
  // fifth harmonic sits exactly on 1100 Hz: neither is hum.
  for (double note : {196.0, 220.0})
  {
    std::vector<float> tone = WhiteNoise(n, 9, 50.0f);
    for (size_t i = 0; i < n; ++i)
      for (int h = 1; h <= 8; ++h)
        tone[i] += static_cast<float>(
            3000.0 / h * std::sin(2.0 * kPi * note * h * static_cast<double>(i) / 48000.0));
    EXPECT_EQ(detect(tone).first, 0.0) << note;
  }
}

TEST(DenoiseSuppressor, KeepsAHeldNoteOverHumWhileRemovingTheHum)
{
  const size_t n = 48000 * 6;
  std::vector<float> note(n), hum(n);
  for (size_t i = 0; i < n; ++i)
  {
    const double t = static_cast<double>(i) / 48000.0;
    double v = 0.0, hv = 0.0;
    for (int h = 1; h <= 6; ++h)
      v += 3000.0 / h * std::sin(2.0 * kPi * 220.0 * h * t + h);
    for (int h = 1; h <= 7; ++h)
      hv += 600.0 / h * std::sin(2.0 * kPi * 50.0 * h * t + 0.5 * h);
    note[i] = static_cast<float>(v);
    hum[i] = static_cast<float>(hv);
  }
  const std::vector<float> hiss = WhiteNoise(n, 10, 20.0f);
  std::vector<float> mix(n);
  for (size_t i = 0; i < n; ++i)
    mix[i] = note[i] + hum[i] + hiss[i];
  State s;
  std::vector<float> out = Process(s.st, mix);
  out.erase(out.begin(), out.begin() + 960);
  // Error against the note alone after 3 s: the hum (about -14 dB against the note) is gone.
  double err = 0.0, ref = 0.0;
  for (size_t i = 48000 * 3; i < n - 960; ++i)
  {
    const double e = out[i] - note[i];
    err += e * e;
    ref += static_cast<double>(note[i]) * note[i];
  }
  EXPECT_LT(10.0 * std::log10(err / ref), -25.0);
}

TEST(DenoiseSuppressor, FollowsARisingNoiseLevelWithinAboutASecond)
{
  const size_t n = 48000 * 7;
  std::vector<float> noise = WhiteNoise(n, 11, 300.0f);
  for (size_t i = 48000 * 3; i < n; ++i)
    noise[i] *= 3.1623f; // +10 dB at 3 s
  State s;
  const std::vector<float> out = Process(s.st, noise);
  auto attenuation = [&](double from, double to) {
    const size_t a = static_cast<size_t>(from * 48000), b = static_cast<size_t>(to * 48000);
    double in = 0.0, o = 0.0;
    for (size_t i = a; i < b; ++i)
    {
      in += static_cast<double>(noise[i]) * noise[i];
      o += static_cast<double>(out[i + 960]) * out[i + 960];
    }
    return 10.0 * std::log10(in / o);
  };
  EXPECT_GT(attenuation(2.0, 3.0), 10.0);
  EXPECT_GT(attenuation(4.5, 6.5), 10.0);
}
