#pragma once
// A public-address loop in simulation: microphone -> processor -> amplifier gain K ->
// loudspeaker -> room -> microphone, at 48 kHz, with K raised step by step until the loop howls.
//
// The room is an impulse response made from a seed: a pure delay, then exponentially decaying
// noise with a chosen RT60, band-limited by the loudspeaker (second-order high- and low-pass) and
// scaled so that the largest magnitude of its frequency response is 1. K = 0 dB then puts the
// loop's highest gain at unity; the loop's exact stable limit lies at or just above it.

#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/ComplexFft.h"

namespace loopsim {

constexpr double kRate = 48000.0;
constexpr int kBlock = 128; // processing block; the room's pure delay is never shorter

struct RoomParams
{
  uint32_t seed = 1;
  double rt60 = 0.4;       // seconds to decay by 60 dB
  double delayMs = 5.0;    // pure delay before the first arrival
  double lowHz = 100.0;    // loudspeaker high-pass corner
  double highHz = 10000.0; // loudspeaker low-pass corner
};

// The room's impulse response at 48 kHz: zero for the delay (at least kBlock samples), then the
// decay to -60 dB. Scaled to a frequency-response peak of 1.
std::vector<float> MakeRoomResponse(const RoomParams& room);

// The largest K for which the loop with impulse response h (and a unity processor) is stable:
// 1 / the largest positive real value of H on the unit circle (where 1 - K H first vanishes as K
// grows from 0). Returns 0 when H is nowhere real and positive.
double ExactStableGain(const std::vector<float>& h);

// Largest magnitude of H on a fine frequency grid.
double PeakResponse(const std::vector<float>& h);

// Convolution of a block stream with a response whose first kBlock samples are zero, by uniformly
// partitioned overlap-save: the output block for time b needs the input only up to block b - 1,
// which is what lets the loop run one block at a time.
class PartitionedConvolver
{
public:
  // False when h starts with fewer than kBlock zeros (the loop could not be closed per block).
  bool Prepare(const std::vector<float>& h);
  // The next kBlock output samples (from the inputs pushed so far).
  void Output(float* out);
  // Pushes the next kBlock input samples.
  void Push(const float* in);

private:
  static constexpr int kBins = kBlock + 1;
  int mParts = 0;
  int mHead = 0; // ring position of the newest input spectrum
  ComplexFft mFft{2 * kBlock};
  std::vector<float> mHr, mHi; // partition spectra, mParts x kBins
  std::vector<float> mXr, mXi; // input spectra ring, mParts x kBins
  std::vector<float> mPrevious;
  std::vector<std::complex<float>> mWork;
  std::vector<float> mAccR, mAccI;
};

// The processor between microphone and amplifier: a block of samples in place.
using BlockProcessor = std::function<void(double* samples, int n)>;
// Called after every block with the block's end time in seconds.
using BlockObserver = std::function<void(double seconds)>;

// A howl: a tone in the loudspeaker signal. In frames of 4096 samples (85 ms, Hann window) every
// 1024 samples, a tone is a spectral peak at least 15 dB above the frame's median level and above
// -60 dBFS, followed from frame to frame within +-2 bins (+-23 Hz) with gaps of at most 3 frames.
// The tone howls while its amplitude is at or above kHowlDbfs and at least kHowlOverProgrammeDb
// above what the programme alone would give there (K times the programme's level within +-2 bins
// in the same frame): the loop, not the talker, made it. An episode runs from the frame
// where it reached that level to the last frame at it, ending after a gap of more than 3 frames;
// howling is sustained when an episode lasts longer than kSustainedSeconds.
constexpr double kHowlDbfs = -20.0;
constexpr double kHowlOverProgrammeDb = 20.0;
constexpr double kSustainedSeconds = 1.0;

struct HowlEpisode
{
  double start = 0;     // s, when the tone reached the howl level
  double grewFrom = 0;  // s, when the tone first stood out of the programme
  double gainDb = 0;    // K when it began to grow
  double frequency = 0; // Hz
  double duration = 0;  // s at the howl level (still running at the end: up to the end)
  double peakDbfs = -200;
  bool ended = false; // fell below the howl level before the run ended
  bool sustained() const { return duration > kSustainedSeconds; }
};

class HowlTracker
{
public:
  HowlTracker();
  // Feeds loudspeaker samples and the programme samples at the microphone at the same time;
  // gainDb is the K in force for them.
  void Feed(const float* speaker, const float* programme, int n, double gainDb);
  const std::vector<HowlEpisode>& Episodes() const { return mEpisodes; }
  // True once any episode has lasted longer than kSustainedSeconds.
  bool Sustained() const { return mSustainedIndex >= 0; }
  const HowlEpisode* FirstSustained() const
  {
    return mSustainedIndex >= 0 ? &mEpisodes[static_cast<size_t>(mSustainedIndex)] : nullptr;
  }

private:
  struct Track
  {
    double frequency = 0;
    int bin = 0;
    int64_t firstFrame = 0, lastFrame = 0;
    double grewFromGain = 0;
    int episode = -1; // index into mEpisodes while it howls
    int64_t lastHowlFrame = -1;
    bool seen = false;
  };
  void Analyse();
  double FrameTime(int64_t frame) const;

