#pragma once

// Converts a stream between two rates by linear interpolation, one call at a time. Each call
// holds its final input sample back as the left neighbour for the next call, so a stream cut
// into calls of any size is interpolated as one continuous signal.
class LinearResampler
{
public:
  // step: input samples advanced per output sample (source rate / target rate).
  void Reset(double step);

  // Converts n input samples, appending to out from index 0; writes at most outCapacity
  // samples and returns how many it wrote. n < 1 writes nothing and changes nothing.
  int Process(const float* input, int n, float* out, int outCapacity);

  // Largest number of samples one call with n inputs can produce.
  static int MaxOutput(int n, double step);

  double step = 1.0;
  double position = 1.0;
  float lastSample = 0.0f;
};
