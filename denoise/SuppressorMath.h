// Transcendental functions for the suppressor built only from IEEE basic operations, so the
// Linux and Windows builds produce the same bits (the C runtimes' exp/log/sin differ).
#pragma once

#include <cmath>

namespace denoise {
constexpr double kPi = 3.14159265358979323846;
constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kInvLn2 = 1.44269504088896338700e+00;
// 1/i for the series below: multiplications instead of divisions in the loops.
constexpr double kReciprocal[28] = {0.0,      1.0 / 1,  1.0 / 2,  1.0 / 3,  1.0 / 4,  1.0 / 5,
                                    1.0 / 6,  1.0 / 7,  1.0 / 8,  1.0 / 9,  1.0 / 10, 1.0 / 11,
                                    1.0 / 12, 1.0 / 13, 1.0 / 14, 1.0 / 15, 1.0 / 16, 1.0 / 17,
                                    1.0 / 18, 1.0 / 19, 1.0 / 20, 1.0 / 21, 1.0 / 22, 1.0 / 23,
                                    1.0 / 24, 1.0 / 25, 1.0 / 26, 1.0 / 27};

// e^x for |x| up to about 700; saturates beyond.
inline double Exp(double x)
{
  if (x != x)
    return x;
  if (x > 709.0)
    return HUGE_VAL;
  if (x < -745.0)
    return 0.0;
  const double kd = x * kInvLn2;
  const int k = static_cast<int>(kd < 0.0 ? kd - 0.5 : kd + 0.5);
  const double r = (x - k * kLn2Hi) - k * kLn2Lo; // |r| <= 0.35
  // Taylor series to degree 13: truncation error below 1e-17 on the reduced range.
  double term = 1.0;
  double sum = 1.0;
  for (int i = 1; i <= 13; ++i)
  {
    term = term * r * kReciprocal[i];
    sum += term;
  }
  return std::ldexp(sum, k);
}

// Natural logarithm for x > 0; -inf for 0, NaN for negative input.
inline double Log(double x)
{
  if (!(x > 0.0))
    return x == 0.0 ? -HUGE_VAL : (x - x) / 0.0;
  if (x == HUGE_VAL)
    return x;
  int e = 0;
  double m = std::frexp(x, &e); // m in [0.5, 1)
  if (m < 0.70710678118654752440)
  {
    m *= 2.0;
    e -= 1;
  }
  // log(m) = 2 atanh(s), s = (m - 1) / (m + 1), |s| <= 0.1716.
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double power = s;
  double sum = 0.0;
  for (int i = 1; i <= 27; i += 2)
  {
    sum += power * kReciprocal[i];
    power *= s2;
  }
  return 2.0 * sum + e * kLn2Hi + e * kLn2Lo;
}

// sin(x) for |x| up to a few hundred (reduction by multiples of pi/2).
inline double Sin(double x)
{
  const double q = x / (kPi / 2.0);
  const long k = static_cast<long>(q < 0.0 ? q - 0.5 : q + 0.5);
  const double r = x - static_cast<double>(k) * (kPi / 2.0); // |r| <= pi/4 (plus rounding)
  const double r2 = r * r;
  // Taylor series of sin and cos to degree 17/18 on |r| <= pi/4.
  double sinSum = 0.0;
  double cosSum = 0.0;
  double sinTerm = r;
  double cosTerm = 1.0;
  for (int i = 0; i < 9; ++i)
  {
    sinSum += sinTerm;
    cosSum += cosTerm;
    sinTerm = -sinTerm * r2 / ((2 * i + 2) * (2 * i + 3));
    cosTerm = -cosTerm * r2 / ((2 * i + 1) * (2 * i + 2));
  }
  switch (((k % 4) + 4) % 4)
  {
  case 0:
    return sinSum;
  case 1:
    return cosSum;
  case 2:
    return -sinSum;
  default:
    return -cosSum;
  }
}

inline double Cos(double x)
{
  return Sin(x + kPi / 2.0);
}
} // namespace denoise
