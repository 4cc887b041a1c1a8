#pragma once
// The per-channel engine object: the feedback detector and a bank of 20 notches in series,
// followed by the makeup gain and a soft clipper.

#include "engine/ComplexFft.h"
#include "engine/NotchFilter.h"
#include "engine/PeakCandidate.h"

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

class NotchChannel
{
public:
  static constexpr int kFilterCount = 20;
  static constexpr int kCandidateCount = 32;

  int32_t analysisSize = 0; // N, FFT length
  int32_t hop = 0;          // N / 8
  double sampleRate = 48000.0;
  float binWidth = 0.0f;     // Hz per FFT bin
  int32_t fillCount = 0;     // samples held in analysisBuffer
  int32_t releaseFrames = 0; // analyses in three seconds

  // Block settings, overwritten from the parameters before every block.
  float sensitivity = 0.5f;
  float autoCut = -18.0f;
  float autoWidth = 25.0f;
  float gain = 1.0f;
  float trim = 0.0f;
  float widthScale = 1.0f;
  bool hold = false;

  std::vector<float> analysisBuffer; // N samples, newest at the end
  std::vector<float> window;         // N Hann coefficients
  std::vector<float> spectrum;       // N / 2 magnitudes of the last analysis
  std::array<NotchFilter, kFilterCount> filters;
  std::array<PeakCandidate, kCandidateCount> candidates;

  // Sizes and clears everything for a sample rate (allocates). Rates that are not a positive
  // finite number are taken as 48 kHz.
  void Initialise(double rate);

  // Initialise for a reset that keeps the user's work: manual notches, and automatic ones when
  // keepAutomatic (Hold is on), stay in their slots with age 0, designed for the new rate with
  // their filter state from zero. A notch above the new rate's ceiling is dropped, as are
  // releasing notches; the detector starts afresh.
  void InitialiseKeepingNotches(double rate, bool keepAutomatic);

  // The highest frequency a notch is designed at: 0.49 of the rate, 0.98 of its Nyquist
  // frequency. Edits are clamped to it; across a rate change a notch above it is dropped.
  static float FrequencyCeiling(double rate) { return static_cast<float>(0.49 * rate); }

  // Processes one block in place. nFrames <= 0 (or no buffer) only advances the depth smoothing.
  void Process(float* buffer, int32_t nFrames);

  // One detector analysis of the latest N samples.
  void Analyse();

  int ActiveFilterCount() const;

  // How far from a notch a peak counts as that notch's own: its half bandwidth at the current
  // master width, at least one bin and at most twice the detector's frequency tolerance.
  float NotchReach(const NotchFilter& f) const;

private:
  void UpdateFilters();
  void RunCascade(float* buffer, int32_t nFrames);
  void PlaceAutomaticNotch(float frequency, float level);
  bool ProgrammeAtNotch(size_t slot, float level) const;
  void RecordSighting(const PeakCandidate& c, float L);
  bool GrowsSteadily(const PeakCandidate& c, float riseRatio) const;
  static bool IsExactNote(const PeakCandidate& c);
  bool RisesSteadily(const PeakCandidate& c, float maxRelativeDeviation) const;
  void ReleaseAgedNotches();

  // The analysis temporaries, sized at initialisation so that analysing never allocates.
  ComplexFft mFft;
  std::vector<std::complex<float>> mFrame;
  std::vector<float> mMagnitudes;

  // A frequency whose automatic notch was released and that howls again soon after gets its
  // notch back for longer. Per filter slot: analyses its notch stays after the last peak seen
  // there (0: releaseFrames), and how often its frequency has come back.
  struct Recall
  {
    float frequency = 0.0f; // 0: unused
    int32_t since = 0;      // analyses since the release
    int32_t strikes = 0;
  };
  std::array<int32_t, kFilterCount> mHoldFrames{};
  std::array<int32_t, kFilterCount> mStrikes{};
  std::array<Recall, kFilterCount> mRecalls{};
  // Per filter slot, for the automatic notch the detector placed there: its frequency, the level of
  // the peak that placed it, analyses since then, and the sightings since it settled of a peak at
  // that level or above.
  std::array<float, kFilterCount> mPlacedFrequency{};
  std::array<float, kFilterCount> mPlacedLevel{};
  std::array<int32_t, kFilterCount> mSincePlaced{};
  std::array<int32_t, kFilterCount> mProgrammeSightings{};
  int32_t mSettleFrames = 0;
  // Where a misfire was released, while the programme that fooled it keeps sounding there and
  // does not grow far past the level that placed the notch.
  struct Zone
  {
    float frequency = 0.0f; // 0: unused
    float level = 0.0f;
    int32_t missed = 0;
  };
  std::array<Zone, kFilterCount> mZones{};
  // Per candidate slot: log magnitudes of its latest sightings, indexed by hits.
  static constexpr int32_t kTrendLength = 24;
  std::array<std::array<float, kTrendLength>, kCandidateCount> mTrend{};
};
