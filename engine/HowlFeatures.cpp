#include "engine/HowlFeatures.h"

#include <algorithm>
#include <cmath>

namespace howl {

float PeakBin(const float* m, int32_t k)
{
  const float L = m[k];
  if (!(L > 0.0f))
    return static_cast<float>(k);
  // Under a Hann window a tone d bins above bin k (0 <= d <= 0.5) gives neighbour / peak =
  // (1 + d) / (2 - d), so d = (2a - 1) / (1 + a).
  const bool up = m[k + 1] > m[k - 1];
  const float a = (up ? m[k + 1] : m[k - 1]) / L;
  const float d = std::clamp((2.0f * a - 1.0f) / (1.0f + a), 0.0f, 0.5f);
  return static_cast<float>(k) + (up ? d : -d);
}

namespace {

// Whether a local maximum above level lies within a bin of fractional bin position p, its own
// position within precision bins of p.
bool PeakNear(const float* m, int32_t half, float p, float level, float precision)
{
  const int32_t c = static_cast<int32_t>(p + 0.5f);
  for (int32_t k = std::max(c - 1, 1); k <= std::min(c + 1, half - 2); ++k)
    if (m[k] > level && m[k] >= m[k - 1] && m[k] >= m[k + 1] &&
        std::fabs(PeakBin(m, k) - p) <= precision)
      return true;
  return false;
}

constexpr int kLongestSeries = 8;

} // namespace

bool HasHarmonicPartner(const float* m, int32_t half, float b, float level, float precision)
{
  const float top = static_cast<float>(half) - 2.0f;
  // Partners below bin 2 cannot be told from the window's leakage of the DC.
  constexpr float kRatios[] = {2.0f, 3.0f, 0.5f, 1.0f / 3.0f};
  for (const float r : kRatios)
  {
    const float p = b * r;
    if (p >= 2.0f && p < top && PeakNear(m, half, p, level, precision * std::max(r, 1.0f)))
      return true;
  }
  // Only spacings of three bins or more are resolved.
  for (int n = 2; n <= kLongestSeries; ++n)
  {
    const float step = b / static_cast<float>(n);
    if (step < 3.0f)
      break;
    if (b + step < top && PeakNear(m, half, b - step, level, precision) &&
        PeakNear(m, half, b + step, level, precision))
      return true;
  }
  return false;
}

Trend FitTrend(const float* ring, int32_t ringLength, int32_t newest, int32_t count)
{
  Trend t;
  if (count < 2 || count > ringLength || ringLength <= 0)
    return t;
  auto at = [&](int32_t j) { // j = 0 the oldest of the count
    return ring[((newest - (count - 1) + j) % ringLength + ringLength) % ringLength];
  };
  const float w = static_cast<float>(count);
  const float xm = 0.5f * (w - 1.0f);
  float sy = 0.0f, sxy = 0.0f;
  for (int32_t j = 0; j < count; ++j)
  {
    const float y = at(j);
    sy += y;
    sxy += (static_cast<float>(j) - xm) * y;
  }
  const float slope = sxy / (w * (w * w - 1.0f) / 12.0f);
  const float ym = sy / w;
  float dev = 0.0f;
  for (int32_t j = 0; j < count; ++j)
  {
    const float r = at(j) - (ym + slope * (static_cast<float>(j) - xm));
    dev += r * r;
  }
  t.growth = slope * (w - 1.0f);
  t.deviation = std::sqrt(dev / w);
  return t;
}

} // namespace howl
