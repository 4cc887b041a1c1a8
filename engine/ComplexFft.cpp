#include "engine/ComplexFft.h"

#include "dspmath/DetMath.h"

#include <cstring>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUELLOR_FFT_SSE2 1
// The wider kernel only where the compiler keeps 32-byte vectors aligned on the stack (not the
// MinGW build); the Windows build uses the SSE2 kernel, which computes the same bits.
#if defined(QUELLOR_AVX_KERNELS)
#include <immintrin.h>
#define QUELLOR_FFT_AVX 1
#endif
#endif

namespace {

struct Twiddle
{
  float re, im;
};

inline Twiddle StageStep(int span)
{
  const float theta = -6.2831855f / static_cast<float>(span);
  return {detmath::CosF(theta), detmath::SinF(theta)};
}

inline Twiddle Mul(Twiddle a, Twiddle b)
{
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

} // namespace

void ComplexFft::Transform(std::complex<float>* data, int n)
{
  if (!IsPowerOfTwo(n) || data == nullptr)
    return;
  for (int i = 0, j = 0; i < n; ++i)
  {
    if (i < j)
      std::swap(data[i], data[j]);
    int bit = n >> 1;
    while (bit > 0 && (j & bit))
    {
      j ^= bit;
      bit >>= 1;
    }
    j |= bit;
  }

  float* f = reinterpret_cast<float*>(data);
  for (int span = 2; span <= n; span <<= 1)
  {
    const Twiddle step = StageStep(span);
    const int half = span / 2;
    for (int k = 0; k < n; k += span)
    {
      Twiddle w{1.0f, 0.0f};
      for (int j = 0; j < half; ++j)
      {
        float* a = f + 2 * (k + j);
        float* b = f + 2 * (k + j + half);
        const Twiddle t = Mul(w, {b[0], b[1]});
        b[0] = a[0] - t.re;
        b[1] = a[1] - t.im;
        a[0] = a[0] + t.re;
        a[1] = a[1] + t.im;
        w = Mul(w, step);
      }
    }
  }
}

void ComplexFft::Prepare(int n)
{
  mSize = 0;
  mReversed.clear();
  mWork.clear();
  mTwRe.clear();
  mTwIm.clear();
  if (!IsPowerOfTwo(n))
    return;
  mSize = n;

  mReversed.resize(n);
  for (int i = 0, j = 0; i < n; ++i)
  {
    mReversed[i] = static_cast<uint32_t>(j);
    int bit = n >> 1;
    while (bit > 0 && (j & bit))
    {
      j ^= bit;
      bit >>= 1;
    }
    j |= bit;
  }
  mWork.assign(2 * static_cast<size_t>(n), 0.0f);

  // The same recurrence as Transform(), evaluated once per stage: every group starts again
  // from (1, 0), so the sequence is the same for all groups of a stage.
  mTwRe.resize(2 * static_cast<size_t>(n > 1 ? n - 1 : 0));
  mTwIm.resize(mTwRe.size());
  for (int span = 2; span <= n; span <<= 1)
  {
    const Twiddle step = StageStep(span);
    const int half = span / 2;
    Twiddle w{1.0f, 0.0f};
    for (int j = 0; j < half; ++j)
    {
      const size_t at = 2 * static_cast<size_t>(half - 1 + j);
      mTwRe[at] = mTwRe[at + 1] = w.re;
      mTwIm[at] = -w.im;
      mTwIm[at + 1] = w.im;
      w = Mul(w, step);
    }
  }
}

void ComplexFft::Forward(std::complex<float>* data, int n)
{
  if (data == nullptr || n <= 0)
    return;
  if (n == mSize && n >= 8)
  {
    const float* in = reinterpret_cast<const float*>(data);
    ForwardTables(
        [in](uint32_t i, float& re, float& im) {
          re = in[2 * i];
          im = in[2 * i + 1];
        },
        data);
  }
  else
  {
    Transform(data, n);
  }
}

void ComplexFft::ForwardWindowed(const float* samples, const float* window,
                                 std::complex<float>* out)
{
  if (samples == nullptr || window == nullptr || out == nullptr || mSize <= 0)
    return;
  if (mSize >= 8)
  {
    ForwardTables(
        [samples, window](uint32_t i, float& re, float& im) {
          re = samples[i] * window[i];
          im = 0.0f;
        },
        out);
    return;
  }
  for (int j = 0; j < mSize; ++j)
    out[j] = {samples[j] * window[j], 0.0f};
  Transform(out, mSize);
}

namespace {

// One radix-2 stage from src to dst (which may be the same buffer). Every butterfly computes
// t = w * b as re(w) * b + (-im(w), im(w)) * swap(b): per lane exactly the products and sums of
// the scalar formula, since x + (-y) equals x - y in IEEE arithmetic.
#if !defined(QUELLOR_FFT_SSE2)
void StageScalar(const float* src, float* dst, int n, int half, const float* twr, const float* twi)
{
  for (int k = 0; k < n; k += 2 * half)
  {
    for (int j = 0; j < half; ++j)
    {
      const float* a = src + 2 * (k + j);
      const float* b = src + 2 * (k + j + half);
      const float wr = twr[2 * j], wi = twi[2 * j + 1];
      const float tr = wr * b[0] - wi * b[1];
      const float ti = wr * b[1] + wi * b[0];
      const float ar = a[0], ai = a[1];
      float* da = dst + 2 * (k + j);
      float* db = dst + 2 * (k + j + half);
      db[0] = ar - tr;
      db[1] = ai - ti;
      da[0] = ar + tr;
      da[1] = ai + ti;
    }
  }
}
#endif

#ifdef QUELLOR_FFT_SSE2
void StageSse2(const float* src, float* dst, int n, int half, const float* twr, const float* twi)
{
  for (int k = 0; k < n; k += 2 * half)
  {
    const float* pa = src + 2 * k;
    const float* pb = src + 2 * (k + half);
    float* qa = dst + 2 * k;
    float* qb = dst + 2 * (k + half);
    for (int j = 0; j < half; j += 2)
    {
      const __m128 wr = _mm_loadu_ps(twr + 2 * j);
      const __m128 wi = _mm_loadu_ps(twi + 2 * j);
      const __m128 a = _mm_loadu_ps(pa + 2 * j);
      const __m128 b = _mm_loadu_ps(pb + 2 * j);
      const __m128 bs = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1));
      const __m128 t = _mm_add_ps(_mm_mul_ps(wr, b), _mm_mul_ps(wi, bs));
      _mm_storeu_ps(qa + 2 * j, _mm_add_ps(a, t));
      _mm_storeu_ps(qb + 2 * j, _mm_sub_ps(a, t));
    }
  }
}

