#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/plugin/FakeContext.h"
#include "plugin/IHostContextMenu.h"
#include "tests/vst3/Harness.h"
#include "vst3/IPluginVST3View.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::u16string Str(const TChar* s)
{
  return std::u16string(s);
}

const ParameterInfo* FindInfo(TestPlug* p, ParamID id, ParameterInfo& info)
{
  for (int32 i = 0; i < p->getParameterCount(); ++i)
    if (p->getParameterInfo(i, info) == kResultTrue && info.id == id)
      return &info;
  return nullptr;
}

} // namespace

TEST(VST3Controller, ParameterInfoFromIParams)
{
  Harness h;
  TestPlug* p = h.plug;
  EXPECT_EQ(p->getParameterCount(), TestPlug::kNumParams + 1);
  ParameterInfo info{};

  ASSERT_NE(FindInfo(p, plugfw::kBypassParamID, info), nullptr);
  EXPECT_EQ(Str(info.title), u"Bypass");
  EXPECT_EQ(info.flags, 0x10009);
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(info.unitId, 0);
  String128 s{};
  p->getParamStringByValue(plugfw::kBypassParamID, 1.0, s);
  EXPECT_EQ(Str(s), u"on");
  p->getParamStringByValue(plugfw::kBypassParamID, 0.0, s);
  EXPECT_EQ(Str(s), u"off");

  ASSERT_NE(FindInfo(p, TestPlug::kTrim, info), nullptr);
  EXPECT_EQ(Str(info.title), u"Master Trim");
  EXPECT_EQ(Str(info.units), u"dB");
  EXPECT_EQ(Str(info.shortTitle), u"");
  EXPECT_EQ(info.stepCount, 0);
  EXPECT_EQ(info.defaultNormalizedValue, 0.5);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
  EXPECT_EQ(info.unitId, 0);
  p->getParamStringByValue(TestPlug::kTrim, 0.5, s);
  EXPECT_EQ(Str(s), u"0.0");
  auto* trimObj = FCast<plugfw::IPluginVST3Parameter>(p->getParameterObject(TestPlug::kTrim));
  ASSERT_NE(trimObj, nullptr);
  EXPECT_EQ(trimObj->getPrecision(), 1);
  EXPECT_TRUE(trimObj->isA("IPluginVST3Parameter"));
  EXPECT_TRUE(trimObj->isTypeOf("Vst::Parameter"));
  EXPECT_TRUE(trimObj->isTypeOf("Parameter"));
  EXPECT_FALSE(trimObj->isA("Parameter"));
  EXPECT_FALSE(trimObj->isTypeOf("StringListParameter"));
  auto* bypassObj =
      FCast<plugfw::IPluginVST3BypassParameter>(p->getParameterObject(plugfw::kBypassParamID));
  ASSERT_NE(bypassObj, nullptr);
  EXPECT_STREQ(bypassObj->isA(), "IPluginVST3BypassParameter");
  EXPECT_TRUE(bypassObj->isTypeOf("StringListParameter"));
  EXPECT_TRUE(bypassObj->isTypeOf("Parameter"));
  EXPECT_TRUE(bypassObj->isTypeOf("FObject"));

  ASSERT_NE(FindInfo(p, TestPlug::kHold, info), nullptr);
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(Str(info.units), u""); // "off" has its own text
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);

  ASSERT_NE(FindInfo(p, TestPlug::kMode, info), nullptr);
  EXPECT_EQ(info.stepCount, 2);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList);
  EXPECT_EQ(info.unitId, 1);

  ASSERT_NE(FindInfo(p, TestPlug::kLocked, info), nullptr);
  EXPECT_EQ(info.flags, 0); // cannot be automated
  EXPECT_EQ(info.unitId, 1);
  ASSERT_NE(FindInfo(p, TestPlug::kLatency, info), nullptr);
  EXPECT_EQ(info.unitId, 2);

  ASSERT_EQ(p->getUnitCount(), 3);
  UnitInfo unit{};
  p->getUnitInfo(0, unit);
  EXPECT_EQ(unit.id, 0);
  EXPECT_EQ(unit.parentUnitId, -1);
  EXPECT_EQ(Str(unit.name), u"Root");
  p->getUnitInfo(2, unit);
  EXPECT_EQ(unit.id, 2);
  EXPECT_EQ(unit.parentUnitId, 0);
  EXPECT_EQ(Str(unit.name), u"Other");
  EXPECT_EQ(unit.programListId, -1);
}

