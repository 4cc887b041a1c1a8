#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "plugin/IPluginAPIBase.h"
#include "tests/plugin/FakeContext.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace plugfw;

namespace {

Config TestConfig(int nParams = 10)
{
  Config c;
  c.nParams = nParams;
  c.nPresets = 2;
  c.channelIOStr = "1-1 2-2";
  c.pluginName = "Quellor";
  c.productName = "Quellor";
  c.mfrName = "Vantu";
  c.vendorVersion = 0x00010007;
  c.uniqueID = FourCC("Qlrx");
  c.mfrID = FourCC("VanU");
  c.plugHasUI = true;
  c.plugWidth = 740;
  c.plugHeight = 726;
  c.plugMinWidth = 8192; // deliberately reversed: the pair gets ordered
  c.plugMaxWidth = 256;
  c.plugMinHeight = 256;
  c.plugMaxHeight = 8192;
  return c;
}

class TestPlugin : public IPluginAPIBase
{
public:
  explicit TestPlugin(int nParams = 10) : IPluginAPIBase(TestConfig(nParams))
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->DeclareDouble("p", i, -100.0, 100.0, 0.1);
    MakeDefaultPreset();
  }

  void OnParamChange(int idx, EParamSource src, int offset) override
  {
    calls.push_back("change " + std::to_string(idx) + " " + ParamSourceStr(src) + " " +
                    std::to_string(offset));
  }
  void OnParamChangeForEditor(int idx, EParamSource src) override
  {
    calls.push_back("editor " + std::to_string(idx) + " " + ParamSourceStr(src));
  }
  void BeginHostEdit(int idx) override { calls.push_back("begin " + std::to_string(idx)); }
  void EndHostEdit(int idx) override { calls.push_back("end " + std::to_string(idx)); }
  void PerformHostEdit(int idx, double v) override
  {
    calls.push_back("perform " + std::to_string(idx) + " " + std::to_string(v));
  }
  void OnMidiMsgForEditor(const IMidiMsg& m) override { midiSeen.push_back(m); }
  void OnSysexMsgForEditor(const ISysEx& s) override { sysexSeen.push_back(s.mSize); }
  void OnIdleTick() override { ++idleTicks; }
  void OnHostIdentified() override { ++hostIdentified; }

  using IPluginAPIBase::StartIdleTimer;

  std::vector<std::string> calls;
  std::vector<IMidiMsg> midiSeen;
  std::vector<int> sysexSeen;
  int idleTicks = 0;
  int hostIdentified = 0;
};

} // namespace

TEST(PluginBase, ConstructionCopiesIdentityAndOrdersLimits)
{
  TestPlugin p;
  EXPECT_EQ(p.NParams(), 10);
  EXPECT_STREQ(p.GetPluginName(), "Quellor");
  EXPECT_STREQ(p.GetMfrName(), "Vantu");
  EXPECT_EQ(p.GetUniqueID(), 0x516C7278);
  EXPECT_EQ(p.GetMfrID(), 0x56616E55);
  EXPECT_EQ(p.GetPluginVersionStr(), "1.0.7");
  EXPECT_EQ(p.GetHost(), kHostUninit);
  EXPECT_EQ(p.GetMinWidth(), 256);
  EXPECT_EQ(p.GetMaxWidth(), 8192);
  EXPECT_EQ(p.GetEditorWidth(), 740);
  EXPECT_EQ(p.GetParam(10), nullptr);
  EXPECT_EQ(p.GetParam(-1), nullptr);
  ASSERT_EQ(p.NPresets(), 2);
  EXPECT_EQ(p.GetPreset(0)->mName, "Default");
  EXPECT_EQ(p.GetPreset(0)->mChunk.Size(), 80);
  EXPECT_EQ(p.GetPreset(1)->mName, "empty");
  EXPECT_FALSE(p.GetPreset(1)->mInitialized);
}

