#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fuzz {

uint8_t Bytes::u8()
{
  return mPos < mSize ? mData[mPos++] : 0;
}

uint16_t Bytes::u16()
{
  return static_cast<uint16_t>(u8() | (u8() << 8));
}

uint32_t Bytes::u32()
{
  const uint32_t lo = u16();
  return lo | (static_cast<uint32_t>(u16()) << 16);
}

uint64_t Bytes::u64()
{
  const uint64_t lo = u32();
  return lo | (static_cast<uint64_t>(u32()) << 32);
}

int32_t Bytes::range(int32_t lo, int32_t hi)
{
  if (hi <= lo)
    return lo;
  const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
  const uint64_t raw = span <= 256 ? u8() : span <= 65536 ? u16() : u32();
  return static_cast<int32_t>(lo + static_cast<int64_t>(raw % span));
}

float Bytes::anyFloat()
{
  using L = std::numeric_limits<float>;
  switch (u8() % 16)
  {
  case 0:
    return L::quiet_NaN();
  case 1:
    return L::infinity();
  case 2:
    return -L::infinity();
  case 3:
    return L::denorm_min() * static_cast<float>(u8());
  case 4:
    return -0.0f;
  case 5:
    return L::max();
  case 6:
    return -L::max();
  case 7:
  {
    float f;
    const uint32_t bits = u32();
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  default: // an ordinary value around the ranges the engine works in
    return (static_cast<float>(u16()) - 32768.0f) * 0.01f;
  }
}

double Bytes::anyDouble()
{
  using L = std::numeric_limits<double>;
  switch (u8() % 16)
  {
  case 0:
    return L::quiet_NaN();
  case 1:
    return L::infinity();
  case 2:
    return -L::infinity();
  case 3:
    return L::denorm_min() * u8();
  case 4:
    return -0.0;
  case 5:
    return 1e300;
  case 6:
    return -1e300;
  case 7:
  {
    double d;
    const uint64_t bits = u64();
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  default:
    return (static_cast<double>(u16()) - 32768.0) * 0.01;
  }
}

double Bytes::normalised()
{
  const uint8_t kind = u8();
  if (kind < 200)
    return u16() / 65535.0;
  if (kind < 230)
    return kind & 1 ? 1.0 : 0.0;
  return anyDouble();
}

std::vector<uint8_t> Bytes::rest()
{
  std::vector<uint8_t> out(mData + mPos, mData + mSize);
  mPos = mSize;
  return out;
}

void Fail(const char* file, int line, const char* condition, const char* what)
{
  std::fprintf(stderr, "\n== invariant broken at %s:%d: %s\n   (%s)\n", file, line, what,
               condition);
  std::fflush(stderr);
  std::abort();
}

bool AllFinite(const float* x, int n)
{
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(x[i]))
      return false;
  return true;
}

bool AllFinite(const double* x, int n)
{
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(x[i]))
      return false;
  return true;
}

using namespace Steinberg;

tresult PLUGIN_API RawQueue::getPoint(int32 index, int32& sampleOffset, Vst::ParamValue& value)
{
  if (index < 0 || index >= count || index >= kMaxPoints)
    return kResultFalse;
  sampleOffset = offsets[index];
  value = values[index];
  return kResultOk;
}

RawChanges::RawChanges()
{
  for (RawQueue*& q : queues)
    q = new RawQueue;
}

RawChanges::~RawChanges()
{
  for (RawQueue* q : queues)
    q->release();
}

Vst::IParamValueQueue* PLUGIN_API RawChanges::getParameterData(int32 index)
{
  if (index < 0 || index >= count || index >= kMaxQueues || missing[index])
    return nullptr;
  return queues[index];
}

void RawChanges::fill(Bytes& in, int maxQueues)
{
  count = in.range(0, std::min(maxQueues, kMaxQueues));
  for (int q = 0; q < count; ++q)
  {
    RawQueue& queue = *queues[q];
    missing[q] = in.u8() == 0xFF;
    const uint8_t idKind = in.u8();
    if (idKind < 200)
      queue.id = idKind % 10; // the ten parameters
    else if (idKind < 225)
      queue.id = 65536; // the binding's bypass
    else
      queue.id = in.u32(); // unknown, MIDI controller range, program change...
    const int points = in.range(0, RawQueue::kMaxPoints);
    // Now and then a queue claims more points than it can hand out.
    queue.count = in.u8() == 0xFE ? points + 3 : points;
    for (int p = 0; p < points && p < RawQueue::kMaxPoints; ++p)
    {
      const uint8_t offsetKind = in.u8();
      if (offsetKind < 200)
        queue.offsets[p] = offsetKind * 4;
      else
        queue.offsets[p] = static_cast<int32>(in.u32()); // out of order, negative, far away
      queue.values[p] = in.normalised();
    }
  }
}

bool RawChanges::lastValue(Vst::ParamID id, double& value) const
{
  bool found = false;
  for (int q = 0; q < count; ++q)
  {
    const RawQueue& queue = *queues[q];
    if (missing[q] || queue.id != id || queue.count <= 0 || queue.count > RawQueue::kMaxPoints)
      continue;
    const double v = queue.values[queue.count - 1];
    if (std::isnan(v))
      continue;
    value = std::clamp(v, 0.0, 1.0);
    found = true;
  }
  return found;
}

} // namespace fuzz
