#pragma once
// The latency the plug-in should report for a set of parameter values, as the per-block
// bookkeeping computes it: the noise stage's whole delay (its buffering of one frame at the host
// rate plus 32 samples, and the suppressor's two frames) while "Hushen" is above 0.1 %, the
// reverb stage's 512 samples while "Drytail" is, nothing while the
// plug-in's own "Bypass" is on. The fuzz targets and the soak run check the module against this
// one function, so a change of the latency rule is made here once.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quellortest {

// round(rate x 480 / 48000) + 32 + round(rate x 960 / 48000), halves away from zero; rates that
// are not positive and finite count as 48 kHz, and the noise stage holds other rates to
// 1 kHz .. 1.536 MHz.
inline int32_t NoiseStageLatency(double sampleRate)
{
  double rate = (sampleRate > 0.0 && std::isfinite(sampleRate)) ? sampleRate : 48000.0;
  rate = std::clamp(rate, 1000.0, 1536000.0);
  return static_cast<int32_t>(std::round(rate * 480.0 / 48000.0)) + 32 +
         static_cast<int32_t>(std::round(rate * 960.0 / 48000.0));
}

// hushen, drytail: plain parameter values in percent; bypass: the plug-in's "Bypass" parameter.
// reverbPrepared: the engine was reset with at least one channel (its reverb stage exists).
inline int32_t ExpectedLatency(double hushen, double drytail, bool bypass, double sampleRate,
                               bool reverbPrepared = true)
{
  if (bypass)
    return 0;
  const float noiseAmount = static_cast<float>(hushen / 100.0);
  const float reverbAmount = static_cast<float>(drytail / 100.0);
  int32_t latency = 0;
  if (noiseAmount > 0.001f)
    latency += NoiseStageLatency(sampleRate);
  if (reverbAmount > 0.001f && reverbPrepared)
    latency += 512;
  return latency;
}

} // namespace quellortest