TEST(PluginBase, SerializeWritesLittleEndianDoublesInIndexOrder)
{
  TestPlugin p;
  p.GetParam(0)->SetValue(1.5);
  IByteChunk chunk;
  ASSERT_TRUE(p.SerializeParams(chunk));
  ASSERT_EQ(chunk.Size(), 80);
  const uint8_t expect15[8] = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}; // 1.5
  EXPECT_EQ(std::memcmp(chunk.GetData(), expect15, 8), 0);
  double v = 0;
  EXPECT_EQ(chunk.Get(&v, 8 * 3), 32);
  EXPECT_EQ(v, 3.0);
}

TEST(PluginBase, UnserializeFullShortAndHostileBlocks)
{
  TestPlugin src;
  for (int i = 0; i < 10; ++i)
    src.GetParam(i)->SetValue(10.0 + i);
  IByteChunk chunk;
  src.SerializeParams(chunk);

  TestPlugin dst;
  EXPECT_EQ(dst.UnserializeParams(chunk, 0), 80);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(dst.GetParam(i)->GetValue(), 10.0 + i);
  // OnAllParamsChanged("Preset") reached every parameter.
  EXPECT_EQ(std::count(dst.calls.begin(), dst.calls.end(), "change 9 Preset -1"), 1);
  EXPECT_EQ(std::count(dst.calls.begin(), dst.calls.end(), "editor 9 Preset"), 1);

  IByteChunk shortChunk;
  shortChunk.PutBytes(chunk.GetData(), 79);
  TestPlugin partial;
  partial.GetParam(9)->SetValue(-5.0);
  EXPECT_EQ(partial.UnserializeParams(shortChunk, 0), -1);
  EXPECT_EQ(partial.GetParam(8)->GetValue(), 18.0);
  EXPECT_EQ(partial.GetParam(9)->GetValue(), -5.0); // unread: keeps its old value
  EXPECT_FALSE(partial.calls.empty());              // notified after a short read too

  IByteChunk hostile;
  hostile.Put(std::numeric_limits<double>::quiet_NaN());
  hostile.Put(std::numeric_limits<double>::infinity());
  hostile.Put(-1e300);
  for (int i = 3; i < 10; ++i)
    hostile.Put(12.34);
  hostile.Put(int32_t(7)); // trailing bytes are not ours
  TestPlugin h;
  EXPECT_EQ(h.UnserializeParams(hostile, 0), 80);
  EXPECT_EQ(h.GetParam(0)->GetValue(), 0.0); // NaN ignored
  EXPECT_EQ(h.GetParam(1)->GetValue(), 100.0);
  EXPECT_EQ(h.GetParam(2)->GetValue(), -100.0);
  EXPECT_EQ(h.UnserializeParams(hostile, -4), -1);
  EXPECT_EQ(h.UnserializeParams(hostile, 1000), -1);
}

TEST(PluginBase, PresetsDefaultAndUserNames)
{
  TestPlugin p;
  p.GetParam(2)->SetValue(50.0);
  EXPECT_TRUE(p.RestorePreset(0)); // "Default" brings the defaults back
  EXPECT_EQ(p.GetParam(2)->GetValue(), 2.0);
  p.GetParam(2)->SetValue(60.0);
  EXPECT_TRUE(p.RestorePreset(1)); // uninitialised: captures the current state
  EXPECT_EQ(p.GetPreset(1)->mName, "user preset 1");
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);
  p.GetParam(2)->SetValue(0.0);
  EXPECT_TRUE(p.RestorePreset(1));
  EXPECT_EQ(p.GetParam(2)->GetValue(), 60.0);
  EXPECT_FALSE(p.RestorePreset(2));
  EXPECT_FALSE(p.RestorePreset(-1));
  EXPECT_FALSE(p.MakeDefaultPreset()); // no uninitialised preset left
}

