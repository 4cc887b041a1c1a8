#include "denoise/HumDetector.h"

#include "denoise/SuppressorMath.h"

namespace denoise {
namespace {
constexpr double kBaseFrequencies[2] = {50.0, 60.0};
// Hz from each harmonic: just outside the main lobe of the 0.5 s Hann window, so a hum line
// falls in their nulls while a note a few hertz off the harmonic lights one of them up.
constexpr double kProbeOffsets[3] = {-6.0, 0.0, 6.0};
constexpr double kPeakRatio = 10.0;
constexpr int kReleaseWindows = 20;
constexpr double kAnalysisRate = 48000.0 / HumDetector::kDecimation;
// A harmonic must reach about -90 dBFS (amplitude 1 in 16-bit scale) to count (the Hann window
// halves the gain, the decimating sum multiplies it by four).
constexpr double kMinimumPower = 0.0625 * 16.0 * HumDetector::kWindow * HumDetector::kWindow;
} // namespace

void HumDetector::Init()
{
  for (int b = 0; b < kBases; ++b)
    for (int h = 0; h < kHarmonics; ++h)
      for (int p = 0; p < kProbes; ++p)
      {
        const double frequency = (h + 1) * kBaseFrequencies[b] + kProbeOffsets[p];
        mCoefficient[b][h][p] = 2.0 * Cos(2.0 * kPi * frequency / kAnalysisRate);
        mS1[b][h][p] = 0.0;
        mS2[b][h][p] = 0.0;
      }
  mCount = 0;
  mDecimationSum = 0.0;
  mDecimationCount = 0;
  mBase = 0.0;
  mHighest = 0;
  mCandidate = 0.0;
  mMissed = 0;
  mStepCos = Cos(2.0 * kPi / kWindow);
  mStepSin = Sin(2.0 * kPi / kWindow);
  mPhaseCos = 1.0;
  mPhaseSin = 0.0;
}

void HumDetector::Push(const float* x, int n)
{
  // Sums of four samples: 12 kHz is plenty for harmonics up to 1.5 kHz, and the sum's nulls
  // at 12 and 24 kHz keep what folds down from above small.
  double decimated[512];
  int count = 0;
  for (int i = 0; i < n; ++i)
  {
    mDecimationSum += x[i];
    if (++mDecimationCount == kDecimation)
    {
      decimated[count++] = mDecimationSum;
      mDecimationSum = 0.0;
      mDecimationCount = 0;
      if (count == 512)
      {
        Analyse(decimated, count);
        count = 0;
      }
    }
  }
  Analyse(decimated, count);
}

void HumDetector::Analyse(const double* x, int n)
{
  int i = 0;
  double windowed[512];
  while (i < n)
  {
    const int run = n - i < kWindow - mCount ? n - i : kWindow - mCount;
    // Hann window over the analysis span, by a rotating phasor: its low sidelobes keep strong
    // notes far from a probe from leaking into it.
    for (int j = 0; j < run; ++j)
    {
      windowed[j] = x[i + j] * (0.5 - 0.5 * mPhaseCos);
      const double c = mPhaseCos * mStepCos - mPhaseSin * mStepSin;
      mPhaseSin = mPhaseSin * mStepCos + mPhaseCos * mStepSin;
      mPhaseCos = c;
    }
    for (int b = 0; b < kBases; ++b)
      for (int h = 0; h < kHarmonics; ++h)
        for (int p = 0; p < kProbes; ++p)
        {
          const double c = mCoefficient[b][h][p];
          double s1 = mS1[b][h][p];
          double s2 = mS2[b][h][p];
          for (int j = 0; j < run; ++j)
          {
            const double s = windowed[j] + c * s1 - s2;
            s2 = s1;
            s1 = s;
          }
          mS1[b][h][p] = s1;
          mS2[b][h][p] = s2;
        }
    i += run;
    mCount += run;
    if (mCount >= kWindow)
      Evaluate();
  }
}

void HumDetector::Evaluate()
{
  int bestMatches = 0;
  double bestBase = 0.0;
  int bestHighest = 0;
  for (int b = 0; b < kBases; ++b)
  {
    double power[kProbes];
    int matches = 0;
    int highest = 0;
    int misses = 0;
    bool low = false;
    for (int h = 0; h < kHarmonics; ++h)
    {
      for (int p = 0; p < kProbes; ++p)
      {
        const double s1 = mS1[b][h][p];
        const double s2 = mS2[b][h][p];
        power[p] = s1 * s1 + s2 * s2 - mCoefficient[b][h][p] * s1 * s2;
        mS1[b][h][p] = 0.0;
        mS2[b][h][p] = 0.0;
      }
      const double beside = power[0] > power[2] ? power[0] : power[2];
      if (power[1] > kPeakRatio * beside && power[1] > kMinimumPower)
      {
        // The series ends at three missing harmonics in a row; a note that happens to
        // sit on a high multiple of the mains frequency does not extend it.
        if (misses < 3)
          highest = h + 1;
        misses = 0;
        if (h < 8)
          ++matches;
        if (h < 2)
          low = true;
      }
      else
      {
        ++misses;
      }
    }
    if (low && matches >= 3 && matches > bestMatches)
    {
      bestMatches = matches;
      bestBase = kBaseFrequencies[b];
      bestHighest = highest;
    }
  }
  // Hum persists: a series counts once two windows in a row agree on it, and stays while
  // louder programme hides it from single windows (released after 10 s without a sighting;
  // a held series costs nothing once the hum is gone, its weights settle at zero).
  if (bestBase > 0.0 && (bestBase == mBase || bestBase == mCandidate))
  {
    if (bestBase != mBase)
      mHighest = 0;
    mBase = bestBase;
    if (bestHighest > mHighest)
      mHighest = bestHighest;
    mMissed = 0;
  }
  else if (mBase > 0.0 && ++mMissed >= kReleaseWindows)
  {
    mBase = 0.0;
    mHighest = 0;
    mMissed = 0;
  }
  mCandidate = bestBase;
  mCount = 0;
  mPhaseCos = 1.0;
  mPhaseSin = 0.0;
}
} // namespace denoise
