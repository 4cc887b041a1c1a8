#pragma once
// Features that tell a howl from programme. A howl is one sinusoid building up round the loop:
// it has no harmonic partners and grows steadily, nearly linearly in dB. A note or a voiced
// syllable has partners at 2f and 3f (or is one of f/2, f/3) and harmonics f/n to either side.

#include <cstdint>
#include <limits>

namespace howl {

// The peak's position in bins, from the ratio of its larger neighbour to it. Exact for a lone
// sinusoid under a Hann window (a parabola through the magnitudes is off by up to a tenth of a
// bin, which misses a narrow notch at low frequencies). m[k] must be a local maximum with both
// neighbours inside m.
float PeakBin(const float* m, int32_t k);

// Whether a harmonic partner of the peak at fractional bin b stands as a local maximum above
// level in the half spectrum m (half values): at 2b, 3b, b/2 or b/3, or as the pair of
// harmonics b - b/n and b + b/n of a series whose n-th member b is. The partner lies within a
// bin of that position, and its own estimated position within precision bins of it (times the
// ratio at 2b and 3b, where the error of b is doubled and tripled): the partials of a note lie
// where they belong, a local maximum of a dense room response anywhere.
bool HasHarmonicPartner(const float* m, int32_t half, float b, float level,
                        float precision = std::numeric_limits<float>::infinity());

// A straight line through the latest count values of a ring of log magnitudes (ring[newest]
// the latest, count at most ringLength): growth is the line's rise over the count (in nepers),
// deviation the root mean square distance of the values from it.
struct Trend
{
  float growth = 0.0f;
  float deviation = 0.0f;
};
Trend FitTrend(const float* ring, int32_t ringLength, int32_t newest, int32_t count);

} // namespace howl