TEST(PluginBase, HostIdentification)
{
  EXPECT_EQ(LookUpHost("WaveLab Elements 12"), 32);
  EXPECT_EQ(LookUpHost("WaveLab 11"), 31);
  EXPECT_EQ(LookUpHost("REAPER"), 1);
  EXPECT_EQ(LookUpHost("Ardour"), 28);
  EXPECT_EQ(LookUpHost("Harrison Mixbus"), 45);
  EXPECT_EQ(LookUpHost("Ableton Live 12"), 9);
  EXPECT_EQ(LookUpHost("My Standalone www host"), 24);
  EXPECT_EQ(LookUpHost("Nothing Known"), 0);
  EXPECT_EQ(LookUpHost(nullptr), 0);

  TestPlugin p;
  p.SetHost("Reaper64");
  EXPECT_EQ(p.GetHost(), 1);
  EXPECT_STREQ(p.GetHostName(), "Reaper64");
  p.SetHost("Cubase");
  EXPECT_EQ(p.GetHost(), 1); // identified once
  EXPECT_EQ(p.hostIdentified, 1);
  TestPlugin q;
  q.SetHost(std::string(300, 'x').c_str());
  EXPECT_EQ(std::string(q.GetHostName()).size(), 128u);
}

TEST(PluginBase, QueuesKeepOneSlotFreeAndDropWhenFull)
{
  TestPlugin p;
  for (int i = 0; i < 33; ++i)
    p.DeferMidiMsg(IMidiMsg(i, 0xB0, 1, 2));
  EXPECT_EQ(p.MidiMsgsFromEditor().ElementsAvailable(), 32u);
  IMidiMsg m;
  ASSERT_TRUE(p.MidiMsgsFromEditor().Pop(m));
  EXPECT_EQ(m.mOffset, 0);

  ISysEx big;
  big.mSize = 100000; // larger than a block holds: copied up to 512 bytes
  big.mData[511] = 9;
  for (int i = 0; i < 6; ++i)
    p.DeferSysexMsg(big);
  EXPECT_EQ(p.SysExDataFromEditor().ElementsAvailable(), 4u);
  ISysEx out;
  ASSERT_TRUE(p.SysExDataFromEditor().Pop(out));
  EXPECT_EQ(out.mData[511], 9);

  for (int i = 0; i < 600; ++i)
    p.SendParameterValueFromAPI(1, 0.5, true);
  EXPECT_EQ(p.ParamChangeFromProcessor().ElementsAvailable(), 512u);
  ParamTuple t;
  ASSERT_TRUE(p.ParamChangeFromProcessor().Pop(t));
  EXPECT_EQ(t.idx, 1);
  EXPECT_EQ(t.value, 0.0);
  p.SendParameterValueFromAPI(99, 0.5, true); // unknown index: nothing queued
  p.SendParameterValueFromAPI(1, std::nan(""), false);
  EXPECT_EQ(p.ParamChangeFromProcessor().ElementsAvailable(), 511u);
}

TEST(PluginBase, UiEditPathCallsHostHooksInOrder)
{
  TestPlugin p;
  p.BeginParameterChangeFromUI(3);
  p.SetParameterValueFromUI(3, 0.75);
  p.EndParameterChangeFromUI(3);
  const std::vector<std::string> expected = {"begin 3", "perform 3 0.750000", "change 3 UI -1",
                                             "editor 3 UI", "end 3"};
  EXPECT_EQ(p.calls, expected);
  EXPECT_EQ(p.GetParam(3)->GetValue(), 50.0);
  p.calls.clear();
  p.SetParameterValueFromUI(3, std::nan(""));
  p.SetParameterValueFromUI(42, 0.5);
  EXPECT_TRUE(p.calls.empty());
  p.SendParameterValuesToHost();
  EXPECT_EQ(p.calls.size(), 10u);
}

TEST(PluginBase, TimerTickDrainsAudioSideQueuesThenIdles)
{
  TestPlugin p;
  p.MidiMsgsFromProcessor().Push(IMidiMsg(0, 0x90, 60, 1));
  p.MidiMsgsFromProcessor().Push(IMidiMsg(1, 0x80, 60, 0));
  ISysEx s;
  s.mSize = 3;
  p.SysExDataFromProcessor().Push(s);
  p.StartIdleTimer();
  ASSERT_NE(p.GetTimer(), nullptr);
  p.GetTimer()->Tick();
  EXPECT_EQ(p.midiSeen.size(), 2u);
  EXPECT_EQ(p.sysexSeen, std::vector<int>{3});
  EXPECT_EQ(p.idleTicks, 1);
  EXPECT_EQ(p.GetTimer()->IntervalMs(), 20u);
}

