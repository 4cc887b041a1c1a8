#include "dspmath/DetMath.h"

#include <bit>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUELLOR_MATH_SSE2 1
#endif
#include <cstdint>
#include <limits>

namespace detmath {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// pi/2 in three 33-bit pieces plus a tail: n * piece is exact for |n| < 2^20.
constexpr double kPio2_1 = 0x1.921fb54400000p+0;
constexpr double kPio2_2 = 0x1.0b4611a600000p-34;
constexpr double kPio2_3 = 0x1.3198a2e000000p-69;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

// ln 2 as a 32-bit head (n * head exact for |n| < 2^21) and the remainder.
constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
constexpr double kInvLn2 = 0x1.71547652b82fep+0;

// ln 10 as a double-double.
constexpr double kLn10Hi = 0x1.26bb1bbb55516p+1;
constexpr double kLn10Lo = -0x1.f48ad494ea3e9p-53;

struct DD
{
  double hi, lo;
};

inline double Abs(double x)
{
  return std::bit_cast<double>(std::bit_cast<uint64_t>(x) & ~(1ull << 63));
}

inline bool IsNaN(double x)
{
  return x != x;
}

// Round to the nearest integer, halves away from zero (only for |x| < 2^62).
inline int64_t Nearest(double x)
{
  return static_cast<int64_t>(x < 0 ? x - 0.5 : x + 0.5);
}

// 2^k for normal exponents.
inline double Pow2(int k)
{
  return std::bit_cast<double>(static_cast<uint64_t>(k + 1023) << 52);
}

// x * 2^k for |k| <= 2046, exact unless the result leaves the normal range.
double Scale(double x, int k)
{
  if (k > 1023)
  {
    x *= Pow2(1023);
    k -= 1023;
  }
  else if (k < -1022)
  {
    x *= Pow2(-969); // stays normal; the final product rounds once into the subnormals
    k += 969;
  }
  return x * Pow2(k);
}

// Exact product a * b = p + e (Dekker; relies on no contraction into fused multiply-add).
inline DD TwoProduct(double a, double b)
{
  constexpr double kSplit = 134217729.0; // 2^27 + 1
  const double p = a * b;
  const double ca = kSplit * a, cb = kSplit * b;
  const double ah = ca - (ca - a), al = a - ah;
  const double bh = cb - (cb - b), bl = b - bh;
  const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
  return {p, e};
}

inline DD TwoSum(double a, double b)
{
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

inline DD FastTwoSum(double a, double b) // |a| >= |b|
{
  const double s = a + b;
  return {s, b - (s - a)};
}

// --- sine and cosine kernels on |r| <= pi/4 (r + rlo is the reduced argument) ---

double SinKernel(double r, double rlo)
{
  const double z = r * r;
  // Taylor terms through r^19; the truncation error is far below one ulp on [-pi/4, pi/4].
  double p = -1.0 / 121645100408832000.0;
  p = 1.0 / 355687428096000.0 + z * p;
  p = -1.0 / 1307674368000.0 + z * p;
  p = 1.0 / 6227020800.0 + z * p;
  p = -1.0 / 39916800.0 + z * p;
  p = 1.0 / 362880.0 + z * p;
  p = -1.0 / 5040.0 + z * p;
  p = 1.0 / 120.0 + z * p;
  p = -1.0 / 6.0 + z * p;
  return r + (r * z * p + rlo * (1.0 - 0.5 * z));
}

double CosKernel(double r, double rlo)
{
  const double z = r * r;
  double q = 1.0 / 2432902008176640000.0;
  q = -1.0 / 6402373705728000.0 + z * q;
  q = 1.0 / 20922789888000.0 + z * q;
  q = -1.0 / 87178291200.0 + z * q;
  q = 1.0 / 479001600.0 + z * q;
  q = -1.0 / 3628800.0 + z * q;
  q = 1.0 / 40320.0 + z * q;
  q = -1.0 / 720.0 + z * q;
  q = 1.0 / 24.0 + z * q;
  const double hz = 0.5 * z;
  const double w = 1.0 - hz;
  // ((1 - w) - hz) recovers the rounding error of w.
  return w + (((1.0 - w) - hz) + (z * z * q - r * rlo));
}

// Reduces x by multiples of pi/2: x = n * pi/2 + (r + rlo). Accurate for |x| below about 1e6;
// larger arguments still give a deterministic value in [-1, 1].
int Reduce(double x, double& r, double& rlo)
{
  if (Abs(x) > 0x1p30)
    x = std::fmod(x, 4.0 * kPio2_1); // exact remainder; keeps n in range
  const int64_t n = Nearest(x * kTwoOverPi);
  const double fn = static_cast<double>(n);
  const double t = x - fn * kPio2_1;
  const double w2 = fn * kPio2_2;
  const double y = t - w2;
  double ylo = (t - y) - w2;
  ylo -= fn * kPio2_3;
  const DD s = FastTwoSum(y, ylo);
  r = s.hi;
  rlo = s.lo;
  return static_cast<int>(n & 3);
}

// log(x) for finite x > 0 as a double-double.
DD LogDD(double x)
{
  int e = 0;
  uint64_t bits = std::bit_cast<uint64_t>(x);
  if ((bits >> 52) == 0)
  { // subnormal
    x *= Pow2(54);
    e = -54;
    bits = std::bit_cast<uint64_t>(x);
  }
  e += static_cast<int>(bits >> 52) - 1023;
  double m = std::bit_cast<double>((bits & ((1ull << 52) - 1)) | (1023ull << 52)); // [1, 2)
  if (m > 1.4142135623730951)
  {
    m *= 0.5;
    ++e;
  }
  const double f = m - 1.0; // exact
  if (f == 0.0 && e == 0)
    return {0.0, 0.0};

  // log(1 + f) = 2 atanh(s), s = f / (2 + f), with s carried as a double-double.
  const DD u = FastTwoSum(2.0, f);
  const double sh = f / u.hi;
  const DD p = TwoProduct(sh, u.hi);
  const double sl = (((f - p.hi) - p.lo) - sh * u.lo) / u.hi;
  const double z = sh * sh;
  // 2 s^3 (1/3 + z/5 + z^2/7 + ...), |s| < 0.1716.
  double t = 2.0 / 27.0;
  t = 2.0 / 25.0 + z * t;
  t = 2.0 / 23.0 + z * t;
  t = 2.0 / 21.0 + z * t;
  t = 2.0 / 19.0 + z * t;
  t = 2.0 / 17.0 + z * t;
  t = 2.0 / 15.0 + z * t;
  t = 2.0 / 13.0 + z * t;
  t = 2.0 / 11.0 + z * t;
  t = 2.0 / 9.0 + z * t;
  t = 2.0 / 7.0 + z * t;
  t = 2.0 / 5.0 + z * t;
  t = 2.0 / 3.0 + z * t;
  const double tail = sh * z * t;

  const double fe = static_cast<double>(e);
  const DD head = TwoSum(fe * kLn2Hi, 2.0 * sh);
  const double lo = head.lo + (2.0 * sl + tail + fe * kLn2Lo);
  return FastTwoSum(head.hi, lo);
}

// (exp(r) - 1 - r) / r^2 by Taylor terms through r^13; enough for |r| <= 0.35.
double ExpPoly(double r)
{
  double p = 1.0 / 6227020800.0;
  p = 1.0 / 479001600.0 + r * p;
  p = 1.0 / 39916800.0 + r * p;
  p = 1.0 / 3628800.0 + r * p;
  p = 1.0 / 362880.0 + r * p;
  p = 1.0 / 40320.0 + r * p;
  p = 1.0 / 5040.0 + r * p;
  p = 1.0 / 720.0 + r * p;
  p = 1.0 / 120.0 + r * p;
  p = 1.0 / 24.0 + r * p;
  p = 1.0 / 6.0 + r * p;
  return 0.5 + r * p;
}

// Splits hi + lo = n ln2 + (r + rlo) with |r| <= ln2 / 2.
int64_t ReduceLn2(double hi, double lo, double& r, double& rlo)
{
  const int64_t n = Nearest(hi * kInvLn2);
  const double fn = static_cast<double>(n);
  const double a = hi - fn * kLn2Hi; // exact
  const double b = fn * kLn2Lo - lo;
  r = a - b;
  rlo = (a - r) - b;
  return n;
}

// exp(hi + lo) for |lo| much smaller than |hi|.
double ExpDD(double hi, double lo)
{
  if (IsNaN(hi) || IsNaN(lo))
    return kNaN;
  if (hi > 709.79)
    return kInf;
  if (hi < -745.2)
    return 0.0;
  double r, rlo;
  const int64_t n = ReduceLn2(hi, lo, r, rlo);
  const double em1 = r + (r * r * ExpPoly(r) + rlo * (1.0 + r));
  return Scale(1.0 + em1, static_cast<int>(n));
}

// exp(y) - 1 as a double-double, for -40 <= y <= 0.
DD Expm1DD(double y)
{
  double r, rlo;
  const int64_t n = ReduceLn2(y, 0.0, r, rlo);
  const double tail = r * r * ExpPoly(r) + rlo * (1.0 + r);
  if (n == 0)
    return FastTwoSum(r, tail);
  const double s = Pow2(static_cast<int>(n));
  const DD head = TwoSum(-1.0, s); // exact
  const DD m = TwoSum(head.hi, s * r);
  return FastTwoSum(m.hi, m.lo + head.lo + s * tail);
}

bool IsInteger(double y)
{
  return Abs(y) >= 0x1p52 || static_cast<double>(static_cast<int64_t>(y)) == y;
}

bool IsOddInteger(double y)
{
  if (Abs(y) >= 0x1p53)
    return false;
  const int64_t i = static_cast<int64_t>(y);
  return static_cast<double>(i) == y && (i & 1) != 0;
}

} // namespace

double Sin(double x)
{
  if (!std::isfinite(x))
    return kNaN;
  if (Abs(x) < 0x1p-27)
    return x;
  double r, rlo;
  switch (Reduce(x, r, rlo))
  {
  case 0:
    return SinKernel(r, rlo);
  case 1:
    return CosKernel(r, rlo);
  case 2:
    return -SinKernel(r, rlo);
  default:
    return -CosKernel(r, rlo);
  }
}

double Cos(double x)
{
  if (!std::isfinite(x))
    return kNaN;
  if (Abs(x) < 0x1p-27)
    return 1.0;
  double r, rlo;
  switch (Reduce(x, r, rlo))
  {
  case 0:
    return CosKernel(r, rlo);
  case 1:
    return -SinKernel(r, rlo);
  case 2:
    return -CosKernel(r, rlo);
  default:
    return SinKernel(r, rlo);
  }
}

double Exp(double x)
{
  return ExpDD(x, 0.0);
}

double Log(double x)
{
  if (IsNaN(x) || x < 0)
    return kNaN;
  if (x == 0)
    return -kInf;
  if (x == kInf)
    return kInf;
  const DD l = LogDD(x);
  return l.hi + l.lo;
}

double Pow(double x, double y)
{
  if (y == 0 || x == 1)
    return 1.0;
  if (IsNaN(x) || IsNaN(y))
    return kNaN;
  const double ay = Abs(y);
  if (ay == kInf)
  {
    const double ax = Abs(x);
    if (ax == 1)
      return 1.0;
    return (ax < 1) == (y > 0) ? 0.0 : kInf;
  }
  double sign = 1.0;
  if (x < 0 || (x == 0 && std::signbit(x)))
  {
    if (x != 0 && !IsInteger(y))
      return kNaN;
    if (IsOddInteger(y))
      sign = -1.0;
    x = Abs(x);
  }
  if (x == 0)
    return y > 0 ? sign * 0.0 : sign * kInf;
  if (x == kInf)
    return y > 0 ? sign * kInf : sign * 0.0;

  const DD l = LogDD(x);
  const double ph = y * l.hi;
  if (ph > 710.0)
    return sign * kInf;
  if (ph < -746.0)
    return sign * 0.0;
  const DD p = TwoProduct(y, l.hi);
  const DD q = FastTwoSum(p.hi, p.lo + y * l.lo);
  return sign * ExpDD(q.hi, q.lo);
}

double Exp10(double x)
{
  if (IsNaN(x))
    return kNaN;
  if (x > 310.0)
    return kInf;
  if (x < -330.0)
    return 0.0;
  const DD p = TwoProduct(x, kLn10Hi);
  const DD q = FastTwoSum(p.hi, p.lo + x * kLn10Lo);
  return ExpDD(q.hi, q.lo);
}

double Tanh(double x)
{
  if (IsNaN(x))
    return x;
  const double ax = Abs(x);
  if (ax < 0x1p-28)
    return x;
  double t = 1.0; // beyond 19.5 the result rounds to 1
  if (ax <= 19.5)
  {
    // tanh(a) = -e / (2 + e) with e = exp(-2a) - 1, the quotient refined once in double-double.
    const DD e = Expm1DD(-2.0 * ax);
    const DD d = TwoSum(2.0, e.hi);
    const double dlo = d.lo + e.lo;
    const double q = e.hi / d.hi;
    const DD qd = TwoProduct(q, d.hi);
    const double rem = (((e.hi - qd.hi) - qd.lo) + e.lo - q * dlo) / d.hi;
    t = -(q + rem);
  }
  return x < 0 ? -t : t;
}

double Hypot(double x, double y)
{
  double a = Abs(x), b = Abs(y);
  if (a == kInf || b == kInf)
    return kInf;
  if (IsNaN(a) || IsNaN(b))
    return kNaN;
  if (a < b)
  {
    const double t = a;
    a = b;
    b = t;
  }
  if (b == 0)
    return a;
  double scale = 1.0;
  if (a > 0x1p500)
  {
    a *= 0x1p-600;
    b *= 0x1p-600;
    scale = 0x1p600;
  }
  else if (b < 0x1p-500)
  {
    a *= 0x1p600;
    b *= 0x1p600;
    scale = 0x1p-600;
  }
  // Sum of squares as a double-double, then one correction step of the square root.
  const DD a2 = TwoProduct(a, a);
  const DD b2 = TwoProduct(b, b);
  const DD s = TwoSum(a2.hi, b2.hi);
  const double slo = s.lo + a2.lo + b2.lo;
  const double sum = s.hi + slo;
  const double sumlo = slo - (sum - s.hi);
  double h = std::sqrt(sum);
  const DD hh = TwoProduct(h, h);
  h += (((sum - hh.hi) - hh.lo) + sumlo) / (2.0 * h);
  return h * scale;
}

#if defined(QUELLOR_MATH_SSE2) && defined(QUELLOR_AVX_KERNELS)
#include <immintrin.h>
// Four at a time where the processor has AVX (not in the MinGW build, whose stack alignment of
// 32-byte vectors is unreliable); the same operations per lane as the SSE2 loop.
__attribute__((target("avx"))) static int MagnitudesAvx(const float* interleaved, float* out,
                                                        int count)
{
  int i = 0;
  for (; i + 8 <= count; i += 8)
  {
    const __m256 v0 = _mm256_loadu_ps(interleaved + 2 * i);     // r0 i0 r1 i1 | r2 i2 r3 i3
    const __m256 v1 = _mm256_loadu_ps(interleaved + 2 * i + 8); // r4 i4 r5 i5 | r6 i6 r7 i7
    const __m256 re =
        _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)); // r0 r1 r4 r5 | r2 r3 r6 r7
    const __m256 im = _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1));
    const __m256d rl = _mm256_cvtps_pd(_mm256_castps256_ps128(re)),
                  rh = _mm256_cvtps_pd(_mm256_extractf128_ps(re, 1));
    const __m256d il = _mm256_cvtps_pd(_mm256_castps256_ps128(im)),
                  ih = _mm256_cvtps_pd(_mm256_extractf128_ps(im, 1));
    const __m128 lo = _mm256_cvtpd_ps(
        _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(rl, rl), _mm256_mul_pd(il, il)))); // 0 1 4 5
    const __m128 hi = _mm256_cvtpd_ps(
        _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(rh, rh), _mm256_mul_pd(ih, ih)))); // 2 3 6 7
    _mm_storeu_ps(out + i, _mm_movelh_ps(lo, hi));
    _mm_storeu_ps(out + i + 4, _mm_movehl_ps(hi, lo));
  }
  return i;
}

