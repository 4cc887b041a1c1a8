// Saved state from arbitrary bytes through a stream that may cut reads short, fail part-way,
// hand out bytes together with an error, or report odd positions. Whatever the plug-in accepted
// it must give back: values clamped to their ranges, the rest untouched, the notch section as
// read (or the bank untouched when there is none to read), and a second round trip identical
// byte for byte, also once the audio thread has taken the restored notches in.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/NotchState.h"
#include "tests/fuzz/FuzzPlugin.h"
#include "tools/host/MemoryStream.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int kStateBytes = kNumParams * 8 + 4;
constexpr int kFrames = 256;

// A host stream with faults chosen by the input.
class FaultyStream : public FObject, public IBStream
{
public:
  std::vector<uint8_t> data;
  int32 chunkLimit = 0;        // most bytes one read hands out (0: no limit)
  int64 failFrom = -1;         // reads from here report an error
  bool bytesWithError = false; // the failing read still hands out bytes
  bool lieAboutPosition = false;
  bool overReport = false; // numBytesRead claims more than was asked
  int64 pos = 0;

  // What reads handed out, split by whether the read reported success.
  std::vector<uint8_t> okBytes;
  bool okEnded = false; // a read answered no bytes or an error: later bytes do not count
  std::vector<uint8_t> anyBytes;
  bool anyEnded = false;

  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
  {
    if (numBytesRead)
      *numBytesRead = 0;
    if (!buffer || numBytes < 0)
      return kInvalidArgument;
    int64 n = std::min<int64>(numBytes, static_cast<int64>(data.size()) - pos);
    if (chunkLimit > 0)
      n = std::min<int64>(n, chunkLimit);
    n = std::max<int64>(n, 0);
    bool error = false;
    if (failFrom >= 0 && pos + n > failFrom)
    {
      error = true;
      if (!bytesWithError)
        n = std::max<int64>(0, failFrom - pos);
    }
    if (n > 0)
      std::memcpy(buffer, data.data() + pos, static_cast<size_t>(n));
    const uint8_t* b = static_cast<const uint8_t*>(buffer);
    if (!okEnded)
    {
      if (error || n == 0)
        okEnded = true;
      else
        okBytes.insert(okBytes.end(), b, b + n);
    }
    if (!anyEnded)
    {
      if (n == 0)
        anyEnded = true;
      else
        anyBytes.insert(anyBytes.end(), b, b + n);
    }
    pos += n;
    if (numBytesRead)
      *numBytesRead = static_cast<int32>(overReport && n > 0 ? n + 1000 : n);
    return error ? kResultFalse : kResultOk;
  }
  tresult PLUGIN_API write(void*, int32, int32* written) override
  {
    if (written)
      *written = 0;
    return kResultFalse;
  }
  tresult PLUGIN_API seek(int64 offset, int32 mode, int64* result) override
  {
    if (lieAboutPosition)
    {
      if (result)
        *result = -12345;
      return kResultFalse;
    }
    const int64 base = mode == kIBSeekCur   ? pos
                       : mode == kIBSeekEnd ? static_cast<int64>(data.size())
                                            : 0;
    pos = std::clamp<int64>(base + offset, 0, static_cast<int64>(data.size()));
    if (result)
      *result = pos;
    return kResultOk;
  }
  tresult PLUGIN_API tell(int64* where) override
  {
    if (!where)
      return kInvalidArgument;
    *where = lieAboutPosition ? static_cast<int64>(data.size()) * 7 + 3 : pos;
    return kResultOk;
  }

  DEFINE_INTERFACES
  DEF_INTERFACE(IBStream)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)
};

