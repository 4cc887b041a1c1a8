#pragma once
// A spectral peak the feedback detector follows over successive analyses.

#include <cstdint>

struct PeakCandidate
{
  bool active = false;
  float frequency = 0.0f;     // Hz, smoothed over sightings
  int32_t hits = 0;           // analyses in which the peak was seen
  int32_t missed = 0;         // consecutive analyses without a sighting
  float lastMagnitude = 0.0f; // magnitude at the latest sighting
  float baseMagnitude = 0.0f; // magnitude just before the current rise began
  int32_t riseCount = 0;      // consecutive sightings each louder than the one before
  bool partnered = false;     // a harmonic partner stood beside it at the latest sighting
  float lastMean = 0.0f;      // the band's mean level at the latest sighting
  float baseMean = 0.0f;      // and just before the current rise began
  int32_t partneredHits = 0;  // sightings with a harmonic partner beside it
  bool exactPartner = false;  // that partner stood where a harmonic belongs, within a fraction of
                              // a bin, at the latest sighting
  int32_t exactHits = 0;      // sightings with such an exact partner

  void Clear() { *this = PeakCandidate{}; }
};
