#include "tools/quellor-render/ThirdOctave.h"

#include "engine/ComplexFft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>

namespace {

// Frames of 32768 points (1.46 Hz bins at 48 kHz: four bins across the 25 Hz band), Hann
// window, half overlapping.
constexpr int kFrame = 32768;
constexpr int kHop = kFrame / 2;
constexpr double kFloorDb = -120.0;
constexpr double kRangeDb = 90.0;

struct Nominal
{
  const char* name;
  int index; // centre = 1000 * 10^(index / 10)
};

constexpr Nominal kBands[] = {{"25", -16}, {"31.5", -15}, {"40", -14},   {"50", -13}, {"63", -12},
                              {"80", -11}, {"100", -10},  {"125", -9},   {"160", -8}, {"200", -7},
                              {"250", -6}, {"315", -5},   {"400", -4},   {"500", -3}, {"630", -2},
                              {"800", -1}, {"1k", 0},     {"1.25k", 1},  {"1.6k", 2}, {"2k", 3},
                              {"2.5k", 4}, {"3.15k", 5},  {"4k", 6},     {"5k", 7},   {"6.3k", 8},
                              {"8k", 9},   {"10k", 10},   {"12.5k", 11}, {"16k", 12}, {"20k", 13}};

double ToDb(double power)
{
  return power > 0 ? 10.0 * std::log10(power) : -std::numeric_limits<double>::infinity();
}

} // namespace

std::vector<ThirdOctaveBand> ThirdOctaveLevels(const std::vector<std::vector<float>>& channels,
                                               double rate)
{
  std::vector<ThirdOctaveBand> bands;
  if (!(rate > 0) || channels.empty() || channels[0].empty())
    return bands;
  const double edge = std::pow(10.0, 1.0 / 20.0);
  for (const Nominal& n : kBands)
  {
    ThirdOctaveBand b;
    b.name = n.name;
    b.centre = 1000.0 * std::pow(10.0, n.index / 10.0);
    b.lower = b.centre / edge;
    b.upper = b.centre * edge;
    if (b.upper <= 0.5 * rate)
      bands.push_back(b);
  }

  // A signal shorter than a frame gets a window as long as itself, zero-padded, so that the
  // padding does not count as silence in the level.
  const size_t span = std::min(channels[0].size(), static_cast<size_t>(kFrame));
  std::vector<float> window(kFrame, 0.0f);
  double windowPower = 0;
  for (size_t j = 0; j < span; ++j)
  {
    const double w = 0.5 - 0.5 * std::cos(2.0 * 3.141592653589793 * static_cast<double>(j) /
                                          static_cast<double>(span));
    window[j] = static_cast<float>(w);
    windowPower += w * w;
  }
  ComplexFft fft(kFrame);
  std::vector<float> frame(kFrame);
  std::vector<std::complex<float>> spectrum(kFrame);
  std::vector<double> power(kFrame / 2 + 1, 0.0);
  size_t frames = 0;
  for (const auto& x : channels)
  {
    // A signal shorter than one frame is one frame; otherwise frames start every hop and the
    // last one ends at the signal's end, so that no sample is left out.
    const size_t length = x.size();
    std::vector<size_t> starts;
    if (length <= static_cast<size_t>(kFrame))
      starts.push_back(0);
    else
    {
      for (size_t s = 0; s + kFrame <= length; s += kHop)
        starts.push_back(s);
      if (starts.back() + kFrame < length)
        starts.push_back(length - kFrame);
    }
    for (size_t s : starts)
    {
      for (size_t j = 0; j < static_cast<size_t>(kFrame); ++j)
        frame[j] = s + j < length ? x[s + j] : 0.0f;
      fft.ForwardWindowed(frame.data(), window.data(), spectrum.data());
      for (size_t k = 0; k < power.size(); ++k)
        power[k] += std::norm(spectrum[k]);
      ++frames;
    }
  }

  // Parseval: the one-sided sum 2 |X_k|^2 / (N sum w^2) is the frame's mean square; a full-scale
  // sine has mean square 1/2, hence the factor 2 more.
  const double binWidth = rate / kFrame;
  const double scale =
      4.0 / (static_cast<double>(kFrame) * windowPower * static_cast<double>(frames));
  double loudest = kFloorDb;
  for (ThirdOctaveBand& b : bands)
  {
    double sum = 0;
    const size_t first = static_cast<size_t>(std::ceil(b.lower / binWidth));
    for (size_t k = first; k < power.size() && static_cast<double>(k) * binWidth < b.upper; ++k)
      sum += power[k];
    b.level = ToDb(sum * scale);
    loudest = std::max(loudest, b.level);
  }
  // The single-precision transform leaves its own rounding about 110 dB below the loudest band;
  // what lies under that, or under the absolute floor, is no signal.
  for (ThirdOctaveBand& b : bands)
    b.heard = b.level > kFloorDb && b.level > loudest - kRangeDb;
  return bands;
}

double BroadbandLevel(const std::vector<std::vector<float>>& channels)
{
  double sum = 0;
  size_t count = 0;
  for (const auto& x : channels)
  {
    for (float v : x)
      sum += static_cast<double>(v) * v;
    count += x.size();
  }
  return count == 0 ? ToDb(0.0) : ToDb(2.0 * sum / static_cast<double>(count));
}

std::string FormatThirdOctaveTable(const std::vector<ThirdOctaveBand>& input,
                                   const std::vector<ThirdOctaveBand>& output)
{
  std::string s = "  band Hz    input dB   output dB   change dB\n";
  char line[96];
  for (size_t i = 0; i < input.size() && i < output.size(); ++i)
  {
    const ThirdOctaveBand& a = input[i];
    const ThirdOctaveBand& b = output[i];
    if (a.heard)
      std::snprintf(line, sizeof line, "  %-8s %10.1f %11.1f %+11.2f\n", a.name, a.level,
                    std::max(b.level, kFloorDb), std::max(b.level, kFloorDb) - a.level);
    else
      std::snprintf(line, sizeof line, "  %-8s %10s %11s %11s\n", a.name, "-", "-", "-");
    s += line;
  }
  return s;
}
