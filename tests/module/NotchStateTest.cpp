// The notch section of the saved state, through the built module: manual notches and automatic
// ones under Hold go out with the state and come back into their slots, older 84-byte states
// load as before, damaged sections leave the bank alone, and the engine's resets keep the notches
// worth keeping.

#include <cmath>
#include <cstring>
#include <limits>

#include "quellor/QuellorProbeApi.h"
#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;
using quellor::IQuellorEditorProbe;
using quellor::IQuellorProbe;
using quellor::ProbedNotch;

namespace {

constexpr size_t kLegacyBytes = 84;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Entry
{
  int32 slot;
  uint32 flags; // bit 0: manual
  float frequency, width, depth;
};
using Section = std::vector<std::vector<Entry>>; // per channel

void put32(std::vector<char>& out, uint32 v)
{
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32 get32(const std::vector<char>& in, size_t at)
{
  uint32 v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<uint8>(in.at(at + static_cast<size_t>(i)));
  return v;
}

uint32 bits(float f)
{
  uint32 b;
  std::memcpy(&b, &f, 4);
  return b;
}

float asFloat(uint32 b)
{
  float f;
  std::memcpy(&f, &b, 4);
  return f;
}

// The section as its layout is documented, written by hand.
std::vector<char> encode(const Section& s, const char* tag = "Qnch", uint32 version = 1)
{
  std::vector<char> out(tag, tag + 4);
  put32(out, version);
  put32(out, static_cast<uint32>(s.size()));
  for (const auto& channel : s)
  {
    put32(out, static_cast<uint32>(channel.size()));
    for (const Entry& e : channel)
    {
      put32(out, static_cast<uint32>(e.slot));
      put32(out, e.flags);
      put32(out, bits(e.frequency));
      put32(out, bits(e.width));
      put32(out, bits(e.depth));
    }
  }
  return out;
}

// Reads a saved state's section back; fails the test when it is not one.
Section decode(const std::vector<char>& state)
{
  Section s;
  EXPECT_GE(state.size(), kLegacyBytes + 12);
  if (state.size() < kLegacyBytes + 12)
    return s;
  EXPECT_EQ(std::string(state.data() + kLegacyBytes, 4), "Qnch");
  EXPECT_EQ(get32(state, kLegacyBytes + 4), 1u);
  size_t pos = kLegacyBytes + 8;
  const uint32 channels = get32(state, pos);
  pos += 4;
  for (uint32 c = 0; c < channels; ++c)
  {
    const uint32 count = get32(state, pos);
    pos += 4;
    std::vector<Entry>& list = s.emplace_back();
    for (uint32 e = 0; e < count; ++e, pos += 20)
      list.push_back({static_cast<int32>(get32(state, pos)), get32(state, pos + 4),
                      asFloat(get32(state, pos + 8)), asFloat(get32(state, pos + 12)),
                      asFloat(get32(state, pos + 16))});
  }
  EXPECT_EQ(pos, state.size()) << "nothing follows the section";
  return s;
}

void writeDouble(std::vector<char>& bytes, size_t offset, double v)
{
  uint64 b;
  std::memcpy(&b, &v, 8);
  for (int i = 0; i < 8; ++i)
    bytes[offset + static_cast<size_t>(i)] = static_cast<char>((b >> (8 * i)) & 0xFF);
}

// Today's 84 bytes: the ten values (Gain +3 dB, Hold as given, the rest default) and bypass 0.
std::vector<char> legacyState(double gain, double hold)
{
  const double values[kNumParams] = {50., -18., 25., 0., 1., 0., 0., gain, hold, 0.};
  std::vector<char> bytes(kLegacyBytes, 0);
  for (int i = 0; i < kNumParams; ++i)
    writeDouble(bytes, static_cast<size_t>(8 * i), values[i]);
  return bytes;
}

std::vector<char> withSection(std::vector<char> head, const std::vector<char>& section)
{
  head.insert(head.end(), section.begin(), section.end());
  return head;
}

// One plug-in instance driven as a host drives it, with both probes.
class Rig
{
public:
  Rig()
  {
    host = owned(new qhost::HostApplication(u"Quellor Notch State Test"));
    ok = loadedModule() && plug.create(loadedModule()->factory(), kQuellorClassId) &&
         plug.initialize(host->unknownCast()) == kResultOk;
    void* obj = nullptr;
    if (ok && plug.component()->queryInterface(IQuellorProbe::iid, &obj) == kResultOk)
      probe = static_cast<IQuellorProbe*>(obj);
    if (ok && plug.component()->queryInterface(IQuellorEditorProbe::iid, &obj) == kResultOk)
      editor = static_cast<IQuellorEditorProbe*>(obj);
    ok = ok && probe && editor;
  }
  ~Rig()
  {
    if (probe)
      probe->release();
    if (editor)
      editor->release();
    plug.stop();
    plug.release();
  }

  void arrange(SpeakerArrangement arr = SpeakerArr::kStereo)
  {
    EXPECT_EQ(plug.setBusArrangements(arr, arr), kResultTrue);
    plug.activateMainBuses();
    channels = arr == SpeakerArr::kStereo ? 2 : 1;
  }
  void setup(double r)
  {
    rate = r;
    EXPECT_EQ(plug.setupProcessing(rate, kBlock, kSample32), kResultOk);
  }
  void prepare(double r = 48000., SpeakerArrangement arr = SpeakerArr::kStereo)
  {
    arrange(arr);
    setup(r);
    EXPECT_EQ(plug.start(), kResultOk);
  }

  // Processes the signal (channels x frames) in blocks; returns the output.
  std::vector<std::vector<float>> process(const std::vector<std::vector<double>>& signal)
  {
    const size_t frames = signal.empty() ? 0 : signal[0].size();
    std::vector<std::vector<float>> in(channels, std::vector<float>(kBlock)),
        out(channels, std::vector<float>(kBlock)), result(channels, std::vector<float>(frames));
    std::vector<float*> ip, op;
    for (int c = 0; c < channels; ++c)
    {
      ip.push_back(in[c].data());
      op.push_back(out[c].data());
    }
    for (size_t pos = 0; pos + kBlock <= frames; pos += kBlock)
    {
      for (int c = 0; c < channels; ++c)
        for (size_t i = 0; i < kBlock; ++i)
          in[c][i] = static_cast<float>(signal[c % signal.size()][pos + i]);
      EXPECT_EQ(plug.process32(ip.data(), channels, op.data(), channels, kBlock), kResultOk);
      for (int c = 0; c < channels; ++c)
        std::copy(out[c].begin(), out[c].end(), result[c].begin() + static_cast<long>(pos));
    }
    return result;
  }
  void silence(int blocks = 30)
  {
    process(std::vector<std::vector<double>>(1, std::vector<double>(kBlock * blocks, 0.0)));
  }
  // Quiet noise: unlike digital silence it lets automatic notches age.
  void hiss(int blocks)
  {
    std::vector<double> x(kBlock * static_cast<size_t>(blocks));
    unsigned state = 7;
    for (double& v : x)
    {
      state = state * 1664525u + 1013904223u;
      v = static_cast<float>((static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 0.01);
    }
    process({x});
  }

  std::vector<ProbedNotch> slots()
  {
    std::vector<ProbedNotch> s(20);
    s.resize(static_cast<size_t>(probe->getNotchSlots(s.data(), 20)));
    return s;
  }
  std::vector<char> save()
  {
    IPtr<qhost::MemoryStream> s = owned(new qhost::MemoryStream);
    EXPECT_EQ(plug.saveState(*s), kResultOk);
    return s->bytes();
  }
  tresult load(const std::vector<char>& bytes)
  {
    IPtr<qhost::MemoryStream> s = owned(new qhost::MemoryStream(bytes));
    return plug.loadState(*s);
  }
  void add(float hz, float depth, float q)
  {
    EXPECT_EQ(editor->pushNotchCommand(quellor::kProbeNotchAdd, 0, hz, depth, q), kResultTrue);
  }
  void hold(bool on) { plug.controller()->setParamNormalized(kHold, on ? 1.0 : 0.0); }
  double plain(ParamID id)
  {
    return plug.controller()->normalizedParamToPlain(id, plug.controller()->getParamNormalized(id));
  }

  static constexpr size_t kBlock = 512;
  qhost::PluginInstance plug;
  IPtr<qhost::HostApplication> host;
  IQuellorProbe* probe = nullptr;
  IQuellorEditorProbe* editor = nullptr;
  bool ok = false;
  int channels = 2;
  double rate = 48000.;
};

std::vector<double> sine(double hz, double rate, size_t frames, double amplitude = 0.1)
{
  std::vector<double> x(frames);
  for (size_t i = 0; i < frames; ++i)
    x[i] = static_cast<float>(amplitude *
                              std::sin(6.283185307179586 * hz * static_cast<double>(i) / rate));
  return x;
}

double rms(const std::vector<float>& x, size_t from)
{
  double sum = 0;
  for (size_t i = from; i < x.size(); ++i)
    sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(x.size() - from));
}

// Level of the output relative to the input, in dB, after the first half second.
double gainDb(Rig& rig, double hz)
{
  const size_t frames = static_cast<size_t>(rig.rate) / Rig::kBlock * Rig::kBlock;
  const std::vector<double> x = sine(hz, rig.rate, frames);
  const auto y = rig.process({x});
  std::vector<float> xf(x.begin(), x.end());
  return 20.0 * std::log10(rms(y[0], frames / 2) / rms(xf, frames / 2));
}

void expectSameSlots(const std::vector<ProbedNotch>& got, const std::vector<ProbedNotch>& want)
{
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i)
  {
    EXPECT_EQ(got[i].active, want[i].active) << "slot " << i;
    if (!want[i].active)
      continue;
    EXPECT_EQ(got[i].manual, want[i].manual) << "slot " << i;
    EXPECT_EQ(got[i].frequency, want[i].frequency) << "slot " << i;
    EXPECT_EQ(got[i].targetDepth, want[i].targetDepth) << "slot " << i;
    EXPECT_EQ(got[i].width, want[i].width) << "slot " << i;
  }
}

int activeCount(const std::vector<ProbedNotch>& s)
{
  int n = 0;
  for (const auto& x : s)
    n += x.active ? 1 : 0;
  return n;
}

// A stereo instance that rang out: automatic notches on each channel's ring (2500 and 2540 Hz),
// then two manual notches, then Hold. Returns its slots (channel 0).
std::vector<ProbedNotch> ringOut(Rig& rig)
{
  rig.prepare();
  rig.process(makeSignal(2, 96000, 48000.));
  rig.add(700.f, -12.f, 8.f);
  rig.add(5000.f, -25.f, 40.f);
  rig.hold(true);
  rig.silence(30); // the new notches ramp in; nothing is released under Hold
  return rig.slots();
}

} // namespace