static bool HasAvx()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}
static const bool kMathHasAvx = HasAvx();
#define QUELLOR_MATH_AVX 1
#endif

void MagnitudesF(const float* interleaved, float* out, int count)
{
  int i = 0;
#ifdef QUELLOR_MATH_AVX
  if (kMathHasAvx)
    i = MagnitudesAvx(interleaved, out, count);
#endif
#ifdef QUELLOR_MATH_SSE2
  // Squares and sum in double, then the square root: exactly the scalar arithmetic.
  for (; i + 4 <= count; i += 4)
  {
    const __m128 v0 = _mm_loadu_ps(interleaved + 2 * i); // r0 i0 r1 i1
    const __m128 v1 = _mm_loadu_ps(interleaved + 2 * i + 4);
    const __m128 re = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 im = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128d rl = _mm_cvtps_pd(re), rh = _mm_cvtps_pd(_mm_movehl_ps(re, re));
    const __m128d il = _mm_cvtps_pd(im), ih = _mm_cvtps_pd(_mm_movehl_ps(im, im));
    const __m128d sl = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(rl, rl), _mm_mul_pd(il, il)));
    const __m128d sh = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(rh, rh), _mm_mul_pd(ih, ih)));
    _mm_storeu_ps(out + i, _mm_movelh_ps(_mm_cvtpd_ps(sl), _mm_cvtpd_ps(sh)));
  }
  // An infinite part with a NaN partner reads infinite, as in the scalar form.
  for (int k = 0; k < i; ++k)
    if (out[k] != out[k])
      out[k] = HypotF(interleaved[2 * k], interleaved[2 * k + 1]);
#endif
  for (; i < count; ++i)
    out[i] = HypotF(interleaved[2 * i], interleaved[2 * i + 1]);
}

} // namespace detmath
