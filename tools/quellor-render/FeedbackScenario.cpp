// Scenario "feedback": a voice-like programme in which a 2.5 kHz tone starts to ring, grows
// exponentially the way acoustic feedback does, holds near the top of its growth and then
// stops abruptly (the fader is pulled), followed by programme alone.

#include "tools/quellor-render/Scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Formants
{
  double f[3];
};

// Rough formant frequencies of five vowels.
constexpr Formants kVowels[] = {{{730, 1090, 2440}},
                                {{530, 1840, 2480}},
                                {{270, 2290, 3010}},
                                {{570, 840, 2410}},
                                {{300, 870, 2240}}};

double Resonance(double hz, double centre, double bandwidth)
{
  const double d = (hz - centre) / (0.5 * bandwidth);
  return 1.0 / std::sqrt(1.0 + d * d);
}

struct Rng
{
  uint32_t s = 20240601u;
  double Uniform() // -1 .. 1
  {
    s = s * 1664525u + 1013904223u;
    return (static_cast<double>(s >> 8) / 16777216.0) * 2.0 - 1.0;
  }
};

Scenario MakeFeedback(const ScenarioRequest& request)
{
  Scenario sc;
  sc.sampleRate = request.sampleRate > 0 ? request.sampleRate : 48000.0;
  const double seconds = request.seconds > 0 ? request.seconds : 11.0;
  const double rate = sc.sampleRate;
  const size_t total = static_cast<size_t>(seconds * rate);

  const double ringStart = std::min(2.0, 0.25 * seconds);
  const double ringStop = std::min(ringStart + 2.5, 0.6 * seconds);
  const double ringHz = 2500.0;
  const double ringFloor = 0.0003;       // about -70 dBFS when it starts
  const double growthDbPerSecond = 80.0; // a hot microphone: the loop gain well above one
  const double ringCeiling = 0.35;       // where the loop saturates

  sc.eventStart = ringStart;
  sc.eventEnd = ringStop;
  sc.eventFrequency = ringHz;
  sc.eventName = "ring";
  sc.description = "voice-like programme; a 2.5 kHz ring starts at " +
                   std::to_string(ringStart).substr(0, 4) +
                   " s, grows 80 dB/s from -70 dBFS to -9 dBFS, stops at " +
                   std::to_string(ringStop).substr(0, 4) + " s";

  std::vector<float> out(total);
  Rng rng;
  double glottalPhase = 0.0, ringPhase = 0.0;
  double noiseState = 0.0;
  double jitter = 0.0, shimmer = 0.0;
  const int maxHarmonics = 60;
  std::vector<double> harmonicPhase(maxHarmonics, 0.0);
  for (int k = 0; k < maxHarmonics; ++k)
    harmonicPhase[k] = 0.37 * k * k;

  for (size_t i = 0; i < total; ++i)
  {
    const double t = static_cast<double>(i) / rate;

    // Phrases of about 1.8 s with short breaths between them, syllables at about 4.5 Hz.
    const double phraseT = std::fmod(t, 2.2);
    const double phrase =
        phraseT < 1.8 ? std::sin(std::numbers::pi * std::min(phraseT / 0.08, 1.0) * 0.5) : 0.0;
    const double syllablePos = t * 4.5;
    const int syllable = static_cast<int>(syllablePos);
    const double syllableEnv = std::pow(std::sin(std::numbers::pi * (syllablePos - syllable)), 2.0);

    // Pitch follows an intonation contour per syllable with vibrato and cycle-to-cycle jitter;
    // the level shimmers. Without these the harmonics would be steadier than any voice.
    jitter = 0.995 * jitter + 0.005 * rng.Uniform();
    shimmer = 0.99 * shimmer + 0.01 * rng.Uniform();
    const double contour =
        std::sin(std::numbers::pi * (syllablePos - syllable)) * (syllable % 2 ? 18.0 : -12.0);
    const double f0 =
        (115.0 + 20.0 * std::sin(kTwoPi * 0.21 * t) + contour + 4.0 * std::sin(kTwoPi * 5.3 * t)) *
        (1.0 + 1.2 * jitter);
    const Formants& va = kVowels[(syllable * 3) % 5];
    const Formants& vb = kVowels[(syllable * 3 + 3) % 5];
    const double glide = std::clamp((syllablePos - syllable) * 2.0 - 0.5, 0.0, 1.0);

    double voiced = 0.0;
    glottalPhase += f0 / rate;
    for (int k = 1; k <= maxHarmonics; ++k)
    {
      const double hz = k * f0;
      if (hz > 6000.0)
        break;
      double shape = 0.0;
      for (int fi = 0; fi < 3; ++fi)
      {
        const double centre = va.f[fi] + (vb.f[fi] - va.f[fi]) * glide;
        shape += Resonance(hz, centre, 160.0 + 60.0 * fi) / (1.0 + fi);
      }
      voiced +=
          shape / std::pow(k, 0.9) * std::sin(kTwoPi * glottalPhase * k + harmonicPhase[k - 1]);
    }
    // Breath and fricatives: coloured noise, louder between syllables.
    noiseState = 0.3 * noiseState + 0.7 * rng.Uniform();
    const double breath = (0.04 + 0.06 * (1.0 - syllableEnv)) * noiseState;
    double sample = phrase * (0.10 * syllableEnv * (1.0 + 4.0 * shimmer) * voiced + breath) +
                    0.0005 * rng.Uniform();

    if (t >= ringStart && t < ringStop + 0.05)
    {
      double a = ringFloor * std::pow(10.0, growthDbPerSecond * (t - ringStart) / 20.0);
      a = std::min(a, ringCeiling);
      if (t >= ringStop)
        a *= 1.0 - (t - ringStop) / 0.05; // the fader comes down over 50 ms
      ringPhase += ringHz / rate;
      ringPhase -= std::floor(ringPhase);
      sample += a * std::sin(kTwoPi * ringPhase);
    }
    out[i] = static_cast<float>(sample);
  }
  sc.channels.push_back(std::move(out));
  return sc;
}

} // namespace

QUELLOR_REGISTER_SCENARIO(
    feedback, "feedback",
    "voice-like programme with a 2.5 kHz ring that grows like feedback, then stops", MakeFeedback);