TEST(VST3Controller, TextAndValueConversions)
{
  Harness h;
  TestPlug* p = h.plug;
  ParamValue v = -1;
  TChar on[] = u"on";
  EXPECT_EQ(p->getParamValueByString(TestPlug::kHold, on, v), kResultTrue);
  EXPECT_EQ(v, 1.0);
  TChar junk[] = u"abc";
  EXPECT_EQ(p->getParamValueByString(TestPlug::kTrim, junk, v), kResultTrue); // never a failure
  EXPECT_EQ(v, 0.5);
  TChar num[] = u"-12.0 dB";
  p->getParamValueByString(TestPlug::kTrim, num, v);
  EXPECT_DOUBLE_EQ(v, 0.25);
  EXPECT_DOUBLE_EQ(p->normalizedParamToPlain(TestPlug::kTrim, 0.75), 12.0);
  EXPECT_DOUBLE_EQ(p->plainParamToNormalized(TestPlug::kTrim, 100.0), 1.0);
  EXPECT_EQ(p->normalizedParamToPlain(TestPlug::kMode, 0.4), 1.0);
  String128 s{};
  p->getParamStringByValue(TestPlug::kMode, 1.0, s);
  EXPECT_EQ(Str(s), u"fast");
}

TEST(VST3Controller, SetParamNormalizedReachesParameterAndEditor)
{
  Harness h;
  TestPlug* p = h.plug;
  FakeContext* ctx = nullptr;
  p->SetMakeGraphicsFunc([&]() -> plugfw::IGraphicsContext* { return ctx = new FakeContext; });
  p->OpenEditor(nullptr);
  EXPECT_EQ(p->setParamNormalized(TestPlug::kTrim, 0.25), kResultTrue);
  EXPECT_EQ(p->GetParam(TestPlug::kTrim)->GetValue(), -12.0);
  EXPECT_EQ(p->getParamNormalized(TestPlug::kTrim), 0.25);
  ASSERT_FALSE(ctx->paramValues.empty());
  EXPECT_EQ(ctx->paramValues.back(), (std::pair<int, double>{TestPlug::kTrim, 0.25}));
  EXPECT_EQ(p->setParamNormalized(TestPlug::kTrim, 7.0), kResultTrue); // clamped
  EXPECT_EQ(p->GetParam(TestPlug::kTrim)->GetValue(), 24.0);
  EXPECT_EQ(p->setParamNormalized(TestPlug::kTrim, std::nan("")), kResultFalse);
  EXPECT_EQ(p->GetParam(TestPlug::kTrim)->GetValue(), 24.0);
  EXPECT_EQ(p->setParamNormalized(12345, 0.5), kResultFalse);
  EXPECT_EQ(p->getParamNormalized(12345), 0.0);
  EXPECT_TRUE(h.handler.calls.empty() ||
              h.handler.calls.back().rfind("restart", 0) == 0); // no edit echo
  p->CloseEditor();
}

TEST(VST3Controller, EditsFromTheEditorReachTheHost)
{
  Harness h;
  h.handler.calls.clear();
  h.plug->BeginParameterChangeFromUI(TestPlug::kGain);
  h.plug->SetParameterValueFromUI(TestPlug::kGain, 0.25);
  h.plug->EndParameterChangeFromUI(TestPlug::kGain);
  EXPECT_EQ(h.handler.calls, (std::vector<std::string>{"begin 0", "perform 0 0.250000", "end 0"}));
  EXPECT_EQ(h.plug->getParamNormalized(TestPlug::kGain), 0.25);
  EXPECT_EQ(h.plug->GetParam(TestPlug::kGain)->GetValue(), 0.5);
  h.handler.calls.clear();
  h.plug->SendParameterValuesToHost();
  EXPECT_EQ(h.handler.calls.size(), static_cast<size_t>(TestPlug::kNumParams));
  h.handler.calls.clear();
  h.plug->InformHostOfParameterDetailsChange();
  EXPECT_EQ(h.handler.calls, std::vector<std::string>{"restart 16"});
}

