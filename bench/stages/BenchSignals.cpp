#include "bench/stages/BenchSignals.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace bench {
namespace {
constexpr double kPi = 3.14159265358979323846;

const char* const kSentences[] = {
    "The birch canoe slid on the smooth planks.", "Glue the sheet to the dark blue background.",
    "It is easy to tell the depth of a well.",    "These days a chicken leg is a rare dish.",
    "Rice is often served in round bowls.",       "The juice of lemons makes fine punch.",
};

std::vector<float> ReadWav(const std::string& path)
{
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
    return {};
  std::vector<float> frames(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  sf_readf_float(file, frames.data(), info.frames);
  sf_close(file);
  std::vector<float> mono(static_cast<size_t>(info.frames));
  for (size_t i = 0; i < mono.size(); ++i)
    mono[i] = frames[i * static_cast<size_t>(info.channels)];
  return mono;
}
} // namespace

std::vector<float> RenderSpeech()
{
  namespace fs = std::filesystem;
  char dirName[48];
  std::snprintf(dirName, sizeof(dirName), "quellor-bench-%u",
                static_cast<unsigned>(std::random_device{}()));
  const fs::path dir = fs::temp_directory_path() / dirName;
  fs::create_directories(dir);
  std::vector<float> speech;
  int index = 0;
  for (const char* sentence : kSentences)
  {
    char rawName[32], resampledName[32];
    std::snprintf(rawName, sizeof(rawName), "s%d.wav", index);
    std::snprintf(resampledName, sizeof(resampledName), "r%d.wav", index);
    ++index;
    const std::string raw = (dir / rawName).string();
    const std::string resampled = (dir / resampledName).string();
    const std::string speak =
        "espeak-ng -v en-us -s 150 -w '" + raw + "' '" + sentence + "' >/dev/null 2>&1";
    const std::string convert = "sox '" + raw + "' -r 48000 '" + resampled + "' >/dev/null 2>&1";
    if (std::system(speak.c_str()) != 0 || std::system(convert.c_str()) != 0)
      break;
    const std::vector<float> part = ReadWav(resampled);
    speech.insert(speech.end(), part.begin(), part.end());
    speech.insert(speech.end(), static_cast<size_t>(0.25 * kRate), 0.0f);
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return speech;
}

std::vector<float> SustainedTone(double seconds)
{
  const size_t n = static_cast<size_t>(seconds * kRate);
  const double notes[] = {220.0, 277.18, 329.63, 293.66, 246.94};
  const double noteLength = 1.6;
  std::vector<float> out(n, 0.0f);
  double phase = 0.0;
  for (size_t i = 0; i < n; ++i)
  {
    const double t = static_cast<double>(i) / kRate;
    const int note = static_cast<int>(t / noteLength);
    const double inNote = t - note * noteLength;
    const double f0 =
        notes[static_cast<size_t>(note) % 5] * (1.0 + 0.004 * std::sin(2.0 * kPi * 5.5 * t));
    phase += 2.0 * kPi * f0 / kRate;
    const double attack = std::min(1.0, inNote / 0.06);
    const double release = std::min(1.0, (noteLength - inNote) / 0.08);
    const double envelope =
        std::max(0.0, std::min(attack, release)) * (1.0 + 0.05 * std::sin(2.0 * kPi * 3.1 * t));
    double v = 0.0;
    for (int h = 1; h <= 12; ++h)
      v += std::sin(h * phase + 0.3 * h) / (h * (1.0 + 0.15 * h));
    out[i] = static_cast<float>(0.3 * envelope * v);
  }
  return out;
}

std::vector<float> WhiteNoise(double seconds, unsigned seed)
{
  std::mt19937 rng(seed);
  std::normal_distribution<float> dist(0.0f, 0.1f);
  std::vector<float> out(static_cast<size_t>(seconds * kRate));
  for (float& x : out)
    x = dist(rng);
  return out;
}

std::vector<float> PinkNoise(double seconds, unsigned seed)
{
  // White noise through a filter with a -3 dB per octave slope (sum of first-order sections).
  std::mt19937 rng(seed);
  std::normal_distribution<double> dist(0.0, 0.1);
  std::vector<float> out(static_cast<size_t>(seconds * kRate));
  double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
  for (float& x : out)
  {
    const double w = dist(rng);
    b0 = 0.99886 * b0 + w * 0.0555179;
    b1 = 0.99332 * b1 + w * 0.0750759;
    b2 = 0.96900 * b2 + w * 0.1538520;
    b3 = 0.86650 * b3 + w * 0.3104856;
    b4 = 0.55000 * b4 + w * 0.5329522;
    b5 = -0.7616 * b5 - w * 0.0168980;
    x = static_cast<float>(b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362);
    b6 = w * 0.115926;
  }
  return out;
}

std::vector<float> HumNoise(double seconds, unsigned seed)
{
  std::mt19937 rng(seed);
  std::normal_distribution<double> dist(0.0, 0.001);
  std::vector<float> out(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < out.size(); ++i)
  {
    const double t = static_cast<double>(i) / kRate;
    double v = 0.0;
    for (int h = 1; h <= 15; ++h)
      v += (h % 2 ? 1.0 : 0.5) / h * std::sin(2.0 * kPi * 50.0 * h * t + 0.7 * h);
    out[i] = static_cast<float>(0.1 * v + dist(rng));
  }
  return out;
}

double Power(const std::vector<float>& v, size_t from, size_t to)
{
  double sum = 0.0;
  to = std::min(to, v.size());
  for (size_t i = from; i < to; ++i)
    sum += static_cast<double>(v[i]) * v[i];
  return to > from ? sum / static_cast<double>(to - from) : 0.0;
}
} // namespace bench
