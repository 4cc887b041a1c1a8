#include "denoise/HumCanceller.h"

#include "denoise/SuppressorMath.h"

namespace denoise {
namespace {
// Adaptation step: notch width of about 1 Hz and a time constant near 0.3 s.
constexpr double kStep = 1.3e-4;
constexpr double kBackgroundRise = 1.02;
constexpr double kLoudRatio = 4.0;
} // namespace

void HumCanceller::Init()
{
  mBase = 0.0;
  mHarmonics = 0;
  mRenormalise = 0;
  mBackground = 0.0;
  for (int h = 0; h < kMax; ++h)
  {
    mStepCos[h] = 1.0;
    mStepSin[h] = 0.0;
    mCos[h] = 1.0;
    mSin[h] = 0.0;
    mWeightCos[h] = 0.0;
    mWeightSin[h] = 0.0;
  }
}

void HumCanceller::Start(double base, int harmonics)
{
  if (base != mBase)
  {
    for (int h = 0; h < kMax; ++h)
    {
      const double w = 2.0 * kPi * (h + 1) * base / 48000.0;
      mStepCos[h] = Cos(w);
      mStepSin[h] = Sin(w);
      mCos[h] = 1.0;
      mSin[h] = 0.0;
      mWeightCos[h] = 0.0;
      mWeightSin[h] = 0.0;
    }
  }
  // Harmonics that leave the series start again from zero when they return.
  for (int h = harmonics; h < kMax; ++h)
  {
    mWeightCos[h] = 0.0;
    mWeightSin[h] = 0.0;
  }
  mBase = base;
  mHarmonics = harmonics;
}

void HumCanceller::Process(float* x, int n, const HumDetector& detector)
{
  const double base = detector.Base();
  const int harmonics = base > 0.0 ? detector.HighestHarmonic() : 0;
  if (base != mBase || harmonics != mHarmonics)
    Start(base, harmonics);
  if (mHarmonics == 0)
    return;

  // Louder passages (speech, music) would drag the weights around and leave hum-like
  // artefacts behind them; adaptation pauses while the frame stands well above the quiet
  // background (a minimum that rises by about 8 dB per second).
  double framePower = 0.0;
  for (int i = 0; i < n; ++i)
    framePower += static_cast<double>(x[i]) * x[i];
  framePower /= n > 0 ? n : 1;
  mBackground = mBackground * kBackgroundRise;
  if (!(mBackground > 0.0 && mBackground <= framePower))
    mBackground = framePower;
  const double step = framePower <= kLoudRatio * mBackground ? kStep : 0.0;

  for (int i = 0; i < n; ++i)
  {
    double estimate = 0.0;
    for (int h = 0; h < mHarmonics; ++h)
      estimate += mWeightCos[h] * mCos[h] + mWeightSin[h] * mSin[h];
    const double error = x[i] - estimate;
    const double scaled = step * error;
    for (int h = 0; h < mHarmonics; ++h)
    {
      mWeightCos[h] += scaled * mCos[h];
      mWeightSin[h] += scaled * mSin[h];
      const double c = mCos[h] * mStepCos[h] - mSin[h] * mStepSin[h];
      mSin[h] = mSin[h] * mStepCos[h] + mCos[h] * mStepSin[h];
      mCos[h] = c;
    }
    x[i] = static_cast<float>(error);
  }

  // Keep the oscillators on the unit circle (the recurrence drifts very slowly).
  if (++mRenormalise >= 100)
  {
    mRenormalise = 0;
    for (int h = 0; h < mHarmonics; ++h)
    {
      const double r = std::sqrt(mCos[h] * mCos[h] + mSin[h] * mSin[h]);
      mCos[h] /= r;
      mSin[h] /= r;
    }
  }
}
} // namespace denoise