TEST(VST3Controller, InterfaceQueriesAndStateStubs)
{
  Harness h;
  FUnknown* unknown = static_cast<IAudioProcessor*>(h.plug);
  void* obj = nullptr;
  EXPECT_EQ(unknown->queryInterface(IConnectionPoint::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  const FUID* ids[] = {&IMidiMapping::iid,
                       &ChannelContext::IInfoListener::iid,
                       &IComponent::iid,
                       &IAudioProcessor::iid,
                       &IProcessContextRequirements::iid,
                       &IUnitInfo::iid,
                       &IEditController::iid,
                       &IEditController2::iid,
                       &FUnknown::iid};
  for (const FUID* id : ids)
  {
    obj = nullptr;
    ASSERT_EQ(unknown->queryInterface(*id, &obj), kResultOk);
    // Every interface leads back to the same object.
    void* back = nullptr;
    static_cast<FUnknown*>(obj)->queryInterface(FUnknown::iid, &back);
    void* first = nullptr;
    unknown->queryInterface(FUnknown::iid, &first);
    EXPECT_EQ(back, first);
    static_cast<FUnknown*>(back)->release();
    static_cast<FUnknown*>(first)->release();
    static_cast<FUnknown*>(obj)->release();
  }
  EXPECT_EQ(h.plug->getProcessContextRequirements(), 0u);
  fakehost::MemoryStream s;
  EXPECT_EQ(static_cast<IEditController*>(h.plug)->getState(&s), kResultOk);
  EXPECT_TRUE(s.data.empty());
  EXPECT_EQ(static_cast<IEditController*>(h.plug)->setState(&s), kResultOk);
  EXPECT_EQ(h.plug->setComponentState(&s), kResultOk);
}

TEST(VST3Controller, MidiMappingAndChannelContext)
{
  Harness h;
  ParamID id = 0;
  EXPECT_EQ(h.plug->getMidiControllerAssignment(0, 0, 7, id), kResultTrue);
  EXPECT_EQ(id, 65545u);
  EXPECT_EQ(h.plug->getMidiControllerAssignment(0, 1, 7, id), kResultFalse);
  EXPECT_EQ(h.plug->getMidiControllerAssignment(1, 0, 7, id), kResultFalse);
  EXPECT_EQ(h.plug->getMidiControllerAssignment(0, 0, -1, id), kResultFalse);

  fakehost::AttributeList list;
  list.strings["channel name"] = u"Vocal Mic";
  list.ints["channel name length"] = 9;
  list.ints["channel index"] = 4;
  list.ints["channel color"] = 0xFF102030;
  list.strings["channel uid"] = u"uid-0123456789"; // length attribute lies: cut, still terminated
  list.ints["channel uid length"] = 3;
  EXPECT_EQ(h.plug->setChannelContextInfos(&list), kResultTrue);
  std::string name;
  h.plug->GetTrackName(name);
  EXPECT_EQ(name, "Vocal Mic");
  EXPECT_EQ(h.plug->GetTrackIndex(), 4);
  int r, g, b;
  h.plug->GetTrackColor(r, g, b);
  EXPECT_EQ(r, 0x10);
  EXPECT_EQ(g, 0x20);
  EXPECT_EQ(b, 0x30);
  fakehost::AttributeList empty; // absent attributes keep what was stored
  EXPECT_EQ(h.plug->setChannelContextInfos(&empty), kResultTrue);
  EXPECT_EQ(h.plug->setChannelContextInfos(nullptr), kResultTrue);
  h.plug->GetTrackName(name);
  EXPECT_EQ(name, "Vocal Mic");
}

TEST(VST3Controller, MidiControllerParametersWithMidiInput)
{
  fakehost::HostApp host;
  TestPlug* p = new TestPlug(true, true);
  p->initialize(&host);
  EXPECT_EQ(p->getParameterCount(), TestPlug::kNumParams + 1 + 130);
  EXPECT_EQ(p->getBusCount(kEvent, kInput), 1);
  ParameterInfo info{};
  for (int32 i = 0; i < p->getParameterCount(); ++i)
  {
    p->getParameterInfo(i, info);
    if (info.id == 65545)
    {
      EXPECT_EQ(std::u16string(info.title), u"MainVolume");
    }
    if (info.id == 65541)
    {
      EXPECT_EQ(std::u16string(info.title), u"Contr. 3");
    }
    if (info.id == 65667)
    {
      EXPECT_EQ(std::u16string(info.title), u"Pitch Bend");
      EXPECT_EQ(info.defaultNormalizedValue, 0.5);
    }
  }
  ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
  p->setupProcessing(setup);
  fakehost::ParamChanges changes;
  changes.Add(65667, {{0, 0.5}});     // pitch bend centre
  changes.Add(65538 + 7, {{3, 1.0}}); // CC 7
  fakehost::Buffers<float> b(2, 2, 8);
  ProcessData d = b.Data(8, &changes);
  p->process(d);
  plugfw::IMidiMsg m;
  ASSERT_TRUE(p->MidiMsgsFromProcessor().Pop(m));
  EXPECT_EQ(m.mStatus, 0xE0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 64);
  ASSERT_TRUE(p->MidiMsgsFromProcessor().Pop(m));
  EXPECT_EQ(m.mStatus, 0xB0);
  EXPECT_EQ(m.mData1, 7);
  EXPECT_EQ(m.mData2, 127);
  EXPECT_EQ(m.mOffset, 3);
  p->terminate();
  p->release();
}

namespace {

// A run loop that records what is registered with it.
struct RecordingRunLoop : Linux::IRunLoop
{
  FAKE_UNKNOWN(Linux::IRunLoop)
  std::vector<FUnknown*> timers, handlers;
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* h, Linux::FileDescriptor) override
  {
    h->addRef();
    handlers.push_back(h);
    return kResultTrue;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* h) override
  {
    return Drop(handlers, h);
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* h, Linux::TimerInterval) override
  {
    h->addRef();
    timers.push_back(h);
    return kResultTrue;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* h) override { return Drop(timers, h); }
  static tresult Drop(std::vector<FUnknown*>& list, FUnknown* h)
  {
    auto it = std::find(list.begin(), list.end(), h);
    if (it == list.end())
      return kResultFalse;
    list.erase(it);
    h->release();
    return kResultTrue;
  }
};

// The host's editor frame; it answers the run loop too when one is set.
struct LoopFrame : IPlugFrame
{
  RecordingRunLoop* loop = nullptr;
  int refs = 1;
  tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultTrue; }
  tresult PLUGIN_API queryInterface(const TUID id, void** obj) override
  {
    if (loop && FUnknownPrivate::iidEqual(id, Linux::IRunLoop::iid))
      return loop->queryInterface(id, obj);
    if (FUnknownPrivate::iidEqual(id, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(id, FUnknown::iid))
    {
      *obj = static_cast<IPlugFrame*>(this);
      ++refs;
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++refs); }
  uint32 PLUGIN_API release() override { return static_cast<uint32>(--refs); }
};

// A context that registers a frame timer through the run loop it is given, and never removes it.
struct LoopContext : FakeContext
{
  plugfw::IHostRunLoop** seen;
  bool* failOpen;
  LoopContext(plugfw::IHostRunLoop** s, bool* f) : seen(s), failOpen(f) {}
  void SetHostRunLoop(plugfw::IHostRunLoop* l) override { *seen = l; }
  void* OpenWindow(void* parent) override
  {
    if (*seen)
    {
      (*seen)->AddTimer(33, [] {});
      (*seen)->AddDescriptorHandler(0, [] {});
    }
    FakeContext::OpenWindow(parent);
    return *failOpen ? nullptr : parent;
  }
};

} // namespace

TEST(VST3View, NativeWindowAndTheHostRunLoop)
{
  Harness h;
  plugfw::IHostRunLoop* seen = nullptr;
  bool failOpen = false;
  int made = 0;
  h.plug->SetMakeGraphicsFunc([&]() -> plugfw::IGraphicsContext* {
    ++made;
    return new LoopContext(&seen, &failOpen);
  });
  IPlugView* view = h.plug->createView("editor");
  ASSERT_NE(view, nullptr);
  const char* native = plugfw::IPluginVST3View::NativePlatformType();
  int parent = 0;
  if (!plugfw::IPluginVST3View::NativeWindowNeedsRunLoop())
  {
    // Windows: the window runs on system timers; no frame needed.
    EXPECT_EQ(view->attached(&parent, native), kResultTrue);
    EXPECT_EQ(seen, nullptr);
    EXPECT_EQ(view->removed(), kResultOk);
    view->release();
    return;
  }
  // A frame without a run loop: a clean refusal, nothing made.
  LoopFrame bare;
  view->setFrame(&bare);
  EXPECT_EQ(view->attached(&parent, native), kResultFalse);
  EXPECT_EQ(made, 0);
  EXPECT_EQ(h.plug->GetUI(), nullptr);
  view->setFrame(nullptr);

  // With one: the context gets it before its window opens; closing leaves nothing registered
  // beyond the plug-in's idle timer (which the frame's loop also drives).
  RecordingRunLoop loop;
  LoopFrame frame;
  frame.loop = &loop;
  view->setFrame(&frame);
  const size_t idleTimers = loop.timers.size();
  ASSERT_EQ(view->attached(&parent, native), kResultTrue);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(loop.timers.size(), idleTimers + 1);
  EXPECT_EQ(loop.handlers.size(), 1u);
  EXPECT_EQ(view->attached(&parent, native), kResultFalse); // twice without removed
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(loop.timers.size(), idleTimers);
  EXPECT_TRUE(loop.handlers.empty());
  EXPECT_EQ(h.plug->GetHostRunLoop(), nullptr);

  // A window that cannot be made: attached fails and takes its registrations back.
  failOpen = true;
  EXPECT_EQ(view->attached(&parent, native), kResultFalse);
  EXPECT_EQ(h.plug->GetUI(), nullptr);
  EXPECT_EQ(loop.timers.size(), idleTimers);
  EXPECT_TRUE(loop.handlers.empty());
  failOpen = false;
  // Reopening works after a failure.
  EXPECT_EQ(view->attached(&parent, native), kResultTrue);
  EXPECT_EQ(made, 3);
  view->release(); // released while attached: closed, and its registrations dropped
  EXPECT_EQ(loop.timers.size(), idleTimers);
  EXPECT_TRUE(loop.handlers.empty());
  h.plug->terminate(); // the idle timer goes with terminate
  EXPECT_TRUE(loop.timers.empty());
}

TEST(VST3View, CreationPlatformSizeAndKeys)
{
  Harness h;
  EXPECT_EQ(h.plug->createView("other"), nullptr);
  IPlugView* view = h.plug->createView("editor");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(h.plug->GetCurrentView(), view);
  const char* native = plugfw::IPluginVST3View::NativePlatformType();
  const char* other = std::strcmp(native, "HWND") == 0 ? "X11EmbedWindowID" : "HWND";
  EXPECT_EQ(view->isPlatformTypeSupported(native), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported(other), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);
  ViewRect r;
  EXPECT_EQ(view->getSize(&r), kResultTrue);
  EXPECT_EQ(r.getWidth(), 740);
  EXPECT_EQ(r.getHeight(), 726);
  EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);
  EXPECT_EQ(view->canResize(), kResultFalse);
  EXPECT_EQ(view->onSize(&r), kResultFalse); // the host may not resize this editor
  ViewRect big(10, 10, 10 + 20000, 10 + 100);
  EXPECT_EQ(view->checkSizeConstraint(&big), kResultTrue);
  EXPECT_EQ(big.right, 10 + 8192);
  EXPECT_EQ(big.bottom, 10 + 256);

  void* obj = nullptr;
  ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid, &obj), kResultOk);
  EXPECT_EQ(static_cast<IPlugViewContentScaleSupport*>(obj)->setContentScaleFactor(2.0f),
            kResultTrue);
  static_cast<FUnknown*>(obj)->release();
  EXPECT_EQ(view->queryInterface(IEditController::iid, &obj), kNoInterface);

  // Another platform's type is accepted without opening anything.
  RecordingRunLoop loop;
  LoopFrame frame;
  frame.loop = &loop;
  view->setFrame(&frame);
  int made = 0;
  h.plug->SetMakeGraphicsFunc([&]() -> plugfw::IGraphicsContext* {
    ++made;
    return new FakeContext;
  });
  EXPECT_EQ(view->attached(nullptr, other), kResultTrue);
  EXPECT_EQ(made, 0);
  int parent = 0;
  EXPECT_EQ(view->attached(&parent, native), kResultTrue);
  EXPECT_EQ(made, 1);
  EXPECT_NE(h.plug->GetUI(), nullptr);
  EXPECT_EQ(view->onKeyDown(u' ', 7, 0), kResultTrue); // FakeContext handles space
  EXPECT_EQ(view->onKeyDown(u'a', 0, 0), kResultFalse);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(h.plug->GetUI(), nullptr);

  // Released while attached: the editor is closed with the view.
  view->attached(&parent, native);
  view->setFrame(nullptr);
  view->release();
  EXPECT_EQ(h.plug->GetUI(), nullptr);
  EXPECT_EQ(h.plug->GetCurrentView(), nullptr);
  h.plug->terminate(); // the frame's run loop must outlive the plug-in's idle timer on it
  EXPECT_TRUE(loop.timers.empty());
}

