#include "tools/quellor-render/RoomScenario.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>

#include "engine/ComplexFft.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Random
{
  uint32_t state;
  explicit Random(uint32_t seed) : state(seed) {}
  double Uniform() // -1 .. 1
  {
    state = state * 1664525u + 1013904223u;
    return (static_cast<double>(state >> 8) / 16777216.0) * 2.0 - 1.0;
  }
};

// Two-pole resonator (one formant), unity gain at its centre.
struct Resonator
{
  double y1 = 0.0, y2 = 0.0;
  double Process(double x, double centre, double bandwidth, double rate)
  {
    const double r = std::exp(-std::numbers::pi * bandwidth / rate);
    const double c = 2.0 * r * std::cos(kTwoPi * centre / rate);
    const double y = (1.0 - r) * x + c * y1 - r * r * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

struct Vowel
{
  double f1, f2, f3;
};
constexpr Vowel kVowels[] = {{730, 1090, 2440}, {530, 1840, 2480}, {270, 2290, 3010},
                             {570, 840, 2410},  {300, 870, 2240},  {660, 1720, 2410},
                             {490, 1350, 1690}};

// Impulse response of a small room (RT60 about 0.5 s): direct sound, a few early
// reflections within 25 ms and a dense exponentially decaying tail that darkens with time.
std::vector<float> RoomResponse(double rate, uint32_t seed)
{
  const double rt60 = 0.5;
  const size_t length = static_cast<size_t>(rt60 * 1.2 * rate);
  std::vector<float> h(length, 0.0f);
  Random rng(seed);
  h[0] = 1.0f;
  for (int r = 0; r < 6; ++r)
  {
    const size_t at = static_cast<size_t>((0.003 + 0.011 * (1.0 + rng.Uniform())) * rate);
    if (at < length)
      h[at] += static_cast<float>(0.5 * rng.Uniform());
  }
  const size_t tailStart = static_cast<size_t>(0.01 * rate);
  double low = 0.0;
  for (size_t i = tailStart; i < length; ++i)
  {
    const double t = static_cast<double>(i) / rate;
    const double decay = std::exp(-6.9 * t / rt60);
    const double smoothing = std::min(0.9, 0.2 + 1.4 * t); // high frequencies die first
    low = smoothing * low + (1.0 - smoothing) * rng.Uniform();
    h[i] += static_cast<float>(0.35 * decay * low * (1.0 + 2.0 * smoothing));
  }
  return h;
}

// Linear convolution by overlap-add with the engine's transform.
std::vector<float> Convolve(const std::vector<float>& x, const std::vector<float>& h)
{
  size_t size = 1;
  while (size < 2 * h.size())
    size <<= 1;
  const size_t block = size - h.size() + 1;
  ComplexFft fft(static_cast<int>(size));
  std::vector<std::complex<float>> kernel(size), work(size);
  for (size_t i = 0; i < h.size(); ++i)
    kernel[i] = {h[i], 0.0f};
  fft.Forward(kernel);
  std::vector<float> y(x.size() + h.size(), 0.0f);
  for (size_t start = 0; start < x.size(); start += block)
  {
    std::fill(work.begin(), work.end(), std::complex<float>(0.0f, 0.0f));
    for (size_t i = 0; i < block && start + i < x.size(); ++i)
      work[i] = {x[start + i], 0.0f};
    fft.Forward(work);
    for (size_t i = 0; i < size; ++i)
      work[i] = std::conj(work[i] * kernel[i]);
    fft.Forward(work);
    const float scale = 1.0f / static_cast<float>(size);
    for (size_t i = 0; i < size && start + i < y.size(); ++i)
      y[start + i] += work[i].real() * scale;
  }
  y.resize(x.size());
  return y;
}

// Steady background: broadband hiss, air-conditioning rumble and 50 Hz hum with harmonics.
std::vector<float> Background(double rate, size_t total, uint32_t seed)
{
  std::vector<float> out(total);
  Random rng(seed);
  double pink[3] = {0.0, 0.0, 0.0};
  double rumble = 0.0, rumble2 = 0.0;
  for (size_t i = 0; i < total; ++i)
  {
    const double t = static_cast<double>(i) / rate;
    const double w = rng.Uniform();
    pink[0] = 0.997 * pink[0] + 0.029 * w;
    pink[1] = 0.985 * pink[1] + 0.032 * w;
    pink[2] = 0.950 * pink[2] + 0.048 * w;
    const double hiss = pink[0] + pink[1] + pink[2] + 0.05 * w;
    rumble = 0.995 * rumble + 0.005 * rng.Uniform();
    rumble2 = 0.995 * rumble2 + 0.005 * rumble;
    double hum = 0.0;
    for (int k = 1; k <= 7; ++k)
      hum += (k % 2 ? 1.0 : 0.4) / k * std::sin(kTwoPi * 50.0 * k * t + 0.9 * k);
    out[i] = static_cast<float>(0.006 * hiss + 0.8 * rumble2 + 0.0008 * hum);
  }
  return out;
}

} // namespace

// Dry talker: a glottal pulse train through three formant resonators, syllables with
// their own vowel, pitch contour and loudness, fricative bursts between some of them, and
// phrases separated by pauses.
std::vector<float> MakeTalker(double rate, size_t total, uint32_t seed)
{
  std::vector<float> out(total, 0.0f);
  Random rng(seed);
  Resonator formant[3];
  Resonator hiss;
  double phase = 0.0;
  double drift = 0.0;
  size_t i = 0;
  while (i < total)
  {
    // A phrase of 5 to 9 syllables, then a pause of 0.3 to 0.7 s.
    const int syllables = 5 + static_cast<int>(2.0 + 2.0 * rng.Uniform());
    const double baseF0 = 120.0 + 25.0 * rng.Uniform();
    for (int s = 0; s < syllables && i < total; ++s)
    {
      const double length = 0.16 + 0.06 * rng.Uniform();
      const Vowel& v = kVowels[static_cast<size_t>(std::fabs(rng.Uniform()) * 6.99)];
      const double loud = 0.7 + 0.3 * rng.Uniform();
      const double fall = 0.15 * rng.Uniform();
      const bool fricative = rng.Uniform() > 0.3;
      const size_t n = static_cast<size_t>(length * rate);
      for (size_t k = 0; k < n && i < total; ++k, ++i)
      {
        const double u = static_cast<double>(k) / static_cast<double>(n);
        // A voice is never steady: slow wander, a little tremor and cycle jitter.
        drift = 0.999 * drift + 0.001 * rng.Uniform();
        const double t = static_cast<double>(i) / rate;
        const double f0 =
            baseF0 * (1.0 + fall * (1.0 - 2.0 * u)) *
            (1.0 - 0.08 * static_cast<double>(s) / syllables) *
            (1.0 + 0.6 * drift + 0.03 * std::sin(kTwoPi * 5.5 * t) + 0.02 * rng.Uniform());
        phase += f0 / rate;
        double pulse = 0.0;
        if (phase >= 1.0)
        {
          phase -= 1.0;
          pulse = 1.0;
        }
        const double envelope = std::sin(std::numbers::pi * u) * std::sin(std::numbers::pi * u);
        const double excitation = pulse * envelope * loud;
        double voiced = formant[0].Process(excitation, v.f1, 160.0, rate) +
                        0.6 * formant[1].Process(excitation, v.f2, 220.0, rate) +
                        0.3 * formant[2].Process(excitation, v.f3, 300.0, rate);
        // Fricative at the syllable's start: noise around 5 kHz.
        const double fricEnv = fricative && u < 0.25 ? std::sin(std::numbers::pi * u / 0.25) : 0.0;
        const double noise = hiss.Process(rng.Uniform(), 5200.0, 3000.0, rate);
        out[i] = static_cast<float>(2.5 * voiced + 0.25 * fricEnv * noise);
      }
      // Short gap between syllables.
      const size_t gap = static_cast<size_t>((0.03 + 0.02 * rng.Uniform()) * rate);
      for (size_t k = 0; k < gap && i < total; ++k, ++i)
        out[i] = 0.0f;
    }
    const size_t pause = static_cast<size_t>((0.5 + 0.2 * rng.Uniform()) * rate);
    for (size_t k = 0; k < pause && i < total; ++k, ++i)
      out[i] = 0.0f;
  }
  return out;
}

std::vector<std::vector<float>> MakeRoomScenario(double sampleRate, double seconds, int channels)
{
  const double rate = std::isfinite(sampleRate) && sampleRate > 0.0 ? sampleRate : 48000.0;
  const double length = std::isfinite(seconds) && seconds > 0.0 ? seconds : 10.0;
  const size_t total = static_cast<size_t>(length * rate);
  const int count = std::clamp(channels, 1, 2);

  // Half a second of room tone before the talker starts.
  std::vector<float> dry(total, 0.0f);
  const size_t lead = std::min(total, static_cast<size_t>(0.5 * rate));
  const std::vector<float> talk = MakeTalker(rate, total - lead, 7u);
  std::copy(talk.begin(), talk.end(), dry.begin() + static_cast<std::ptrdiff_t>(lead));

  std::vector<std::vector<float>> out;
  for (int c = 0; c < count; ++c)
  {
    std::vector<float> wet = Convolve(dry, RoomResponse(rate, 101u + static_cast<uint32_t>(c)));
    const std::vector<float> noise = Background(rate, total, 555u + 17u * static_cast<uint32_t>(c));
    float peak = 0.0f;
    for (float v : wet)
      peak = std::max(peak, std::fabs(v));
    const float gain = peak > 0.0f ? 0.5f / peak : 1.0f; // programme peaks at -6 dBFS
    for (size_t i = 0; i < total; ++i)
      wet[i] = wet[i] * gain + noise[i];
    out.push_back(std::move(wet));
  }
  return out;
}

Scenario MakeRoomScenario(const ScenarioRequest& request)
{
  Scenario sc;
  sc.sampleRate = request.sampleRate > 0 ? request.sampleRate : 48000.0;
  sc.channels = MakeRoomScenario(sc.sampleRate, request.seconds, 2);
  sc.description = "speech-like talker in a small room (RT60 0.5 s) over steady hiss, "
                   "air-conditioning rumble and 50 Hz hum; "
                   "try --hushen 100 --drytail 60";
  return sc;
}

namespace {
Scenario GenerateRoom(const ScenarioRequest& request)
{
  return MakeRoomScenario(request);
}
} // namespace

QUELLOR_REGISTER_SCENARIO(room, "room",
                          "speech-like programme in a small reverberant room over steady noise",
                          GenerateRoom);