// Spans L and 2L in one pass over each group of 2L values: the same butterflies with the same
// twiddles as two single passes, with half the trips through memory.
void StagePairSse2(const float* src, float* dst, int n, int half, const float* twr1,
                   const float* twi1, const float* twr2, const float* twi2)
{
  auto mul = [](__m128 wr, __m128 wi, __m128 b) {
    return _mm_add_ps(_mm_mul_ps(wr, b),
                      _mm_mul_ps(wi, _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1))));
  };
  const int span = 2 * half;
  for (int k = 0; k < n; k += 2 * span)
  {
    for (int j = 0; j < half; j += 2)
    {
      const int i0 = 2 * (k + j), i1 = i0 + 2 * half, i2 = i0 + 2 * span, i3 = i2 + 2 * half;
      const __m128 w1r = _mm_loadu_ps(twr1 + 2 * j), w1i = _mm_loadu_ps(twi1 + 2 * j);
      const __m128 x0 = _mm_loadu_ps(src + i0), x1 = _mm_loadu_ps(src + i1);
      const __m128 x2 = _mm_loadu_ps(src + i2), x3 = _mm_loadu_ps(src + i3);
      const __m128 t1 = mul(w1r, w1i, x1), t3 = mul(w1r, w1i, x3);
      const __m128 y0 = _mm_add_ps(x0, t1), y1 = _mm_sub_ps(x0, t1);
      const __m128 y2 = _mm_add_ps(x2, t3), y3 = _mm_sub_ps(x2, t3);
      const __m128 t2 = mul(_mm_loadu_ps(twr2 + 2 * j), _mm_loadu_ps(twi2 + 2 * j), y2);
      const __m128 t4 =
          mul(_mm_loadu_ps(twr2 + 2 * (j + half)), _mm_loadu_ps(twi2 + 2 * (j + half)), y3);
      _mm_storeu_ps(dst + i0, _mm_add_ps(y0, t2));
      _mm_storeu_ps(dst + i2, _mm_sub_ps(y0, t2));
      _mm_storeu_ps(dst + i1, _mm_add_ps(y1, t4));
      _mm_storeu_ps(dst + i3, _mm_sub_ps(y1, t4));
    }
  }
}
#endif