TEST(ModuleNotchState, ManualAndHeldNotchesComeBackInAFreshInstance)
{
  Rig a;
  ASSERT_TRUE(a.ok);
  const std::vector<ProbedNotch> rung = ringOut(a);
  int automatic = 0, manual = 0;
  for (const auto& s : rung)
    (s.manual ? manual : automatic) += s.active ? 1 : 0;
  ASSERT_GE(automatic, 1) << "the ring placed no automatic notch";
  ASSERT_EQ(manual, 2);

  const std::vector<char> state = a.save();
  // The first 84 bytes are today's layout; Hold is saved as on.
  ASSERT_GT(state.size(), kLegacyBytes);
  double hold;
  std::memcpy(&hold, state.data() + 8 * kHold, 8);
  EXPECT_EQ(hold, 1.0);
  const Section saved = decode(state);
  ASSERT_EQ(saved.size(), 2u) << "each channel's bank";
  EXPECT_EQ(saved[0].size(), static_cast<size_t>(automatic + manual));
  // Channel 1 rang 40 Hz higher: its automatic notch is its own.
  bool ownRing = false;
  for (const Entry& e : saved[1])
    ownRing = ownRing || (e.flags == 0 && std::fabs(e.frequency - 2540.f) < 20.f);
  EXPECT_TRUE(ownRing);

  // Restored before the first setup: the editor's table shows it at once, and it is in place
  // from the first block on.
  Rig b;
  ASSERT_TRUE(b.ok);
  b.arrange();
  ASSERT_EQ(b.load(state), kResultOk);
  expectSameSlots(b.slots(), rung);
  EXPECT_EQ(b.save(), state);
  b.setup(48000.);
  ASSERT_EQ(b.plug.start(), kResultOk);
  expectSameSlots(b.slots(), rung);
  b.silence(2);
  expectSameSlots(b.slots(), rung);
  EXPECT_EQ(b.probe->getActiveNotchCount(), static_cast<int>(saved[0].size() + saved[1].size()));
  EXPECT_EQ(b.save(), state) << "both channels' banks came back";

  // Restored between activation and the start of processing.
  Rig d;
  ASSERT_TRUE(d.ok);
  d.arrange();
  d.setup(48000.);
  ASSERT_EQ(d.plug.component()->setActive(true), kResultOk);
  ASSERT_EQ(d.load(state), kResultOk);
  ASSERT_EQ(d.plug.processor()->setProcessing(true), kResultOk);
  d.silence(2);
  expectSameSlots(d.slots(), rung);
  EXPECT_EQ(d.save(), state);

  // Held automatic notches came back automatic: without Hold they age out, the manual stay.
  b.hold(false);
  b.hiss(static_cast<int>(48000 * 3.5 / Rig::kBlock));
  const auto later = b.slots();
  EXPECT_EQ(activeCount(later), 2);
  for (const auto& s : later)
    EXPECT_TRUE(!s.active || s.manual == 1);
}

