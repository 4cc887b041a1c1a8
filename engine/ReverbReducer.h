#pragma once

#include <array>
#include <complex>

#include "engine/ComplexFft.h"

// "Drytail": a short-time spectral gate per channel that passes components rising above
// their recent average (direct sound, onsets) and pulls the decaying tail down to a floor of
// 1 - 0.75 x amount. Adds a fixed latency of 512 samples while active.
class ReverbReducer
{
public:
  static constexpr int kFrameLength = 512;
  static constexpr int kHop = 128;
  static constexpr int kBins = 257;
  static constexpr int kOutputCapacity = 4096;

  // Clears every ring and average and builds the window. Until the first reset the unit
  // leaves buffers untouched.
  void Reset(double sampleRate);

  // Processes the buffer in place; amount is not clamped. At 0.001 or less (or not a
  // number) the buffer passes untouched and the state stays frozen.
  void ProcessBlock(float* buffer, int count, float amount);

  int GetLatency() const { return mLatency; }
  float GetAmount() const { return mAmount; }
  double GetSampleRate() const { return mSampleRate; }

private:
  void ProcessFrame();

  double mSampleRate = 0.0;
  float mWindowNormaliser = 0.0f;
  int mInputPosition = 0;
  int mHopCounter = 0;
  int mLatency = 0;
  int mOutputReadPosition = 0;
  int mOutputWritePosition = 0;
  int mPendingCount = 0;
  float mAmount = 0.0f;
  bool mReady = false;
  std::array<float, kFrameLength> mWindow{};
  std::array<float, kFrameLength> mInputRing{};
  std::array<float, kFrameLength> mAccumulator{};
  std::array<float, kOutputCapacity> mOutputRing{};
  std::array<float, kBins> mSmoothedMagnitude{};
  std::array<std::complex<float>, kFrameLength> mFrame{};
  ComplexFft mFft;
};
