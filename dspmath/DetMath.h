#pragma once
// Deterministic elementary functions.
//
// The C runtimes of the Linux and Windows builds disagree in the last bits of sin, exp, pow and
// friends, which would make the two builds produce different audio. These functions use only
// IEEE basic arithmetic (+, -, *, /, sqrt) with argument reduction and fixed polynomials, so every
// build that honours IEEE double arithmetic without contraction gets bit-identical results.
// Accuracy is about one unit in the last place over the ranges the engine uses.
//
// The float variants compute in double and round once.

#include <cmath>

namespace detmath {

double Sin(double x);
double Cos(double x);
double Exp(double x);
double Log(double x);
double Pow(double x, double y);
double Exp10(double x); // 10^x
double Tanh(double x);
double Hypot(double x, double y);

inline float SinF(float x)
{
  return static_cast<float>(Sin(x));
}
inline float CosF(float x)
{
  return static_cast<float>(Cos(x));
}
inline float ExpF(float x)
{
  return static_cast<float>(Exp(x));
}
inline float LogF(float x)
{
  return static_cast<float>(Log(x));
}
inline float PowF(float x, float y)
{
  return static_cast<float>(Pow(x, y));
}
inline float Exp10F(float x)
{
  return static_cast<float>(Exp10(x));
}
inline float TanhF(float x)
{
  return static_cast<float>(Tanh(x));
}

// Squares of floats are exact in double and the sum cannot overflow, so this is close to the
// correctly rounded result and cheap enough for per-bin use.
inline float HypotF(float x, float y)
{
  if (std::isinf(x) || std::isinf(y))
    return INFINITY;
  const double a = x, b = y;
  return static_cast<float>(std::sqrt(a * a + b * b));
}

// HypotF of count interleaved (re, im) pairs into out: the same values, several at a time.
void MagnitudesF(const float* interleaved, float* out, int count);

} // namespace detmath