std::vector<char> SaveState(fuzz::PluginUnderTest& p)
{
  IPtr<qhost::MemoryStream> out = owned(new qhost::MemoryStream);
  FUZZ_REQUIRE(p.component->getState(out) == kResultOk, "getState succeeds");
  const std::vector<char>& bytes = out->bytes();
  FUZZ_REQUIRE(static_cast<int>(bytes.size()) > kStateBytes,
               "the notch section follows the 84 bytes");
  NotchBankImage image;
  FUZZ_REQUIRE(notchstate::Read(reinterpret_cast<const uint8_t*>(bytes.data()) + kStateBytes,
                                bytes.size() - kStateBytes,
                                image) == notchstate::ReadResult::kAccepted,
               "a saved notch section does not read back");
  return bytes;
}

std::vector<char> SectionOf(const std::vector<char>& state)
{
  return std::vector<char>(state.begin() + kStateBytes, state.end());
}

// One block of silence, as a host processes while stopped: the restored bank reaches the
// engine there, with no allocation (checked by process).
void SilentBlock(fuzz::PluginUnderTest& p)
{
  std::vector<float> left(kFrames, 0.0f), right(kFrames, 0.0f);
  float* channels[2] = {left.data(), right.data()};
  ProcessData d;
  AudioBusBuffers inBus, outBus;
  inBus.numChannels = outBus.numChannels = 2;
  inBus.channelBuffers32 = outBus.channelBuffers32 = channels;
  d.numSamples = kFrames;
  d.symbolicSampleSize = kSample32;
  d.numInputs = d.numOutputs = 1;
  d.inputs = &inBus;
  d.outputs = &outBus;
  p.process(d);
  p.checkEngine();
}

double DoubleAt(const std::vector<char>& s, int index)
{
  double v;
  std::memcpy(&v, s.data() + 8 * index, 8);
  return v;
}

int32 BypassOf(const std::vector<char>& s)
{
  int32 v;
  std::memcpy(&v, s.data() + 8 * kNumParams, 4);
  return v;
}