  static constexpr int kSize = 4096, kHop = 1024, kMaxGap = 3;
  ComplexFft mFft{kSize};
  std::vector<float> mWindow, mBuffer, mProgramme, mMag, mProgrammeMag, mSorted;
  std::vector<std::complex<float>> mFrame;
  std::vector<Track> mTracks;
  std::vector<HowlEpisode> mEpisodes;
  std::vector<double> mGainAtFrame; // K in force at the end of each frame
  int mFill = 0;
  int64_t mFrameIndex = 0;
  int64_t mSamples = 0;
  double mGainDb = 0;
  float mScale = 1;
  int mSustainedIndex = -1;
};

struct LoopSchedule
{
  double startDb = -10.0; // first K
  double stepDb = 0.5;
  double stepSeconds = 2.0;
  double maxDb = 30.0;       // K is not raised beyond this
  double fixedSeconds = 0.0; // > 0: K stays at startDb for this long instead of stepping
  bool stopWhenSustained = true;
  // With stopWhenSustained: the run goes on this long after the first sustained howl, K held,
  // which shows whether that howl is ever suppressed.
  double afterSustainedSeconds = 0.0;
};

struct LoopResult
{
  bool sustained = false;
  double howlGainDb = 0;      // K at which the first sustained howl began to grow
  double maxStableGainDb = 0; // the step below it (or the last K reached without one)
  double seconds = 0;         // simulated time
  std::vector<HowlEpisode> episodes;
  // Loudspeaker level every 10 ms (RMS, dBFS) and K in force then, for pictures.
  std::vector<float> levelDb;
  std::vector<float> gainDb;
  std::vector<float> microphone, loudspeaker; // whole signals when recording was asked for
};

struct LoopSetup
{
  std::vector<float> room;      // from MakeRoomResponse
  std::vector<float> programme; // at the microphone, looped when shorter than the run
  LoopSchedule schedule;
  bool record = false;
};

// Programme level at the microphone: -30 dBFS RMS over the whole programme.
constexpr double kProgrammeDbfs = -30.0;
// Scales x to that level; false when x is silent or not finite.
bool ScaleProgramme(std::vector<float>& x);

// The amplifier: linear up to 0.5, then a soft knee to full scale, as a real one saturates.
float Amplifier(float x);

// Runs the loop. process may be empty (a plain wire); observe may be empty.
LoopResult RunLoop(const LoopSetup& setup, const BlockProcessor& process,
                   const BlockObserver& observe = {});

// dB helpers.
inline double ToDb(double linear)
{
  return linear > 0 ? 20.0 * std::log10(linear) : -200.0;
}

} // namespace loopsim
