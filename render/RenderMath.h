#pragma once
// Deterministic helpers for the renderer's geometry: only + - * / and floor, so results are
// bit-identical across C runtimes (library sin/cos differ between platforms).

#include <cmath>
#include <cstdint>

namespace plugfw::ui::detail {

constexpr double kPi = 3.14159265358979323846;

// sin and cos of x (radians). Range reduction to [-pi/4, pi/4] then Taylor series to degree
// 13/14: absolute error below 1e-15 in that interval.
inline void DetSinCos(double x, double& s, double& c)
{
  if (!std::isfinite(x))
  {
    s = 0.0;
    c = 1.0;
    return;
  }
  const double q = std::floor(x * (2.0 / kPi) + 0.5);
  // Two-part pi/2 keeps the reduction accurate for the moderate angles used here.
  const double r = (x - q * 1.5707963267948966) - q * 6.123233995736766e-17;
  const double r2 = r * r;
  const double sr =
      r * (1.0 +
           r2 * (-1.0 / 6 +
                 r2 * (1.0 / 120 + r2 * (-1.0 / 5040 +
                                         r2 * (1.0 / 362880 + r2 * (-1.0 / 39916800 +
                                                                    r2 * (1.0 / 6227020800.0)))))));
  const double cr =
      1.0 +
      r2 * (-0.5 + r2 * (1.0 / 24 +
                         r2 * (-1.0 / 720 +
                               r2 * (1.0 / 40320 +
                                     r2 * (-1.0 / 3628800 + r2 * (1.0 / 479001600.0 +
                                                                  r2 * (-1.0 / 87178291200.0)))))));
  const int64_t quadrant = static_cast<int64_t>(q) & 3;
  switch (quadrant)
  {
  case 0:
    s = sr;
    c = cr;
    break;
  case 1:
    s = cr;
    c = -sr;
    break;
  case 2:
    s = -sr;
    c = -cr;
    break;
  default:
    s = -cr;
    c = sr;
    break;
  }
}

inline bool Finite(float v)
{
  return std::isfinite(v);
}

template <class T>
inline T Clamp(T v, T lo, T hi)
{
  return v < lo ? lo : (v > hi ? hi : v);
}

// a * b / 255 rounded to nearest, for a, b in 0..255.
inline uint32_t Mul255(uint32_t a, uint32_t b)
{
  uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

} // namespace plugfw::ui::detail
