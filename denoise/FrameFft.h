#pragma once

#include <complex>

namespace denoise {
// In-place radix-2 transform of fixed size with precomputed twiddles and bit-reversal, kept
// inside each suppressor state so processing needs no shared tables.
class FrameFft
{
public:
  static constexpr int kSize = 2048;
  static constexpr int kLog2Size = 11;

  void Init();
  void Forward(std::complex<float>* data) const { Transform(data, false); }
  // Unscaled inverse (the caller divides by kSize).
  void Inverse(std::complex<float>* data) const { Transform(data, true); }

private:
  void Transform(std::complex<float>* data, bool inverse) const;

  float mCos[kSize / 2];
  float mSin[kSize / 2];
  unsigned short mReverse[kSize];
};
} // namespace denoise