double LittleEndianDouble(const std::vector<uint8_t>& bytes, size_t at)
{
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | bytes[at + static_cast<size_t>(i)];
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

bool SameValue(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz::Bytes in(data, size);
  const uint8_t mode = in.u8();
  const bool waveLab = (mode & 0x80) != 0; // the one host whose stream errors are ignored
  fuzz::PluginUnderTest p(waveLab ? u"WaveLab 11" : u"Quellor Fuzz Host");

  // Sometimes the restore arrives while processing is set up, onto a bank with two notches.
  const bool prepared = (mode & 0x40) != 0;
  if (prepared)
  {
    p.prepare(48000.0, kFrames, kSample32, SpeakerArr::kStereo);
    p.plug->PushNotchCommand(kNotchAdd, 0, 500.0f, -12.0f, 8.0f);
    p.plug->PushNotchCommand(kNotchAdd, 0, 21000.0f, -30.0f, 40.0f);
    SilentBlock(p);
  }

  IPtr<FaultyStream> stream = owned(new FaultyStream);
  stream->chunkLimit = (mode & 0x01) ? in.range(1, 64) : 0;
  stream->failFrom = (mode & 0x02) ? in.range(0, 100) : -1;
  stream->bytesWithError = (mode & 0x04) != 0;
  stream->lieAboutPosition = (mode & 0x08) != 0;
  stream->overReport = (mode & 0x10) != 0;
  stream->data = in.rest();

  const std::vector<char> before = SaveState(p);
  const tresult result = p.component->setState(stream);
  const std::vector<char> after = SaveState(p);

  // What the plug-in should have taken in: bytes of successful reads up to the first empty or
  // failing one; for the one host whose stream errors are ignored, every byte handed out.
  const std::vector<uint8_t>& accepted = waveLab ? stream->anyBytes : stream->okBytes;
  const int whole = static_cast<int>(std::min<size_t>(accepted.size() / 8, kNumParams));
  for (int i = 0; i < kNumParams; ++i)
  {
    const plugfw::IParam* param = p.plug->GetParam(i);
    const double now = DoubleAt(after, i);
    FUZZ_REQUIRE(std::isfinite(now) && now >= param->GetMin() && now <= param->GetMax(),
                 "a restored value lies outside its parameter's range");
    double expected = DoubleAt(before, i);
    if (i < whole)
    {
      const double given = LittleEndianDouble(accepted, static_cast<size_t>(8 * i));
      if (!std::isnan(given))
        expected = param->ClampValue(given);
    }
    // A stream that claims more bytes than it gave leaves the plug-in no way to tell which are
    // real; only the ranges are checked then.
    if (!stream->overReport)
      FUZZ_REQUIRE(SameValue(now, expected), "a value differs from the one given, clamped");
  }
  const bool complete = accepted.size() >= static_cast<size_t>(kStateBytes);
  FUZZ_REQUIRE(stream->overReport || (result == kResultOk) == complete,
               "setState's answer does not match whether a whole state arrived");
  if (!stream->overReport && complete)
  {
    const size_t at = 8 * kNumParams;
    const int32 bypass = static_cast<int32>(static_cast<uint32_t>(accepted[at]) |
                                            (static_cast<uint32_t>(accepted[at + 1]) << 8) |
                                            (static_cast<uint32_t>(accepted[at + 2]) << 16) |
                                            (static_cast<uint32_t>(accepted[at + 3]) << 24));
    FUZZ_REQUIRE(BypassOf(after) == (bypass > 0 ? 1 : 0), "the bypass flag was not restored");
  }
  else if (!stream->overReport)
  {
    FUZZ_REQUIRE(BypassOf(after) == BypassOf(before), "a failed restore changed the bypass flag");
  }

  // The notch section as read, or the bank left as it was (its notches are all manual, so the
  // restored Hold does not change what is saved of it).
  if (!stream->overReport)
  {
    NotchBankImage image;
    const auto read = complete ? notchstate::Read(accepted.data() + kStateBytes,
                                                  accepted.size() - kStateBytes, image)
                               : notchstate::ReadResult::kAbsent;
    if (read == notchstate::ReadResult::kAccepted)
    {
      std::vector<uint8_t> expected;
      notchstate::Write(image, p.plain(kHold) >= 0.5, expected);
      FUZZ_REQUIRE(SectionOf(after) == std::vector<char>(expected.begin(), expected.end()),
                   "the saved notch section differs from the one read");
    }
    else
    {
      FUZZ_REQUIRE(SectionOf(after) == SectionOf(before),
                   "a state without a readable section changed the notch bank");
    }
  }

  // The controller shows what is in effect.
  for (int i = 0; i < kNumParams; ++i)
    FUZZ_REQUIRE(SameValue(p.controller->getParamNormalized(static_cast<ParamID>(i)),
                           p.plug->GetParam(i)->GetNormalValue()),
                 "the controller shows a value other than the one in effect");
  FUZZ_REQUIRE(p.controller->getParamNormalized(65536) == (BypassOf(after) ? 1.0 : 0.0),
               "the controller's bypass differs from the processor's");

  // The controller side takes the component state without changing anything.
  stream->pos = 0;
  FUZZ_REQUIRE(p.controller->setComponentState(stream) == kResultOk, "setComponentState succeeds");
  FUZZ_REQUIRE(SaveState(p) == after, "setComponentState changed the state");

  // What was accepted survives another round trip unchanged.
  IPtr<qhost::MemoryStream> again =
      owned(new qhost::MemoryStream(std::vector<char>(after.begin(), after.end())));
  FUZZ_REQUIRE(p.component->setState(again) == kResultOk, "a saved state loads");
  FUZZ_REQUIRE(SaveState(p) == after, "the state round trip is not identical");

  // Once the engine has the restored notches (those its rate holds), what it saves comes back
  // identical through another restore and block.
  if (prepared)
  {
    SilentBlock(p);
    const std::vector<char> running = SaveState(p);
    IPtr<qhost::MemoryStream> third =
        owned(new qhost::MemoryStream(std::vector<char>(running.begin(), running.end())));
    FUZZ_REQUIRE(p.component->setState(third) == kResultOk, "a saved state loads");
    SilentBlock(p);
    FUZZ_REQUIRE(SaveState(p) == running, "the running engine's state does not come back");
  }
  return 0;
}