TEST(VST3View, KeyTranslation)
{
  plugfw::IKeyPress k;
  ASSERT_TRUE(plugfw::IPluginVST3View::TranslateKey(0, 0, 145, 1, k)); // 'A' from the code alone
  EXPECT_STREQ(k.utf8, "A");
  EXPECT_EQ(k.VK, 65);
  EXPECT_TRUE(k.S);
  ASSERT_TRUE(plugfw::IPluginVST3View::TranslateKey(0, 0, 40, 4, k)); // F1 with control
  EXPECT_EQ(k.VK, 112);
  EXPECT_TRUE(k.C);
  EXPECT_STREQ(k.utf8, "");
  plugfw::IPluginVST3View::TranslateKey(0, 0, 12, 2, k); // up arrow with alt
  EXPECT_EQ(k.VK, 38);
  EXPECT_TRUE(k.A);
  plugfw::IPluginVST3View::TranslateKey(0, 0, 22, 0, k);
  EXPECT_EQ(k.VK, 46);
  plugfw::IPluginVST3View::TranslateKey(0, 0x4E2D, 0, 0, k); // not one byte in any 8-bit code page
  EXPECT_STREQ(k.utf8, "");
  plugfw::IPluginVST3View::TranslateKey(0, u'?', 0, 1, k); // a real '?' is text, not a failure
  EXPECT_STREQ(k.utf8, "?");
  plugfw::IPluginVST3View::TranslateKey(0, 0, 99, 0, k);
  EXPECT_EQ(k.VK, 0);
  // Host id 1 routes only the space key.
  EXPECT_FALSE(plugfw::IPluginVST3View::TranslateKey(1, u'a', 0, 0, k));
  ASSERT_TRUE(plugfw::IPluginVST3View::TranslateKey(1, 0, 7, 0, k));
  EXPECT_EQ(k.VK, 32);
  EXPECT_STREQ(k.utf8, " ");
}