TEST(PluginBase, TimersRegisterStopTwiceAndTickAll)
{
  const int before = Timer::NLiveTimers();
  int a = 0, b = 0;
  std::unique_ptr<Timer> ta(Timer::Create([&](Timer&) { ++a; }, 20));
  std::unique_ptr<Timer> tb(Timer::Create(
      [&](Timer& self) {
        ++b;
        self.Stop();
      },
      20));
  EXPECT_EQ(Timer::NLiveTimers(), before + 2);
  Timer::TickAll();
  Timer::TickAll();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1); // stopped itself in its first callback
  ta->Stop();
  ta->Stop();
  ta->Tick();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(Timer::NLiveTimers(), before);
}

#ifdef _WIN32
TEST(PluginBase, WindowsTimerFiresOnCreatingThreadsMessageLoop)
{
  int n = 0;
  const DWORD tid = GetCurrentThreadId();
  bool sameThread = true;
  std::unique_ptr<Timer> t(Timer::Create(
      [&](Timer&) {
        ++n;
        sameThread &= (GetCurrentThreadId() == tid);
      },
      10));
  const DWORD start = GetTickCount();
  while (n < 3 && GetTickCount() - start < 5000)
  {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessage(&msg);
    Sleep(1);
  }
  EXPECT_GE(n, 3);
  EXPECT_TRUE(sameThread);
}
#endif

