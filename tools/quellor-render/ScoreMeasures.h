#pragma once
// The measurements behind quellor-render --scorecard that are more than a sum: when a growing
// tone was catchable and when it was caught, how often notches are placed, what the processor did
// to the worst band, and the growing ring added to a programme.

#include <string>
#include <vector>

#include "tools/quellor-render/LoopScenario.h"
#include "tools/quellor-render/ThirdOctave.h"

// True once a tone at hz stands out of the published spectrum enough for the detector to track it
// at all: its peak (within two bins) above (28 - 16 s) times the mean of the 150 Hz .. 12 kHz
// band.
bool ToneDetectable(const std::vector<float>& magnitudes, float binWidth, double hz,
                    double sensitivity);

// Follows one growing tone through a run, block by block: when it first became trackable and when
// an automatic notch was first placed within kCatchHz of it at or after its start.
class CatchWatch
{
public:
  static constexpr double kCatchHz = 50.0;
  CatchWatch(double start, double hz, double sensitivity)
      : mStart(start), mHz(hz), mSensitivity(sensitivity)
  {}
  // After each block, t its end in seconds; the spectrum may be empty when unavailable.
  void Update(const std::vector<NotchView>& slots, const std::vector<float>& spectrum,
              float binWidth, double t);
  double Trackable() const { return mTrackable; } // s, -1 before it was
  double Caught() const { return mCaught; }       // s, -1 before it was
  // Milliseconds from trackable to caught; false when the tone was missed or never trackable.
  bool CatchMs(double& ms) const;

private:
  double mStart, mHz, mSensitivity;
  double mTrackable = -1, mCaught = -1;
  NotchWatcher mWatcher;
};

// Automatic notches placed per minute over seconds of run.
double PlacementsPerMinute(const NotchWatcher& watcher, double seconds);

// The band between lowHz and highHz (centres, inclusive) whose level changed most from input to
// output; bands the input does not reach are left out. False when there is none.
bool WorstBandChange(const std::vector<ThirdOctaveBand>& input,
                     const std::vector<ThirdOctaveBand>& output, double lowHz, double highHz,
                     double& changeDb, std::string& band);

// A ring at hz added to x from start seconds: it starts at startDbfs (peak) and grows by
// dbPerSecond up to ceilingDbfs, where it stays to the end.
void AddGrowingRing(std::vector<float>& x, double rate, double start, double hz, double startDbfs,
                    double dbPerSecond, double ceilingDbfs);

struct Spread
{
  double mean = 0, min = 0, max = 0;
  int count = 0;
};
Spread SpreadOf(const std::vector<double>& values);