TEST(VST3View, NoViewWithoutEditor)
{
  fakehost::HostApp host;
  TestPlug* p = new TestPlug(false);
  p->initialize(&host);
  EXPECT_EQ(p->createView("editor"), nullptr);
  p->terminate();
  p->release();
}

namespace {

struct FakeMenu : IContextMenu
{
  FAKE_UNKNOWN(IContextMenu)
  std::vector<std::pair<std::u16string, int>> items;
  std::vector<IContextMenuTarget*> targets;
  int popX = -1, popY = -1;
  int32 PLUGIN_API getItemCount() override { return static_cast<int32>(items.size()); }
  tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
  tresult PLUGIN_API addItem(const Item& item, IContextMenuTarget* target) override
  {
    items.emplace_back(item.name, item.tag);
    target->addRef();
    targets.push_back(target);
    return kResultOk;
  }
  tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultFalse; }
  tresult PLUGIN_API popup(UCoord x, UCoord y) override
  {
    popX = x;
    popY = y;
    return kResultOk;
  }
  ~FakeMenu()
  {
    for (auto* t : targets)
      t->release();
  }
};

struct MenuHandler : fakehost::ComponentHandler, IComponentHandler3
{
  FakeMenu menu;
  IPlugView* askedView = nullptr;
  ParamID askedParam = 0;
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (FUnknownPrivate::iidEqual(iid, IComponentHandler3::iid))
    {
      *obj = static_cast<IComponentHandler3*>(this);
      return kResultOk;
    }
    return fakehost::ComponentHandler::queryInterface(iid, obj);
  }
  uint32 PLUGIN_API addRef() override { return fakehost::ComponentHandler::addRef(); }
  uint32 PLUGIN_API release() override { return fakehost::ComponentHandler::release(); }
  IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override
  {
    askedView = view;
    askedParam = id ? *id : 9999;
    menu.addRef();
    return &menu;
  }
};

