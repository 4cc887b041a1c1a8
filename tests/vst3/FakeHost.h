#pragma once
// Minimal host-side objects for driving the binding in unit tests.

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "vst3api/Vst3Api.h"
#include "vst3api/sdk/FObject.h"

namespace fakehost {

using namespace Steinberg;
using namespace Steinberg::Vst;

// Reference counting shared by the fakes; they live on the test's stack, so release never deletes.
#define FAKE_UNKNOWN(Iface)                                                                        \
  tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override                       \
  {                                                                                                \
    if (FUnknownPrivate::iidEqual(queried, Iface::iid) ||                                          \
        FUnknownPrivate::iidEqual(queried, FUnknown::iid))                                         \
    {                                                                                              \
      *obj = static_cast<Iface*>(this);                                                            \
      ++refs;                                                                                      \
      return kResultOk;                                                                            \
    }                                                                                              \
    *obj = nullptr;                                                                                \
    return kNoInterface;                                                                           \
  }                                                                                                \
  uint32 PLUGIN_API addRef() override                                                              \
  {                                                                                                \
    return ++refs;                                                                                 \
  }                                                                                                \
  uint32 PLUGIN_API release() override                                                             \
  {                                                                                                \
    return --refs;                                                                                 \
  }                                                                                                \
  std::atomic<int> refs{1};

class MemoryStream : public IBStream
{
public:
  FAKE_UNKNOWN(IBStream)
  std::vector<uint8> data;
  int64 pos = 0;
  bool failReads = false;
  int maxChunk = 1 << 30; // bytes per read call

  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
  {
    if (failReads)
    {
      if (numBytesRead)
        *numBytesRead = 0;
      return kResultFalse;
    }
    int32 n = static_cast<int32>(
        std::min<int64>({numBytes, static_cast<int64>(data.size()) - pos, maxChunk}));
    if (n < 0)
      n = 0;
    if (n)
      std::memcpy(buffer, data.data() + pos, static_cast<size_t>(n));
    pos += n;
    if (numBytesRead)
      *numBytesRead = n;
    return kResultOk;
  }
  tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
  {
    const auto* p = static_cast<const uint8*>(buffer);
    if (pos + numBytes > static_cast<int64>(data.size()))
      data.resize(static_cast<size_t>(pos + numBytes));
    std::memcpy(data.data() + pos, p, static_cast<size_t>(numBytes));
    pos += numBytes;
    if (numBytesWritten)
      *numBytesWritten = numBytes;
    return kResultOk;
  }
  tresult PLUGIN_API seek(int64 p, int32 mode, int64* result) override
  {
    int64 base =
        mode == kIBSeekSet ? 0 : (mode == kIBSeekCur ? pos : static_cast<int64>(data.size()));
    if (base + p < 0)
      return kResultFalse;
    pos = base + p;
    if (result)
      *result = pos;
    return kResultOk;
  }
  tresult PLUGIN_API tell(int64* p) override
  {
    if (p)
      *p = pos;
    return kResultOk;
  }
};

class ValueQueue : public IParamValueQueue
{
public:
  FAKE_UNKNOWN(IParamValueQueue)
  ParamID id = 0;
  std::vector<std::pair<int32, ParamValue>> points;
  ParamID PLUGIN_API getParameterId() override { return id; }
  int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points.size()); }
  tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override
  {
    if (index < 0 || index >= getPointCount())
      return kResultFalse;
    offset = points[index].first;
    value = points[index].second;
    return kResultOk;
  }
  tresult PLUGIN_API addPoint(int32 offset, ParamValue value, int32& index) override
  {
    points.emplace_back(offset, value);
    index = getPointCount() - 1;
    return kResultOk;
  }
};

class ParamChanges : public IParameterChanges
{
public:
  FAKE_UNKNOWN(IParameterChanges)
  std::vector<ValueQueue*> queues;
  std::vector<std::unique_ptr<ValueQueue>> owned;
  ValueQueue& Add(ParamID id, std::vector<std::pair<int32, ParamValue>> pts)
  {
    owned.push_back(std::make_unique<ValueQueue>());
    owned.back()->id = id;
    owned.back()->points = std::move(pts);
    queues.push_back(owned.back().get());
    return *owned.back();
  }
  int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(queues.size()); }
  IParamValueQueue* PLUGIN_API getParameterData(int32 i) override
  {
    return (i >= 0 && i < getParameterCount()) ? queues[i] : nullptr;
  }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }
};