TEST(EditorDelegate, OpenCloseKeepsSizeAndScaleAcrossOpenings)
{
  TestPlugin p;
  int made = 0, destroyed = 0, laidOut = 0;
  FakeContext* last = nullptr;
  p.SetMakeGraphicsFunc([&]() -> IGraphicsContext* {
    ++made;
    last = new FakeContext;
    last->destroyed = &destroyed;
    return last;
  });
  p.SetLayoutFunc([&](IGraphicsContext* ctx) { laidOut += (ctx == last); });

  int parent = 0;
  EXPECT_EQ(p.OpenEditor(&parent), &parent);
  EXPECT_TRUE(last->open);
  EXPECT_EQ(laidOut, 1);
  EXPECT_EQ(p.GetUI(), last);
  p.OnParentWindowResize(1000, 800); // parent in pixels, divided by the draw scale
  EXPECT_EQ(last->w, 1000);
  last->scale = 2.0f;
  p.OnParentWindowResize(1000, 800);
  EXPECT_EQ(last->w, 500);
  EXPECT_EQ(last->h, 400);
  p.CloseEditor();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(p.GetUI(), nullptr);
  EXPECT_EQ(p.GetSavedWidth(), 500);
  EXPECT_EQ(p.GetSavedScale(), 2.0f);
  p.CloseEditor(); // nothing open: harmless

  p.OpenEditor(&parent);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(last->log.front(), "resize 500x400"); // saved size restored before the window opens
  EXPECT_EQ(last->scale, 2.0f);

  IByteChunk sizeChunk;
  EXPECT_TRUE(p.SerializeEditorSize(sizeChunk));
  EXPECT_EQ(sizeChunk.Size(), 12);
  p.CloseEditor();

  TestPlugin q;
  EXPECT_EQ(q.UnserializeEditorSize(sizeChunk, 0), 12);
  EXPECT_EQ(q.GetSavedWidth(), 500);
  EXPECT_EQ(q.UnserializeEditorSize(sizeChunk, 4), -1); // short
  IByteChunk bad;
  bad.Put(int32_t(-5));
  bad.Put(int32_t(1 << 30));
  bad.Put(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(q.UnserializeEditorSize(bad, 0), 12);
  EXPECT_EQ(q.GetSavedScale(), 2.0f); // nonsense scale ignored
  IByteChunk big;
  big.Put(int32_t(-5));
  big.Put(int32_t(1 << 30));
  big.Put(1.0f);
  q.UnserializeEditorSize(big, 0);
  EXPECT_EQ(q.GetSavedWidth(), 256); // sizes constrained to the limits
  EXPECT_EQ(q.GetSavedHeight(), 8192);
}

TEST(EditorDelegate, NoMakeGraphicsMeansNoEditor)
{
  TestPlugin p;
  EXPECT_EQ(p.OpenEditor(nullptr), nullptr);
  EXPECT_FALSE(p.OnKeyDown(IKeyPress(" ", 32)));
  p.PushValueToControls(0, 1.0, false);
  p.SetScreenScale(2.0f);
  p.CloseEditor();
  EXPECT_EQ(p.GetUI(), nullptr);
}

TEST(EditorDelegate, KeysValuesAndMessagesReachTheOpenContext)
{
  TestPlugin p;
  FakeContext* ctx = nullptr;
  p.SetMakeGraphicsFunc([&]() -> IGraphicsContext* { return ctx = new FakeContext; });
  p.OpenEditor(nullptr);
  EXPECT_TRUE(p.OnKeyDown(IKeyPress(" ", 32)));
  EXPECT_EQ(ctx->log.back(), "keydown 32 at 12,34");
  EXPECT_FALSE(p.OnKeyUp(IKeyPress("a", 65)));

  p.calls.clear();
  p.PushValueToControls(1, 50.0, false); // plain value normalised first
  ASSERT_EQ(ctx->paramValues.size(), 1u);
  EXPECT_DOUBLE_EQ(ctx->paramValues[0].second, 0.75);
  EXPECT_EQ(p.calls.back(), "editor 1 Editor Delegate");

  ctx->paramValues.clear();
  p.OnEditorOpen();
  EXPECT_EQ(ctx->paramValues.size(), 10u);

  p.SendControlValueFromDelegate(7, 0.25);
  EXPECT_EQ(ctx->log.back(), "ctrl 7=0.250000");
  p.SendControlMsgFromDelegate(7, 3);
  EXPECT_EQ(ctx->log.back(), "ctrlmsg 7:3");
  p.SendMidiMsgFromDelegate(IMidiMsg(0, 0x90, 1, 1));
  EXPECT_EQ(ctx->log.back(), "midi 144");
  EXPECT_EQ(p.midiSeen.size(), 1u);
  p.SetScreenScale(1.5f);
  EXPECT_EQ(ctx->screenScale, 1.5f);
  p.SetScreenScale(std::nanf(""));
  EXPECT_EQ(ctx->screenScale, 1.5f);

  int w = 100000, h = 10;
  EXPECT_FALSE(p.ConstrainEditorResize(w, h));
  EXPECT_EQ(w, 8192);
  EXPECT_EQ(h, 256);
  w = 800;
  h = 600;
  EXPECT_TRUE(p.ConstrainEditorResize(w, h));
  EXPECT_FALSE(p.EditorResizeFromUI(800, 600, true)); // base host hook does nothing
  EXPECT_TRUE(p.EditorResizeFromUI(800, 600, false));
}

TEST(PluginBase, CompareStateAndSmallHelpers)
{
  TestPlugin p;
  IByteChunk c;
  p.SerializeParams(c);
  EXPECT_TRUE(p.CompareState(c.GetData(), 0));
  p.GetParam(4)->SetValue(4.1);
  EXPECT_FALSE(p.CompareState(c.GetData(), 0));
  EXPECT_FALSE(p.CompareState(nullptr, 0));
  std::vector<int> list;
  p.ListParameterIndices(3, list);
  EXPECT_EQ(list, (std::vector<int>{0, 1, 2}));
  p.ListParameterIndices(10, list);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_TRUE(p.IsNegatedPair(5, -5));
  EXPECT_FALSE(p.IsNegatedPair(5, 5));
  EXPECT_FALSE(p.IsNegatedPair(std::numeric_limits<int>::min(), std::numeric_limits<int>::min()));
}