#ifdef QUELLOR_FFT_AVX
// Separate multiplies and adds only (no fused multiply-add), so the lanes match the SSE2 and
// scalar paths bit for bit.
__attribute__((target("avx"))) void StageAvx(const float* src, float* dst, int n, int half,
                                             const float* twr, const float* twi)
{
  for (int k = 0; k < n; k += 2 * half)
  {
    const float* pa = src + 2 * k;
    const float* pb = src + 2 * (k + half);
    float* qa = dst + 2 * k;
    float* qb = dst + 2 * (k + half);
    for (int j = 0; j < half; j += 4)
    {
      const __m256 wr = _mm256_loadu_ps(twr + 2 * j);
      const __m256 wi = _mm256_loadu_ps(twi + 2 * j);
      const __m256 a = _mm256_loadu_ps(pa + 2 * j);
      const __m256 b = _mm256_loadu_ps(pb + 2 * j);
      const __m256 bs = _mm256_permute_ps(b, _MM_SHUFFLE(2, 3, 0, 1));
      const __m256 t = _mm256_add_ps(_mm256_mul_ps(wr, b), _mm256_mul_ps(wi, bs));
      _mm256_storeu_ps(qa + 2 * j, _mm256_add_ps(a, t));
      _mm256_storeu_ps(qb + 2 * j, _mm256_sub_ps(a, t));
    }
  }
}

__attribute__((target("avx"))) inline __m256 TwiddleMulAvx(__m256 wr, __m256 wi, __m256 b)
{
  return _mm256_add_ps(_mm256_mul_ps(wr, b),
                       _mm256_mul_ps(wi, _mm256_permute_ps(b, _MM_SHUFFLE(2, 3, 0, 1))));
}

__attribute__((target("avx"))) void StagePairAvx(const float* src, float* dst, int n, int half,
                                                 const float* twr1, const float* twi1,
                                                 const float* twr2, const float* twi2)
{
  const int span = 2 * half;
  for (int k = 0; k < n; k += 2 * span)
  {
    for (int j = 0; j < half; j += 4)
    {
      const int i0 = 2 * (k + j), i1 = i0 + 2 * half, i2 = i0 + 2 * span, i3 = i2 + 2 * half;
      const __m256 w1r = _mm256_loadu_ps(twr1 + 2 * j), w1i = _mm256_loadu_ps(twi1 + 2 * j);
      const __m256 x0 = _mm256_loadu_ps(src + i0), x1 = _mm256_loadu_ps(src + i1);
      const __m256 x2 = _mm256_loadu_ps(src + i2), x3 = _mm256_loadu_ps(src + i3);
      const __m256 t1 = TwiddleMulAvx(w1r, w1i, x1), t3 = TwiddleMulAvx(w1r, w1i, x3);
      const __m256 y0 = _mm256_add_ps(x0, t1), y1 = _mm256_sub_ps(x0, t1);
      const __m256 y2 = _mm256_add_ps(x2, t3), y3 = _mm256_sub_ps(x2, t3);
      const __m256 t2 =
          TwiddleMulAvx(_mm256_loadu_ps(twr2 + 2 * j), _mm256_loadu_ps(twi2 + 2 * j), y2);
      const __m256 t4 = TwiddleMulAvx(_mm256_loadu_ps(twr2 + 2 * (j + half)),
                                      _mm256_loadu_ps(twi2 + 2 * (j + half)), y3);
      _mm256_storeu_ps(dst + i0, _mm256_add_ps(y0, t2));
      _mm256_storeu_ps(dst + i2, _mm256_sub_ps(y0, t2));
      _mm256_storeu_ps(dst + i1, _mm256_add_ps(y1, t4));
      _mm256_storeu_ps(dst + i3, _mm256_sub_ps(y1, t4));
    }
  }
}

bool CpuHasAvx()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}
const bool kHasAvx = CpuHasAvx();
#endif

} // namespace