TEST(ModuleNotchState, ARestoreWhileAudioRunsReplacesTheBank)
{
  Rig a;
  ASSERT_TRUE(a.ok);
  const std::vector<ProbedNotch> rung = ringOut(a);
  const std::vector<char> state = a.save();

  Rig c;
  ASSERT_TRUE(c.ok);
  c.prepare();
  c.add(3000.f, -30.f, 10.f);
  c.add(150.f, -6.f, 2.f);
  c.add(9000.f, -9.f, 3.f);
  c.silence(5);
  ASSERT_EQ(activeCount(c.slots()), 3);
  ASSERT_EQ(c.load(state), kResultOk);
  c.silence(30); // notches not in the state fade out like cleared ones
  expectSameSlots(c.slots(), rung);
  EXPECT_EQ(c.save(), state);

  // A section with no notches empties the bank: a state saved after every slot was cleared.
  for (int slot = 0; slot < 20; ++slot)
    c.editor->pushNotchCommand(quellor::kProbeNotchClear, slot, 0.f, 0.f, 0.f);
  c.silence(30);
  const std::vector<char> cleared = c.save();
  const Section none = decode(cleared);
  ASSERT_EQ(none.size(), 2u);
  EXPECT_TRUE(none[0].empty());
  EXPECT_TRUE(none[1].empty());
  ASSERT_EQ(c.plug.stop(), kResultOk); // a reset brings nothing back
  ASSERT_EQ(c.plug.start(), kResultOk);
  c.silence(2);
  EXPECT_EQ(activeCount(c.slots()), 0);

  ASSERT_EQ(a.load(cleared), kResultOk);
  a.silence(30);
  EXPECT_EQ(activeCount(a.slots()), 0);
  EXPECT_EQ(a.probe->getActiveNotchCount(), 0);
}

