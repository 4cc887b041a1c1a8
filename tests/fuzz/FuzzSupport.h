#pragma once
// What every fuzz target shares: a reader of typed values from the fuzzer's bytes, a check that
// stops the run with a message (libFuzzer then keeps the input), a count of heap allocations made
// inside audio-thread calls, and host-side objects for driving the plug-in as a host does.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vst3api/Vst3Api.h"
#include "tests/support/AllocationCounter.h"
#include "vst3api/sdk/FObject.h"

namespace fuzz {

// Typed values from the input bytes; past the end every value reads as zero.
class Bytes
{
public:
  Bytes(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

  bool empty() const { return mPos >= mSize; }
  size_t remaining() const { return mSize - mPos; }
  uint8_t u8();
  uint16_t u16();
  uint32_t u32();
  uint64_t u64();
  bool flag() { return (u8() & 1) != 0; }
  // lo .. hi inclusive.
  int32_t range(int32_t lo, int32_t hi);
  // Any bit pattern, then often one of the values hosts get wrong: NaN, infinities, subnormals,
  // zero with either sign, the extremes of the type.
  float anyFloat();
  double anyDouble();
  // A normalised parameter value: mostly 0..1, sometimes out of range or not a number.
  double normalised();
  // The rest of the input.
  std::vector<uint8_t> rest();

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

// Stops the run: prints where and why, then aborts so that libFuzzer saves the input.
[[noreturn]] void Fail(const char* file, int line, const char* condition, const char* what);

#define FUZZ_REQUIRE(cond, what)                                                                   \
  do                                                                                               \
  {                                                                                                \
    if (!(cond))                                                                                   \
      ::fuzz::Fail(__FILE__, __LINE__, #cond, what);                                               \
  } while (0)

// Allocations made on this thread while a scope is alive are counted (by the allocation counter's
// replaced global operator new).
using AudioThreadScope = testsupport::ThreadAllocationScope;
inline long AudioThreadAllocations()
{
  return testsupport::ScopedAllocations();
}

bool AllFinite(const float* x, int n);
bool AllFinite(const double* x, int n);

// A parameter queue that hands its points out exactly as given: any order, any offset, any value.
class RawQueue : public Steinberg::FObject, public Steinberg::Vst::IParamValueQueue
{
public:
  static constexpr int kMaxPoints = 8;
  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id; }
  Steinberg::int32 PLUGIN_API getPointCount() override { return count; }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32, Steinberg::Vst::ParamValue,
                                         Steinberg::int32&) override
  {
    return Steinberg::kResultFalse;
  }

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IParamValueQueue)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

  Steinberg::Vst::ParamID id = 0;
  Steinberg::int32 count = 0; // may claim more points than it holds
  Steinberg::int32 offsets[kMaxPoints] = {};
  double values[kMaxPoints] = {};
};

class RawChanges : public Steinberg::FObject, public Steinberg::Vst::IParameterChanges
{
public:
  static constexpr int kMaxQueues = 16;
  RawChanges();
  ~RawChanges() override;
  Steinberg::int32 PLUGIN_API getParameterCount() override { return count; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID&,
                                                                Steinberg::int32&) override
  {
    return nullptr;
  }

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IParameterChanges)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

  // Fills count queues from the input; ids mostly known, sometimes not.
  void fill(Bytes& in, int maxQueues);
  // The value the last point of the last queue for id carries, as the binding reads it
  // (NaN ignored, clamped to 0..1); false when no queue for id has a usable last point.
  bool lastValue(Steinberg::Vst::ParamID id, double& value) const;

  Steinberg::int32 count = 0;
  RawQueue* queues[kMaxQueues];
  bool missing[kMaxQueues] = {}; // getParameterData answers null for this index
};

} // namespace fuzz
