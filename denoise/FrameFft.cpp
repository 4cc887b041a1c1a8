#include "denoise/FrameFft.h"

#include <utility>

#include "denoise/SuppressorMath.h"

namespace denoise {
void FrameFft::Init()
{
  for (int k = 0; k < kSize / 2; ++k)
  {
    const double angle = 2.0 * kPi * k / kSize;
    mCos[k] = static_cast<float>(Cos(angle));
    mSin[k] = static_cast<float>(Sin(angle));
  }
  for (int i = 0; i < kSize; ++i)
  {
    int r = 0;
    for (int b = 0; b < kLog2Size; ++b)
      if (i & (1 << b))
        r |= 1 << (kLog2Size - 1 - b);
    mReverse[i] = static_cast<unsigned short>(r);
  }
}

void FrameFft::Transform(std::complex<float>* data, bool inverse) const
{
  for (int i = 0; i < kSize; ++i)
  {
    const int r = mReverse[i];
    if (r > i)
      std::swap(data[i], data[r]);
  }
  const float sign = inverse ? 1.0f : -1.0f;
  for (int span = 2; span <= kSize; span <<= 1)
  {
    const int half = span >> 1;
    const int stride = kSize / span;
    for (int start = 0; start < kSize; start += span)
    {
      for (int j = 0; j < half; ++j)
      {
        const float wr = mCos[j * stride];
        const float wi = sign * mSin[j * stride];
        std::complex<float>& a = data[start + j];
        std::complex<float>& b = data[start + j + half];
        const float br = b.real() * wr - b.imag() * wi;
        const float bi = b.real() * wi + b.imag() * wr;
        const float ar = a.real();
        const float ai = a.imag();
        a = {ar + br, ai + bi};
        b = {ar - br, ai - bi};
      }
    }
  }
}
} // namespace denoise
