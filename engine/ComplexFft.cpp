#include "engine/ComplexFft.h"

#include "engine/DetMath.h"

#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUELLOR_FFT_SSE2 1
#endif

namespace {

struct Twiddle {
    float re, im;
};

inline Twiddle StageStep(int span)
{
    const float theta = -6.2831855f / static_cast<float>(span);
    return {detmath::CosF(theta), detmath::SinF(theta)};
}

inline Twiddle Mul(Twiddle a, Twiddle b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

}  // namespace

void ComplexFft::Transform(std::complex<float>* data, int n)
{
    if (!IsPowerOfTwo(n) || data == nullptr)
        return;
    for (int i = 0, j = 0; i < n; ++i) {
        if (i < j)
            std::swap(data[i], data[j]);
        int bit = n >> 1;
        while (bit > 0 && (j & bit)) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
    }

    float* f = reinterpret_cast<float*>(data);
    for (int span = 2; span <= n; span <<= 1) {
        const Twiddle step = StageStep(span);
        const int half = span / 2;
        for (int k = 0; k < n; k += span) {
            Twiddle w{1.0f, 0.0f};
            for (int j = 0; j < half; ++j) {
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
    mSwaps.clear();
    mTwRe.clear();
    mTwIm.clear();
    if (!IsPowerOfTwo(n))
        return;
    mSize = n;

    for (int i = 0, j = 0; i < n; ++i) {
        if (i < j) {
            mSwaps.push_back(static_cast<uint32_t>(i));
            mSwaps.push_back(static_cast<uint32_t>(j));
        }
        int bit = n >> 1;
        while (bit > 0 && (j & bit)) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
    }

    // The same recurrence as Transform(), evaluated once per stage: every group starts again
    // from (1, 0), so the sequence is the same for all groups of a stage.
    mTwRe.resize(2 * static_cast<size_t>(n > 1 ? n - 1 : 0));
    mTwIm.resize(mTwRe.size());
    for (int span = 2; span <= n; span <<= 1) {
        const Twiddle step = StageStep(span);
        const int half = span / 2;
        Twiddle w{1.0f, 0.0f};
        for (int j = 0; j < half; ++j) {
            const size_t at = 2 * static_cast<size_t>(half - 1 + j);
            mTwRe[at] = mTwRe[at + 1] = w.re;
            mTwIm[at] = -w.im;
            mTwIm[at + 1] = w.im;
            w = Mul(w, step);
        }
    }
}

void ComplexFft::Forward(std::complex<float>* data, int n) const
{
    if (data == nullptr || n <= 0)
        return;
    if (n == mSize && n >= 4)
        ForwardTables(data);
    else
        Transform(data, n);
}

void ComplexFft::ForwardTables(std::complex<float>* data) const
{
    const int n = mSize;
    for (size_t s = 0; s < mSwaps.size(); s += 2)
        std::swap(data[mSwaps[s]], data[mSwaps[s + 1]]);
    float* f = reinterpret_cast<float*>(data);

#ifdef QUELLOR_FFT_SSE2
    // t = w * b computed as re(w) * b + (-im(w), im(w)) * swap(b): per lane exactly the products
    // and sums of the scalar formula (x + (-y) equals x - y in IEEE arithmetic).
    {  // span 2, twiddle (1, 0), two groups per step
        const __m128 wr = _mm_set1_ps(1.0f);
        const __m128 wi = _mm_setr_ps(-0.0f, 0.0f, -0.0f, 0.0f);
        for (int k = 0; k < n; k += 4) {
            const __m128 v0 = _mm_loadu_ps(f + 2 * k);
            const __m128 v1 = _mm_loadu_ps(f + 2 * k + 4);
            const __m128 a = _mm_movelh_ps(v0, v1);
            const __m128 b = _mm_movehl_ps(v1, v0);
            const __m128 bs = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1));
            const __m128 t = _mm_add_ps(_mm_mul_ps(wr, b), _mm_mul_ps(wi, bs));
            const __m128 top = _mm_add_ps(a, t);
            const __m128 bot = _mm_sub_ps(a, t);
            _mm_storeu_ps(f + 2 * k, _mm_movelh_ps(top, bot));
            _mm_storeu_ps(f + 2 * k + 4, _mm_movehl_ps(bot, top));
        }
    }
    for (int span = 4; span <= n; span <<= 1) {
        const int half = span / 2;
        const float* twr = mTwRe.data() + 2 * (half - 1);
        const float* twi = mTwIm.data() + 2 * (half - 1);
        for (int k = 0; k < n; k += span) {
            float* pa = f + 2 * k;
            float* pb = f + 2 * (k + half);
            for (int j = 0; j < half; j += 2) {
                const __m128 wr = _mm_loadu_ps(twr + 2 * j);
                const __m128 wi = _mm_loadu_ps(twi + 2 * j);
                const __m128 a = _mm_loadu_ps(pa + 2 * j);
                const __m128 b = _mm_loadu_ps(pb + 2 * j);
                const __m128 bs = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1));
                const __m128 t = _mm_add_ps(_mm_mul_ps(wr, b), _mm_mul_ps(wi, bs));
                _mm_storeu_ps(pa + 2 * j, _mm_add_ps(a, t));
                _mm_storeu_ps(pb + 2 * j, _mm_sub_ps(a, t));
            }
        }
    }
#else
    for (int span = 2; span <= n; span <<= 1) {
        const int half = span / 2;
        const float* twr = mTwRe.data() + 2 * (half - 1);
        const float* twi = mTwIm.data() + 2 * (half - 1);
        for (int k = 0; k < n; k += span) {
            for (int j = 0; j < half; ++j) {
                float* a = f + 2 * (k + j);
                float* b = f + 2 * (k + j + half);
                const float wr = twr[2 * j], wi = twi[2 * j + 1];
                const float tr = wr * b[0] - wi * b[1];
                const float ti = wr * b[1] + wi * b[0];
                b[0] = a[0] - tr;
                b[1] = a[1] - ti;
                a[0] = a[0] + tr;
                a[1] = a[1] + ti;
            }
        }
    }
#endif
}