TEST(ModuleNotchState, AnOlderStateLoadsItsValuesAndLeavesTheBank)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  r.prepare();
  r.add(1234.f, -15.f, 12.f);
  r.silence(5);
  const auto before = r.slots();
  ASSERT_EQ(activeCount(before), 1);
  ASSERT_EQ(r.load(legacyState(3.0, 0.0)), kResultOk);
  EXPECT_NEAR(r.plain(kGain), 3.0, 1e-9);
  r.silence(5);
  expectSameSlots(r.slots(), before);
  // Its next save has the section, the 84 bytes it was given first.
  const std::vector<char> state = r.save();
  EXPECT_TRUE(
      std::equal(state.begin(), state.begin() + kLegacyBytes, legacyState(3.0, 0.0).begin()));
  const Section s = decode(state);
  ASSERT_EQ(s.size(), 2u);
  ASSERT_EQ(s[0].size(), 1u);
  EXPECT_EQ(s[0][0].frequency, 1234.f);
}

// Faults of the whole section: the values and the bypass flag load, the bank stays as it was.
TEST(ModuleNotchState, ADamagedSectionIsIgnoredWholeAfterTheValuesLoad)
{
  const Section good = {{{3, 1, 440.f, 10.f, -20.f}}};
  const std::vector<char> valid = encode(good);
  std::vector<char> nineChannels = encode(Section(9, std::vector<Entry>{}));
  std::vector<char> countAbove20 = encode({std::vector<Entry>(21, {0, 1, 440.f, 10.f, -20.f})});
  // Counts that claim more bytes than follow, up to the largest value.
  std::vector<char> hugeCount = encode({{}});
  for (int i = 0; i < 4; ++i)
    hugeCount[12 + static_cast<size_t>(i)] = static_cast<char>(0xFF);
  const struct
  {
    const char* what;
    std::vector<char> section;
  } cases[] = {
      {"cut inside the header", std::vector<char>(valid.begin(), valid.begin() + 7)},
      {"cut inside an entry", std::vector<char>(valid.begin(), valid.end() - 1)},
      {"cut before a channel's count", std::vector<char>(valid.begin(), valid.begin() + 12)},
      {"unknown tag", encode(good, "QNCH")},
      {"unknown version", encode(good, "Qnch", 2)},
      {"version 0", encode(good, "Qnch", 0)},
      {"more channels than a bank image holds", nineChannels},
      {"a count above 20", countAbove20},
      {"a count of 2^32 - 1", hugeCount},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.what);
    Rig r;
    ASSERT_TRUE(r.ok);
    r.prepare();
    r.add(1234.f, -15.f, 12.f);
    r.silence(5);
    const auto before = r.slots();
    EXPECT_EQ(r.load(withSection(legacyState(3.0, 1.0), c.section)), kResultOk);
    EXPECT_NEAR(r.plain(kGain), 3.0, 1e-9);
    EXPECT_NEAR(r.plain(kHold), 1.0, 1e-9);
    r.silence(5);
    expectSameSlots(r.slots(), before);
  }
}