struct Target : plugfw::ui::IContextMenuTarget
{
  int refs = 1;
  int executed = -1;
  std::uint32_t AddRef() override { return ++refs; }
  std::uint32_t Release() override { return --refs; }
  bool ExecuteMenuItem(int tag) override
  {
    executed = tag;
    return true;
  }
};

} // namespace

TEST(VST3Controller, HostContextMenuNeedsHandlerViewAndInterface)
{
  Harness h;
  EXPECT_EQ(h.plug->CreateHostContextMenu(1), nullptr); // the plain handler has no menu interface
  MenuHandler handler;
  h.plug->setComponentHandler(&handler);
  EXPECT_EQ(h.plug->CreateHostContextMenu(1), nullptr); // no view yet
  IPlugView* view = h.plug->createView("editor");
  {
    Target target;
    auto menu = h.plug->CreateHostContextMenu(TestPlug::kTrim);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(handler.askedView, view);
    EXPECT_EQ(handler.askedParam, static_cast<ParamID>(TestPlug::kTrim));
    menu->AddItem("Reset to default", 3, 0, &target);
    menu->Popup(40, 50);
    ASSERT_EQ(handler.menu.items.size(), 1u);
    EXPECT_EQ(handler.menu.items[0].first, u"Reset to default");
    EXPECT_EQ(handler.menu.popX, 40);
    EXPECT_EQ(handler.menu.targets[0]->executeMenuItem(3), kResultTrue);
    EXPECT_EQ(target.executed, 3);
    for (auto* t : handler.menu.targets)
      t->release();
    handler.menu.targets.clear();
    EXPECT_EQ(target.refs, 1); // every reference taken for the host was given back
  }
  h.plug->setComponentHandler(&h.handler);
  view->release();
}

