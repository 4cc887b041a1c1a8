#pragma once

namespace denoise {
// Recognises mains hum: a 50 or 60 Hz series with its harmonics. Narrow Goertzel filters over
// Hann-windowed half-second spans compare the power exactly at each harmonic with the power
// 6 Hz either side; a held musical note a few hertz off a harmonic does not qualify.
class HumDetector
{
public:
  static constexpr int kHarmonics = 24;
  static constexpr int kDecimation = 4;
  static constexpr int kWindow = 6000; // 0.5 s at the analysis rate of 12 kHz

  void Init();
  void Push(const float* x, int n);

  // Detected mains frequency (0 when none) and the highest harmonic seen in the series.
  double Base() const { return mBase; }
  int HighestHarmonic() const { return mHighest; }

private:
  void Analyse(const double* x, int n);
  void Evaluate();

  static constexpr int kBases = 2;
  static constexpr int kProbes = 3; // below, at and above each harmonic
  double mCoefficient[kBases][kHarmonics][kProbes];
  double mS1[kBases][kHarmonics][kProbes];
  double mS2[kBases][kHarmonics][kProbes];
  int mCount;
  double mDecimationSum;
  int mDecimationCount;
  double mBase;
  int mHighest;
  double mCandidate;
  int mMissed;
  double mStepCos, mStepSin;
  double mPhaseCos, mPhaseSin;
};
} // namespace denoise