// Faults of single entries: that entry is skipped or its value clamped; the rest of the section
// applies.
TEST(ModuleNotchState, BadEntriesAreSkippedOrClamped)
{
  const Section section = {{
      {0, 1, 1000.f, 10.f, -20.f},   // good
      {0, 1, 2000.f, 10.f, -20.f},   // slot 0 again: the first wins
      {20, 1, 1500.f, 10.f, -20.f},  // slot out of range
      {-1, 1, 1500.f, 10.f, -20.f},  // slot out of range
      {1, 2, 1500.f, 10.f, -20.f},   // unknown flag
      {2, 1, kNaN, 10.f, -20.f},     // not finite
      {3, 1, 1500.f, kInf, -20.f},   // not finite
      {4, 0, 1500.f, 10.f, -kInf},   // not finite
      {5, 1, 1500.f, 10.f, 3.f},     // no cut
      {6, 1, 1500.f, 10.f, 0.f},     // no cut
      {7, 1, 5.f, 10.f, -20.f},      // below 20 Hz: 20 Hz
      {8, 1, -300.f, 10.f, -20.f},   // below 20 Hz: 20 Hz
      {9, 1, 30000.f, 10.f, -20.f},  // above the 48 kHz ceiling (23520 Hz): not placed
      {10, 1, 23520.f, 10.f, -20.f}, // at the ceiling: placed
      {11, 0, 1600.f, 10.f, -100.f}, // below -40 dB: -40 dB
      {12, 1, 1700.f, 100.f, -20.f}, // above 60 Q: 60
      {13, 1, 1800.f, 0.1f, -20.f},  // below 0.5 Q: 0.5
  }};
  Rig r;
  ASSERT_TRUE(r.ok);
  r.prepare();
  r.add(3333.f, -15.f, 12.f); // slot 0, replaced
  r.silence(3);
  ASSERT_EQ(r.load(withSection(legacyState(0.0, 1.0), encode(section))), kResultOk);
  r.silence(30);
  const auto s = r.slots();
  ASSERT_EQ(s.size(), 20u);
  struct
  {
    int slot;
    int manual;
    float frequency, width, depth;
  } want[] = {{0, 1, 1000.f, 10.f, -20.f},  {7, 1, 20.f, 10.f, -20.f},
              {8, 1, 20.f, 10.f, -20.f},    {10, 1, 23520.f, 10.f, -20.f},
              {11, 0, 1600.f, 10.f, -40.f}, {12, 1, 1700.f, 60.f, -20.f},
              {13, 1, 1800.f, 0.5f, -20.f}};
  EXPECT_EQ(activeCount(s), 7);
  for (const auto& w : want)
  {
    SCOPED_TRACE(w.slot);
    const ProbedNotch& n = s[static_cast<size_t>(w.slot)];
    EXPECT_EQ(n.active, 1);
    EXPECT_EQ(n.manual, w.manual);
    EXPECT_EQ(n.frequency, w.frequency);
    EXPECT_EQ(n.width, w.width);
    EXPECT_EQ(n.targetDepth, w.depth);
  }
  // A mono state restores into every channel of a stereo instance.
  const Section back = decode(r.save());
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].size(), 7u);
}