namespace {

struct FakeFrame : IPlugFrame
{
  FAKE_UNKNOWN(IPlugFrame)
  std::vector<ViewRect> requests;
  tresult PLUGIN_API resizeView(IPlugView*, ViewRect* r) override
  {
    requests.push_back(*r);
    return kResultOk;
  }
};

} // namespace

TEST(VST3View, EditorResizeAsksTheHostFrameOnlyForNewSizes)
{
  Harness h;
  IPlugView* view = h.plug->createView("editor");
  FakeFrame frame;
  view->setFrame(&frame);
  EXPECT_TRUE(h.plug->EditorResizeFromUI(740, 726, true)); // same size: nothing to ask
  EXPECT_TRUE(frame.requests.empty());
  EXPECT_TRUE(h.plug->EditorResizeFromUI(800, 600, true));
  ASSERT_EQ(frame.requests.size(), 1u);
  EXPECT_EQ(frame.requests[0].right, 800);
  EXPECT_EQ(frame.requests[0].bottom, 600);
  EXPECT_EQ(h.plug->GetEditorWidth(), 800);
  ViewRect r;
  view->getSize(&r);
  EXPECT_EQ(r.getHeight(), 600);
  view->setFrame(nullptr);
  view->release();
  EXPECT_TRUE(h.plug->EditorResizeFromUI(900, 600, true)); // no view any more: stored only
  EXPECT_EQ(frame.requests.size(), 1u);
  EXPECT_EQ(h.plug->GetEditorWidth(), 900);
}
