#include "denoise/Suppressor.h"

#include <algorithm>
#include <cstring>

#include "denoise/SuppressorMath.h"

namespace denoise {
namespace {
constexpr float kSmoothing = 0.8f;     // periodogram smoothing over frames
constexpr int kMinimumWindow = 35;     // frames per minimum sub-window (0.35 s)
constexpr float kPresenceRatio = 3.0f; // smoothed power over minimum that counts as speech
constexpr float kOnsetRatio = 2.5f;    // local power over the noise estimate that counts as speech
constexpr float kPresenceSmoothing = 0.2f;
constexpr float kNoiseSmoothing = 0.95f; // noise average per frame when speech is absent
constexpr float kNoiseRise = 1.047f;     // at most +0.2 dB per frame (20 dB/s) while held back
constexpr float kDecisionDirected = 0.95f;
constexpr float kPrioriFloor = 0.0031623f; // -25 dB
constexpr float kGainFloor = 0.1f;         // -20 dB
constexpr float kPowerFloor = 1e-6f;       // far below one 16-bit step; keeps ratios finite
constexpr float kLineRatio = 8.0f;         // a steady line stands 9 dB above the level beside it
constexpr int kLineDistance = 6;           // bins from a line's centre to "beside it"
constexpr int kLineHalfWidth = 3;          // bins covered by a line's main lobe
constexpr float kInputLimit = 1e6f;        // 30 dB above 16-bit full scale
constexpr float kSynthesisScale = 1.0f / (FrameFft::kSize * 1.5f);

// Exponential integral E1(x) for x > 0 (rational approximations, error below 5e-5).
double ExponentialIntegral(double x)
{
  if (x <= 1.0)
  {
    return -Log(x) - 0.57721566 +
           x * (0.99999193 +
                x * (-0.24991055 + x * (0.05519968 + x * (-0.00976004 + x * 0.00107857))));
  }
  if (x > 40.0)
    return 0.0;
  const double num = x * x + 2.334733 * x + 0.250621;
  const double den = x * x + 3.330657 * x + 1.681534;
  return Exp(-x) / x * (num / den);
}

// Log-spectral amplitude gain for a-priori SNR xi and a-posteriori SNR gamma.
float LogSpectralGain(float xi, float gamma)
{
  const double ratio = xi / (1.0 + xi);
  const double v = std::max(ratio * gamma, 1e-6);
  const double gain = ratio * Exp(0.5 * ExponentialIntegral(v));
  return static_cast<float>(std::min(gain, 1.0));
}

float SanitiseSample(float x)
{
  if (!(x == x))
    return 0.0f; // NaN
  if (x > kInputLimit)
    return kInputLimit;
  if (x < -kInputLimit)
    return -kInputLimit;
  if (x < 1e-10f && x > -1e-10f)
    return 0.0f; // keeps the transform free of denormals
  return x;
}
} // namespace

void SuppressorState::Init()
{
  fft.Init();
  for (int n = 0; n < kWindow; ++n)
    window[n] = static_cast<float>(Sin(kPi * n / kWindow));
  std::memset(input, 0, sizeof(input));
  std::memset(overlap, 0, sizeof(overlap));
  for (auto& c : spectrum)
    c = {0.0f, 0.0f};
  for (int k = 0; k < kBins; ++k)
  {
    noise[k] = kPowerFloor;
    smoothed[k] = kPowerFloor;
    minimum[k] = kPowerFloor;
    candidate[k] = kPowerFloor;
    presence[k] = 0.0f;
    lastAmplitude[k] = 0.0f;
    power[k] = 0.0f;
    reference[k] = kPowerFloor;
  }
  frames = 0;
  windowFrames = 0;
  hum.Init();
  humCanceller.Init();
}

// Steady tones (held notes, test tones) end up in the noise average. The noise used for the
// gain replaces a steady line by the level beside it, so the line passes. Mains hum is not
// protected by this: the hum canceller has removed it before the analysis.
void SuppressorState::ProtectSteadyTones()
{
  for (int k = 0; k < kBins; ++k)
    reference[k] = noise[k];

  for (int k = 2; k < kBins - 8; ++k)
  {
    if (!(noise[k] >= noise[k - 1] && noise[k] > noise[k + 1]))
      continue;
    double where = 0.0;
    if (!LinePosition(k, where))
      continue;
    const float beside = LineSurround(k);
    for (int j = k - kLineHalfWidth; j <= k + kLineHalfWidth; ++j)
      if (j >= 0)
        reference[j] = std::min(reference[j], std::max(beside, kPowerFloor));
  }
}

float SuppressorState::LineSurround(int k) const
{
  const int lo = std::max(k - kLineDistance, 0);
  const int hi = std::min(k + kLineDistance, kBins - 1);
  return std::sqrt(noise[lo] * noise[hi]);
}

// True when bin k holds a steady line well above its surroundings; where = its interpolated
// position in bins.
bool SuppressorState::LinePosition(int k, double& where) const
{
  if (k < 1 || k >= kBins - 1)
    return false;
  if (!(noise[k] >= noise[k - 1] && noise[k] >= noise[k + 1]))
    return false;
  if (!(noise[k] > kLineRatio * LineSurround(k)))
    return false;
  const double a = Log(noise[k - 1]);
  const double b = Log(noise[k]);
  const double c = Log(noise[k + 1]);
  const double curve = a - 2.0 * b + c;
  const double offset = curve < 0.0 ? 0.5 * (a - c) / curve : 0.0;
  where = k + std::max(-0.5, std::min(0.5, offset));
  return true;
}

float SuppressorState::ProcessFrame(float* out, const float* in)
{
  // Slide the analysis buffer by one frame; copy the input first since out may alias it.
  std::memmove(input, input + kFrame, sizeof(float) * (kWindow - kFrame));
  for (int n = 0; n < kFrame; ++n)
    input[kWindow - kFrame + n] = SanitiseSample(in[n]);
  hum.Push(input + kWindow - kFrame, kFrame);
  humCanceller.Process(input + kWindow - kFrame, kFrame, hum);

  for (int n = 0; n < kWindow; ++n)
    spectrum[n] = {input[n] * window[n], 0.0f};
  for (int n = kWindow; n < FrameFft::kSize; ++n)
    spectrum[n] = {0.0f, 0.0f};
  fft.Forward(spectrum);

  for (int k = 0; k < kBins; ++k)
  {
    const float re = spectrum[k].real();
    const float im = spectrum[k].imag();
    power[k] = re * re + im * im;
  }

  // The first two frames see a partly empty window: start tracking once it is full.
  const bool first = frames < 3;
  if (frames < 1000000)
    ++frames;
  const bool newWindow = ++windowFrames >= kMinimumWindow;
  if (newWindow)
    windowFrames = 0;

  double presenceSum = 0.0;
  int presenceBins = 0;
  for (int k = 0; k < kBins; ++k)
  {
    const float left = power[k > 0 ? k - 1 : k + 1];
    const float right = power[k < kBins - 1 ? k + 1 : k - 1];
    const float local = std::max(0.25f * left + 0.5f * power[k] + 0.25f * right, kPowerFloor);

    if (first)
    {
      smoothed[k] = local;
      minimum[k] = local;
      candidate[k] = local;
    }
    else
    {
      smoothed[k] = kSmoothing * smoothed[k] + (1.0f - kSmoothing) * local;
      minimum[k] = std::min(minimum[k], smoothed[k]);
      candidate[k] = std::min(candidate[k], smoothed[k]);
      if (newWindow)
      {
        minimum[k] = std::min(candidate[k], smoothed[k]);
        candidate[k] = smoothed[k];
      }
    }
    // Speech is present when the smoothed power stands above the recent minimum, or above
    // the current noise estimate. The second test keeps long stretches of speech (longer
    // than the minimum window) out of the estimate; a genuine rise of the noise, which the
    // minimum has already followed, still gets through at a limited rate.
    const bool aboveMinimum = smoothed[k] > kPresenceRatio * minimum[k];
    const bool aboveNoise = !first && local > kOnsetRatio * noise[k];
    const float indicator = aboveMinimum || aboveNoise ? 1.0f : 0.0f;
    float p = kPresenceSmoothing * presence[k] + (1.0f - kPresenceSmoothing) * indicator;
    if (p < 1e-6f)
      p = 0.0f;
    presence[k] = p;
    // Fast start: plain averaging over the first frames so the estimate settles quickly.
    const float base =
        first ? 0.0f : std::min(kNoiseSmoothing, 1.0f - 1.0f / static_cast<float>(frames - 2));
    const float adapt = first ? 0.0f : base + (1.0f - base) * p;
    const float previous = noise[k];
    noise[k] = std::max(adapt * previous + (1.0f - adapt) * power[k], kPowerFloor);
    if (aboveNoise && !aboveMinimum)
    {
      const float plain = kNoiseSmoothing * previous + (1.0f - kNoiseSmoothing) * power[k];
      noise[k] = std::max(noise[k], std::min(previous * kNoiseRise, plain));
    }
    if (k >= 8 && k <= 180) // about 190 Hz to 4.2 kHz
    {
      presenceSum += p;
      ++presenceBins;
    }
  }

  ProtectSteadyTones();

  for (int k = 0; k < kBins; ++k)
  {
    const float gamma = std::min(power[k] / reference[k], 1e4f);
    float xi = kDecisionDirected * lastAmplitude[k] +
               (1.0f - kDecisionDirected) * std::max(gamma - 1.0f, 0.0f);
    xi = std::max(xi, kPrioriFloor);
    // Two-step estimate: the decision-directed value lags speech by a frame; re-estimating
    // the a-priori SNR from this frame's Wiener estimate removes most of that lag.
    const float wiener = xi / (1.0f + xi);
    const float xiNow = std::max(wiener * wiener * gamma, kPrioriFloor);
    const float gain = std::max(LogSpectralGain(xiNow, gamma), kGainFloor);
    lastAmplitude[k] = std::min(gain * gain * gamma, 1e4f);
    spectrum[k] *= gain;
    if (k > 0 && k < kBins - 1)
      spectrum[FrameFft::kSize - k] *= gain;
  }

  fft.Inverse(spectrum);
  for (int n = 0; n < kWindow; ++n)
    overlap[n] += spectrum[n].real() * window[n] * kSynthesisScale;
  std::memcpy(out, overlap, sizeof(float) * kFrame);
  std::memmove(overlap, overlap + kFrame, sizeof(float) * (kWindow - kFrame));
  std::memset(overlap + kWindow - kFrame, 0, sizeof(float) * kFrame);

  const float probability = static_cast<float>(presenceSum / presenceBins);
  return std::min(std::max(probability, 0.0f), 1.0f);
}
} // namespace denoise