TEST(ModuleNotchState, ResetsKeepManualAndHeldNotches)
{
  Rig r;
  ASSERT_TRUE(r.ok);
  const std::vector<ProbedNotch> rung = ringOut(r); // Hold is on
  r.add(22000.f, -10.f, 10.f);                      // above the 44.1 kHz ceiling (21609 Hz)
  r.add(1000.f, -20.f, 25.f);
  r.silence(20);
  std::vector<ProbedNotch> all = r.slots();
  ASSERT_EQ(activeCount(all), activeCount(rung) + 2);

  // Setup again at the same rate, and a stop and restart: nothing is lost.
  r.setup(48000.);
  expectSameSlots(r.slots(), all); // the snapshot shows the kept notches before the next block
  r.silence(2);
  expectSameSlots(r.slots(), all);
  ASSERT_EQ(r.plug.stop(), kResultOk);
  ASSERT_EQ(r.plug.start(), kResultOk);
  r.silence(2);
  expectSameSlots(r.slots(), all);

  // 48 -> 44.1 kHz: the notch above the new ceiling goes, the rest stay, designed for the new
  // rate (the 1 kHz notch cuts 1 kHz by its 20 dB, not 1088 Hz).
  ASSERT_EQ(r.plug.stop(), kResultOk);
  r.setup(44100.);
  ASSERT_EQ(r.plug.start(), kResultOk);
  r.silence(2);
  std::vector<ProbedNotch> at44 = r.slots();
  int dropped = -1;
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].active && all[i].frequency == 22000.f)
    {
      dropped = static_cast<int>(i);
      all[i].active = 0;
    }
  ASSERT_GE(dropped, 0);
  expectSameSlots(at44, all);
  const double cut = gainDb(r, 1000.);
  EXPECT_NEAR(cut, -20.0, 1.0);
  EXPECT_NEAR(gainDb(r, 1500.), 0.0, 0.5); // away from every notch

  // Without Hold a reset clears the automatic notches and keeps the manual ones.
  r.hold(false);
  ASSERT_EQ(r.plug.stop(), kResultOk);
  ASSERT_EQ(r.plug.start(), kResultOk);
  const auto unheld = r.slots();
  for (size_t i = 0; i < all.size(); ++i)
    EXPECT_EQ(unheld[i].active, all[i].active && all[i].manual) << i;
}
