#include "tools/quellor-render/ScoreMeasures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

bool ToneDetectable(const std::vector<float>& m, float binWidth, double hz, double sensitivity)
{
  if (m.size() < 8 || !(binWidth > 0))
    return false;
  const int n = static_cast<int>(m.size());
  const int first = std::max(static_cast<int>(150.0 / binWidth), 2);
  const int last = std::min(static_cast<int>(12000.0 / binWidth), n - 3);
  if (last < first)
    return false;
  double sum = 0;
  for (int k = first; k <= last; ++k)
    sum += m[k];
  const double mean = sum / (last - first + 1);
  const int centre = static_cast<int>(std::lround(hz / binWidth));
  float peak = 0;
  for (int k = std::max(centre - 2, 0); k <= std::min(centre + 2, n - 1); ++k)
    peak = std::max(peak, m[k]);
  return mean > 0 && peak > (28.0 - 16.0 * sensitivity) * mean;
}

void CatchWatch::Update(const std::vector<NotchView>& slots, const std::vector<float>& spectrum,
                        float binWidth, double t)
{
  const size_t before = mWatcher.Marks().size();
  mWatcher.Update(slots, t);
  if (t < mStart)
    return;
  if (mTrackable < 0 && ToneDetectable(spectrum, binWidth, mHz, mSensitivity))
    mTrackable = t;
  if (mCaught >= 0)
    return;
  const std::vector<NotchMark>& marks = mWatcher.Marks();
  for (size_t i = before; i < marks.size(); ++i)
    if (marks[i].placed && std::fabs(marks[i].frequency - mHz) < kCatchHz)
    {
      mCaught = t;
      break;
    }
}

bool CatchWatch::CatchMs(double& ms) const
{
  if (mCaught < 0 || mTrackable < 0)
    return false;
  ms = (mCaught - mTrackable) * 1000.0;
  return true;
}

double PlacementsPerMinute(const NotchWatcher& watcher, double seconds)
{
  return seconds > 0 ? watcher.Placed() * 60.0 / seconds : 0.0;
}

bool WorstBandChange(const std::vector<ThirdOctaveBand>& input,
                     const std::vector<ThirdOctaveBand>& output, double lowHz, double highHz,
                     double& changeDb, std::string& band)
{
  bool found = false;
  for (size_t i = 0; i < input.size() && i < output.size(); ++i)
  {
    // Nominal centres are the exact ones rounded; a small tolerance keeps 100 Hz and 10 kHz in.
    if (!input[i].heard || input[i].centre < lowHz * 0.99 || input[i].centre > highHz * 1.01)
      continue;
    const double change = std::max(output[i].level, -120.0) - input[i].level;
    if (!found || std::fabs(change) > std::fabs(changeDb))
    {
      changeDb = change;
      band = input[i].name;
      found = true;
    }
  }
  return found;
}

void AddGrowingRing(std::vector<float>& x, double rate, double start, double hz, double startDbfs,
                    double dbPerSecond, double ceilingDbfs)
{
  if (!(rate > 0))
    return;
  const size_t from = static_cast<size_t>(std::max(start, 0.0) * rate);
  double phase = 0;
  for (size_t i = from; i < x.size(); ++i)
  {
    const double t = static_cast<double>(i - from) / rate;
    const double db = std::min(startDbfs + dbPerSecond * t, ceilingDbfs);
    x[i] +=
        static_cast<float>(std::pow(10.0, db / 20.0) * std::sin(2.0 * std::numbers::pi * phase));
    phase += hz / rate;
    phase -= std::floor(phase);
  }
}

Spread SpreadOf(const std::vector<double>& values)
{
  Spread s;
  if (values.empty())
    return s;
  s.min = values[0];
  s.max = values[0];
  double sum = 0;
  for (double v : values)
  {
    sum += v;
    s.min = std::min(s.min, v);
    s.max = std::max(s.max, v);
  }
  s.count = static_cast<int>(values.size());
  s.mean = sum / s.count;
  return s;
}