// The permuted input is read through load(index, re, im), so that the caller's values can come
// from anywhere (its own array, or samples times a window) without an extra pass.
template <typename Load>
void ComplexFft::ForwardTables(Load load, std::complex<float>* data)
{
  const int n = mSize;
  float* work = mWork.data();
  const uint32_t* rev = mReversed.data();
  const float* twr4 = mTwRe.data() + 2; // span 4 twiddles
  const float* twi4 = mTwIm.data() + 2;

  // The permutation fused with the spans 2 and 4, four values at a time from their
  // bit-reversed places into the work buffer.
#ifdef QUELLOR_FFT_SSE2
  {
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 zero = _mm_setr_ps(-0.0f, 0.0f, -0.0f, 0.0f);
    const __m128 wr4 = _mm_loadu_ps(twr4);
    const __m128 wi4 = _mm_loadu_ps(twi4);
    for (int g = 0; g < n; g += 4)
    {
      // Built in registers: going through memory would stall on store forwarding.
      float ar, ai, br, bi, cr, ci, dr, di;
      load(rev[g], ar, ai);
      load(rev[g + 1], br, bi);
      load(rev[g + 2], cr, ci);
      load(rev[g + 3], dr, di);
      const __m128 p = _mm_setr_ps(ar, ai, cr, ci);
      const __m128 q = _mm_setr_ps(br, bi, dr, di);
      const __m128 t2 = _mm_add_ps(_mm_mul_ps(one, q),
                                   _mm_mul_ps(zero, _mm_shuffle_ps(q, q, _MM_SHUFFLE(2, 3, 0, 1))));
      const __m128 s0 = _mm_add_ps(p, t2);      // a', c'
      const __m128 s1 = _mm_sub_ps(p, t2);      // b', d'
      const __m128 top = _mm_movelh_ps(s0, s1); // a', b'
      const __m128 bot = _mm_movehl_ps(s1, s0); // c', d'
      const __m128 t4 = _mm_add_ps(
          _mm_mul_ps(wr4, bot), _mm_mul_ps(wi4, _mm_shuffle_ps(bot, bot, _MM_SHUFFLE(2, 3, 0, 1))));
      _mm_storeu_ps(work + 2 * g, _mm_add_ps(top, t4));
      _mm_storeu_ps(work + 2 * g + 4, _mm_sub_ps(top, t4));
    }
  }
#else
  for (int g = 0; g < n; ++g)
    load(rev[g], work[2 * g], work[2 * g + 1]);
  StageScalar(work, work, n, 1, mTwRe.data(), mTwIm.data());
  StageScalar(work, work, n, 2, twr4, twi4);
#endif

  // Spans 8 .. n, two at a time where possible; the last pass writes the result back into the
  // caller's array.
  float* out = reinterpret_cast<float*>(data);
  auto tw = [this](const std::vector<float>& t, int half) { return t.data() + 2 * (half - 1); };
  for (int span = 8; span <= n;)
  {
    const int half = span / 2;
    if (2 * span <= n)
    {
      float* dst = 2 * span == n ? out : work;
#if defined(QUELLOR_FFT_AVX)
      if (kHasAvx)
        StagePairAvx(work, dst, n, half, tw(mTwRe, half), tw(mTwIm, half), tw(mTwRe, span),
                     tw(mTwIm, span));
      else
        StagePairSse2(work, dst, n, half, tw(mTwRe, half), tw(mTwIm, half), tw(mTwRe, span),
                      tw(mTwIm, span));
#elif defined(QUELLOR_FFT_SSE2)
      StagePairSse2(work, dst, n, half, tw(mTwRe, half), tw(mTwIm, half), tw(mTwRe, span),
                    tw(mTwIm, span));
#else
      StageScalar(work, work, n, half, tw(mTwRe, half), tw(mTwIm, half));
      StageScalar(work, dst, n, span, tw(mTwRe, span), tw(mTwIm, span));
#endif
      span *= 4;
      continue;
    }
#if defined(QUELLOR_FFT_AVX)
    if (kHasAvx)
      StageAvx(work, out, n, half, tw(mTwRe, half), tw(mTwIm, half));
    else
      StageSse2(work, out, n, half, tw(mTwRe, half), tw(mTwIm, half));
#elif defined(QUELLOR_FFT_SSE2)
    StageSse2(work, out, n, half, tw(mTwRe, half), tw(mTwIm, half));
#else
    StageScalar(work, out, n, half, tw(mTwRe, half), tw(mTwIm, half));
#endif
    span *= 2;
  }
}
