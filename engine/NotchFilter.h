#pragma once
// One cut filter of a channel's notch bank: a peaking band with negative gain whose depth glides
// toward a target once per block, run as a double-precision biquad.

#include <cmath>
#include <cstdint>

struct NotchFilter
{
  bool active = false;      // runs and counts as an active notch
  float frequency = 0.0f;   // Hz
  float depth = 0.0f;       // dB, smoothed toward targetDepth
  float targetDepth = 0.0f; // dB; 0 releases the notch
  int32_t age = 0;          // analyses since a peak was last seen here
  float width = 25.0f;      // Q before the master width factor
  bool manual = false;      // placed or edited by the user: never released by age
  double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
  double z1 = 0.0, z2 = 0.0;

  // Only free slots are taken for new notches.
  bool IsFree() const { return !active && std::fabs(depth) < 0.05f; }

  // One step of the depth smoothing followed by the coefficient design. Frees the slot when a
  // release has faded out.
  void UpdateDepthAndCoefficients(double sampleRate, float trim, float widthScale);

  // Designs the biquad for the current depth (no smoothing step).
  void DesignCoefficients(double sampleRate, float trim, float widthScale);

  // One sample through the biquad (transposed direct form II).
  float Tick(float x)
  {
    const double xd = x;
    const double y = b0 * xd + z1;
    z1 = b1 * xd - a1 * y + z2;
    z2 = b2 * xd - a2 * y;
    return static_cast<float>(y);
  }
};
