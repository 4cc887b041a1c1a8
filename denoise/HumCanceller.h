#pragma once

#include "denoise/HumDetector.h"

namespace denoise {
// Removes a detected hum series in the time domain: one adaptive sine/cosine pair per
// harmonic (least-mean-squares), which forms a notch about 1 Hz wide at each harmonic. Music
// and speech a few hertz away pass untouched, which spectral gains at this frequency
// resolution could not achieve.
class HumCanceller
{
public:
  void Init();
  // Cancels in place the series that the detector reports (nothing while it reports none).
  void Process(float* x, int n, const HumDetector& detector);

private:
  static constexpr int kMax = HumDetector::kHarmonics;
  void Start(double base, int harmonics);

  double mBase;
  int mHarmonics;
  double mStepCos[kMax], mStepSin[kMax];
  double mCos[kMax], mSin[kMax];
  double mWeightCos[kMax], mWeightSin[kMax];
  int mRenormalise;
  double mBackground;
};
} // namespace denoise
