#include "engine/LinearResampler.h"

void LinearResampler::Reset(double newStep)
{
  step = newStep;
  position = 1.0;
  lastSample = 0.0f;
}

int LinearResampler::MaxOutput(int n, double conversionStep)
{
  if (n < 1)
    return 0;
  // Outputs sit at position, position + step, ... below n with position in [0, max(step, 1)].
  return static_cast<int>(n / conversionStep) + 2;
}

int LinearResampler::Process(const float* input, int n, float* out, int outCapacity)
{
  if (n < 1 || !input)
    return 0;
  int written = 0;
  // Interpolation runs over [lastSample, input[0..n-1]]: index 0 is the held-back sample.
  while (position < n)
  {
    const int i = static_cast<int>(position);
    const float f = static_cast<float>(position - i);
    const float left = i == 0 ? lastSample : input[i - 1];
    const float right = input[i];
    const float value = (1.0f - f) * left + f * right;
    if (written < outCapacity)
      out[written++] = value;
    position += step;
  }
  position -= n;
  lastSample = input[n - 1];
  return written;
}
