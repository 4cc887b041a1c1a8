#pragma once
// Flushes subnormal floats to zero for the lifetime of the object (x86 SSE control word) and
// restores the caller's mode afterwards. Subnormal arithmetic can be a hundred times slower,
// and a decaying filter or reverb tail would otherwise reach that range in silence.

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>

class DenormalGuard
{
public:
  DenormalGuard() : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero); }
  ~DenormalGuard() { _mm_setcsr(mSaved); }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned mSaved;
};
#else
class DenormalGuard
{};
#endif
