#include "engine/NotchFilter.h"

#include "dspmath/DetMath.h"

#include <algorithm>

void NotchFilter::UpdateDepthAndCoefficients(double sampleRate, float trim, float widthScale)
{
  if (IsFree())
    return;
  const float rate = std::fabs(targetDepth) > std::fabs(depth) ? 0.6f : 0.3f;
  depth = depth + (targetDepth - depth) * rate;
  if (targetDepth == 0.0f && std::fabs(depth) < 0.1f)
  {
    depth = 0.0f;
    z1 = z2 = 0.0;
    active = false;
    return;
  }
  DesignCoefficients(sampleRate, trim, widthScale);
}

void NotchFilter::DesignCoefficients(double sampleRate, float trim, float widthScale)
{
  // The trim may lift a notch up to no cut at all, never into a boost.
  double g = static_cast<double>(trim) + static_cast<double>(depth);
  if (!(g > -40.0))
    g = -40.0;
  g = std::min(g, 0.0);
  const double A = detmath::Exp10(g / 40.0);

  double f = frequency;
  if (!(f > 20.0))
    f = 20.0;
  f = std::min(f, sampleRate * 0.49);
  // 2 pi rounded to single precision, used in double arithmetic.
  const double w0 = f * 6.2831854820251465 / sampleRate;

  double q = static_cast<double>(width) * static_cast<double>(widthScale);
  if (!(q >= 0.5))
    q = 0.5;
  const double alpha = detmath::Sin(w0) / (2.0 * q);

  const double a0 = 1.0 + alpha / A;
  b0 = (1.0 + alpha * A) / a0;
  b1 = -2.0 * detmath::Cos(w0) / a0;
  a1 = b1;
  b2 = (1.0 - alpha * A) / a0;
  a2 = (1.0 - alpha / A) / a0;
}