class ComponentHandler : public IComponentHandler
{
public:
  FAKE_UNKNOWN(IComponentHandler)
  std::vector<std::string> calls;
  std::vector<std::thread::id> restartThreads;
  tresult PLUGIN_API beginEdit(ParamID id) override
  {
    calls.push_back("begin " + std::to_string(id));
    return kResultOk;
  }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue v) override
  {
    calls.push_back("perform " + std::to_string(id) + " " + std::to_string(v));
    return kResultOk;
  }
  tresult PLUGIN_API endEdit(ParamID id) override
  {
    calls.push_back("end " + std::to_string(id));
    return kResultOk;
  }
  tresult PLUGIN_API restartComponent(int32 flags) override
  {
    calls.push_back("restart " + std::to_string(flags));
    restartThreads.push_back(std::this_thread::get_id());
    return kResultOk;
  }
};

class HostApp : public IHostApplication
{
public:
  FAKE_UNKNOWN(IHostApplication)
  std::u16string name = u"Test Host";
  tresult PLUGIN_API getName(String128 out) override
  {
    size_t i = 0;
    for (; i < 127 && i < name.size(); ++i)
      out[i] = name[i];
    out[i] = 0;
    return kResultOk;
  }
  tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override
  {
    *obj = nullptr;
    return kNotImplemented;
  }
};

class AttributeList : public IAttributeList
{
public:
  FAKE_UNKNOWN(IAttributeList)
  std::map<std::string, int64> ints;
  std::map<std::string, std::u16string> strings;
  tresult PLUGIN_API setInt(AttrID id, int64 v) override
  {
    ints[id] = v;
    return kResultOk;
  }
  tresult PLUGIN_API getInt(AttrID id, int64& v) override
  {
    auto it = ints.find(id);
    if (it == ints.end())
      return kResultFalse;
    v = it->second;
    return kResultOk;
  }
  tresult PLUGIN_API setFloat(AttrID, double) override { return kResultFalse; }
  tresult PLUGIN_API getFloat(AttrID, double&) override { return kResultFalse; }
  tresult PLUGIN_API setString(AttrID id, const TChar* s) override
  {
    strings[id] = s;
    return kResultOk;
  }
  tresult PLUGIN_API getString(AttrID id, TChar* out, uint32 sizeInBytes) override
  {
    auto it = strings.find(id);
    if (it == strings.end())
      return kResultFalse;
    // Copies like a real host: at most sizeInBytes, possibly unterminated.
    const size_t bytes = std::min<size_t>((it->second.size() + 1) * 2, sizeInBytes);
    std::u16string withNull = it->second;
    withNull.push_back(0);
    std::memcpy(out, withNull.data(), bytes);
    return kResultOk;
  }
  tresult PLUGIN_API setBinary(AttrID, const void*, uint32) override { return kResultFalse; }
  tresult PLUGIN_API getBinary(AttrID, const void*&, uint32&) override { return kResultFalse; }
};

// Per-bus buffers for one block, in 32 or 64 bits.
template <typename T>
struct Buffers
{
  std::vector<std::vector<T>> in, out;
  std::vector<T*> inPtrs, outPtrs;
  AudioBusBuffers inBus, outBus;

  Buffers(int nIn, int nOut, int frames)
  {
    in.assign(static_cast<size_t>(nIn), std::vector<T>(static_cast<size_t>(frames), T(0)));
    out.assign(static_cast<size_t>(nOut), std::vector<T>(static_cast<size_t>(frames), T(-7)));
    for (auto& v : in)
      inPtrs.push_back(v.data());
    for (auto& v : out)
      outPtrs.push_back(v.data());
    inBus.numChannels = nIn;
    outBus.numChannels = nOut;
    if constexpr (sizeof(T) == 4)
    {
      inBus.channelBuffers32 = inPtrs.data();
      outBus.channelBuffers32 = outPtrs.data();
    }
    else
    {
      inBus.channelBuffers64 = inPtrs.data();
      outBus.channelBuffers64 = outPtrs.data();
    }
  }

  ProcessData Data(int frames, IParameterChanges* changes = nullptr)
  {
    ProcessData d;
    d.processMode = kRealtime;
    d.symbolicSampleSize = sizeof(T) == 4 ? kSample32 : kSample64;
    d.numSamples = frames;
    d.numInputs = 1;
    d.numOutputs = 1;
    d.inputs = &inBus;
    d.outputs = &outBus;
    d.inputParameterChanges = changes;
    return d;
  }
};

} // namespace fakehost
