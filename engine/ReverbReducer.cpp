#include "engine/ReverbReducer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dspmath/DetMath.h"

namespace {
// 200 dB above full scale: anything louder is treated as this loud, so sums of a frame
// cannot overflow.
constexpr float kSampleLimit = 1e10f;
constexpr float kActiveThreshold = 0.001f;
constexpr float kSmoothingNew = 0.12f;
constexpr float kSmoothingOld = 0.88f;
constexpr float kFloor = 0.25f;
constexpr float kInverseLength = 1.0f / 512.0f;
// Averages below this (or not finite) are flushed to zero: a long silence would otherwise decay them into
// denormals, which are slow on the audio thread. The gain cannot tell the difference.
constexpr float kTinyMagnitude = 1e-30f;

// A non-finite sample would stay in the ring for four frames and in the averages forever.
inline float CleanSample(float x)
{
  if (!std::isfinite(x))
    return 0.0f;
  if (std::fabs(x) < std::numeric_limits<float>::min())
    return 0.0f;
  return std::clamp(x, -kSampleLimit, kSampleLimit);
}
} // namespace

void ReverbReducer::Reset(double sampleRate)
{
  mSampleRate = sampleRate;
  for (int n = 0; n < kFrameLength; ++n)
  {
    const float angle = static_cast<float>(n) * 6.2831855f / 511.0f;
    mWindow[n] = 0.5f * (1.0f - detmath::CosF(angle));
  }
  const float sum = mWindow[0] * mWindow[0] + mWindow[128] * mWindow[128] +
                    mWindow[256] * mWindow[256] + mWindow[384] * mWindow[384];
  mWindowNormaliser = sum > 0.0f ? sum : 1.0f;
  mInputRing.fill(0.0f);
  mAccumulator.fill(0.0f);
  mOutputRing.fill(0.0f);
  mSmoothedMagnitude.fill(0.0f);
  mInputPosition = 0;
  mHopCounter = 0;
  mOutputReadPosition = 0;
  mOutputWritePosition = 0;
  mPendingCount = 0;
  mLatency = kFrameLength;
  if (mFft.Size() != kFrameLength)
    mFft.Prepare(kFrameLength);
  mReady = true;
}

void ReverbReducer::ProcessBlock(float* buffer, int count, float amount)
{
  mAmount = amount;
  // Not a number and infinity count as off: either would turn every gain into garbage.
  if (!(amount > kActiveThreshold) || !std::isfinite(amount))
    return;
  if (!mReady || !buffer || count < 1)
    return;

  for (int m = 0; m < count; ++m)
  {
    mInputRing[mInputPosition] = CleanSample(buffer[m]);
    mInputPosition = (mInputPosition + 1) % kFrameLength;
    if (++mHopCounter >= kHop)
    {
      mHopCounter = 0;
      ProcessFrame();
    }
    float y = 0.0f;
    if (mPendingCount > 0)
    {
      y = mOutputRing[mOutputReadPosition];
      mOutputReadPosition = (mOutputReadPosition + 1) % kOutputCapacity;
      --mPendingCount;
    }
    buffer[m] = y;
  }
}

void ReverbReducer::ProcessFrame()
{
  std::complex<float>* x = mFrame.data();
  for (int b = 0; b < kFrameLength; ++b)
    x[b] = {mInputRing[(mInputPosition + b) % kFrameLength] * mWindow[b], 0.0f};

  mFft.Forward(x, kFrameLength);

  for (int i = 0; i < kBins; ++i)
  {
    const float mag = detmath::HypotF(x[i].real(), x[i].imag());
    const float prev = mSmoothedMagnitude[i];
    float smoothed = kSmoothingNew * mag + kSmoothingOld * prev;
    if (!(smoothed >= kTinyMagnitude && smoothed <= std::numeric_limits<float>::max()))
      smoothed = 0.0f;
    mSmoothedMagnitude[i] = smoothed;
    const float r = (mag - prev) / (mag + 1e-9f);
    float g = r < 1.0f ? r : 1.0f;
    g = std::max(g, kFloor);
    const float gain = 1.0f - (1.0f - g) * mAmount;
    x[i] = {x[i].real() * gain, x[i].imag() * gain};
    if (i >= 1 && i <= kBins - 2)
    {
      std::complex<float>& mirror = x[kFrameLength - i];
      mirror = {mirror.real() * gain, mirror.imag() * gain};
    }
  }

  // Inverse: conjugate, forward, conjugate, divide by the length.
  for (int b = 0; b < kFrameLength; ++b)
    x[b] = {x[b].real(), -x[b].imag()};
  mFft.Forward(x, kFrameLength);
  for (int b = 0; b < kFrameLength; ++b)
    x[b] = {x[b].real() * kInverseLength, x[b].imag() * -kInverseLength};

  for (int n = 0; n < kFrameLength; ++n)
    mAccumulator[n] += x[n].real() * mWindow[n] / mWindowNormaliser;

  for (int n = 0; n < kHop; ++n)
  {
    mOutputRing[mOutputWritePosition] = mAccumulator[n];
    mOutputWritePosition = (mOutputWritePosition + 1) % kOutputCapacity;
  }
  mPendingCount += kHop;

  std::copy(mAccumulator.begin() + kHop, mAccumulator.end(), mAccumulator.begin());
  std::fill(mAccumulator.end() - kHop, mAccumulator.end(), 0.0f);
}
