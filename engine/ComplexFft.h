#pragma once
// In-place forward discrete Fourier transform of n complex floats, n a power of two.
//
// The arithmetic is fixed: bit-reversal permutation, then radix-2 decimation-in-time stages of
// span L = 2, 4, ..., n; each stage's twiddle step is (cos t, sin t) with t = -6.2831855f / L in
// single precision, and within each group the twiddle runs from (1, 0), multiplied by the step
// after every butterfly. No scaling. An inverse is the caller's: conjugate, forward, conjugate,
// divide by n.
//
// Transform() runs that recurrence directly and needs no memory. A prepared object keeps the
// recurrence's twiddles and the permutation in tables (built once, off the audio thread) and gives
// bit-identical results faster.

#include <complex>
#include <cstdint>
#include <vector>

class ComplexFft
{
public:
  ComplexFft() = default;
  explicit ComplexFft(int n) { Prepare(n); }

  // Builds the tables for n points (allocates). n must be a power of two; otherwise the object
  // is left empty and Forward() falls back to Transform().
  void Prepare(int n);
  int Size() const { return mSize; }

  // Forward transform of n values in place. Uses the tables when n matches Size(). Not for
  // concurrent use of one object (it has a work buffer).
  void Forward(std::complex<float>* data, int n);
  void Forward(std::vector<std::complex<float>>& data)
  {
    Forward(data.data(), static_cast<int>(data.size()));
  }

  // Transform of the real sequence samples[j] * window[j] (imaginary parts 0) into out, the
  // same values as forming that sequence and calling Forward(). n must equal Size().
  void ForwardWindowed(const float* samples, const float* window, std::complex<float>* out);

  // The table-free transform. Leaves the data unchanged when n is not a power of two.
  static void Transform(std::complex<float>* data, int n);

  static bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

private:
  template <typename Load>
  void ForwardTables(Load load, std::complex<float>* out);

  int mSize = 0;
  std::vector<uint32_t> mReversed; // bit-reversed index of every position
  std::vector<float> mWork;        // 2 n floats: the permuted data between the stages
  // Twiddles of all stages, stage L at offset L/2 - 1, each stored twice for the paired layout:
  // mTwRe[2i] = mTwRe[2i+1] = re; mTwIm[2i] = -im, mTwIm[2i+1] = im.
  std::vector<float> mTwRe;
  std::vector<float> mTwIm;
};
