// The suppressor's state and frame processing.
//
// Short-time spectral processing: a 1440-sample periodic square-root Hann window (30 ms)
// advanced by one 480-sample frame, zero-padded to a 2048-point transform, the same window
// for synthesis and overlap-add over three frames. A frame's samples are final once the two
// following frames have been added, which makes the output exactly two frames late.
//
// Mains hum is recognised (50 or 60 Hz series) and cancelled in the time domain first.
//
// Noise: minima-controlled recursive averaging. A smoothed periodogram is tracked against its
// minimum over a sliding window of 0.35 to 0.7 s; bins well above that minimum or above the
// current estimate count as speech and hold the noise average, the others update it (about
// 0.2 s time constant). A rising noise level is followed within about a second.
//
// Steady tones: a narrow line that stays in the noise average (a held note, a test tone)
// is not taken for noise; the estimate beside it is used under it instead.
//
// Gain: log-spectral amplitude estimator with a two-step decision-directed a-priori SNR,
// which keeps gains smooth over time (little musical noise), limited below by a floor so the
// residual noise keeps its character instead of bubbling.
#pragma once

#include <complex>

#include "denoise/HumCanceller.h"
#include "denoise/HumDetector.h"
#include "denoise/FrameFft.h"

namespace denoise {
constexpr int kFrame = 480;
constexpr int kWindow = 1440;
constexpr int kBins = FrameFft::kSize / 2 + 1;

struct SuppressorState
{
  void Init();
  float ProcessFrame(float* out, const float* in);
  void ProtectSteadyTones();
  float LineSurround(int k) const;
  bool LinePosition(int k, double& where) const;

  FrameFft fft;
  float window[kWindow];
  float input[kWindow];   // the last three input frames, oldest first
  float overlap[kWindow]; // synthesis accumulator, index 0 = oldest output sample
  std::complex<float> spectrum[FrameFft::kSize];

  float noise[kBins];         // noise power estimate
  float smoothed[kBins];      // time- and frequency-smoothed periodogram
  float minimum[kBins];       // running minimum of the smoothed periodogram
  float candidate[kBins];     // minimum of the current sub-window
  float presence[kBins];      // smoothed speech presence, 0..1
  float lastAmplitude[kBins]; // previous frame's estimated clean power / noise power
  float power[kBins];
  float reference[kBins]; // noise used for the gain (steady non-hum lines removed)
  HumDetector hum;
  HumCanceller humCanceller;
  int frames;
  int windowFrames;
};
} // namespace denoise

struct DenoiseState
{
  denoise::SuppressorState core;
};
