// Calls every method of the main interfaces through a hand-made vtable and checks which slot it
// reached: the declaration order is the binary interface.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "vst3api/Vst3Api.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int gLastSlot = -1;

// Every slot function ignores its arguments; only the index is recorded.
template <int N>
uint64 PLUGIN_API slotFunction(void*, void*, void*, void*, void*)
{
  gLastSlot = N;
  return 0;
}

using SlotFn = uint64(PLUGIN_API*)(void*, void*, void*, void*, void*);

template <int... N>
constexpr auto makeTable(std::integer_sequence<int, N...>)
{
  return std::array<SlotFn, sizeof...(N)>{&slotFunction<N>...};
}

const auto kTable = makeTable(std::make_integer_sequence<int, 24>());

// An object whose first word is the vtable pointer, as both ABIs lay it out.
struct FakeObject
{
  const SlotFn* vptr = kTable.data();
};

template <class I>
I* fake()
{
  static FakeObject object;
  return reinterpret_cast<I*>(&object);
}

#define EXPECT_SLOT(call, slot)                                                                    \
  do                                                                                               \
  {                                                                                                \
    gLastSlot = -1;                                                                                \
    (void)(call);                                                                                  \
    EXPECT_EQ(gLastSlot, slot) << #call;                                                           \
  } while (0)

} // namespace

TEST(Vtable, ComponentAndProcessorSlots)
{
  IComponent* c = fake<IComponent>();
  BusInfo bus{};
  RoutingInfo ri{};
  EXPECT_SLOT(c->queryInterface(nullptr, nullptr), 0);
  EXPECT_SLOT(c->release(), 2);
  EXPECT_SLOT(c->initialize(nullptr), 3);
  EXPECT_SLOT(c->terminate(), 4);
  EXPECT_SLOT(c->getControllerClassId(nullptr), 5);
  EXPECT_SLOT(c->setIoMode(0), 6);
  EXPECT_SLOT(c->getBusCount(0, 0), 7);
  EXPECT_SLOT(c->getBusInfo(0, 0, 0, bus), 8);
  EXPECT_SLOT(c->getRoutingInfo(ri, ri), 9);
  EXPECT_SLOT(c->activateBus(0, 0, 0, 0), 10);
  EXPECT_SLOT(c->setActive(0), 11);
  EXPECT_SLOT(c->setState(nullptr), 12);
  EXPECT_SLOT(c->getState(nullptr), 13);

  IAudioProcessor* p = fake<IAudioProcessor>();
  ProcessSetup setup{};
  ProcessData data;
  SpeakerArrangement arr = 0;
  EXPECT_SLOT(p->setBusArrangements(nullptr, 0, nullptr, 0), 3);
  EXPECT_SLOT(p->getBusArrangement(0, 0, arr), 4);
  EXPECT_SLOT(p->canProcessSampleSize(0), 5);
  EXPECT_SLOT(p->getLatencySamples(), 6);
  EXPECT_SLOT(p->setupProcessing(setup), 7);
  EXPECT_SLOT(p->setProcessing(0), 8);
  EXPECT_SLOT(p->process(data), 9);
  EXPECT_SLOT(p->getTailSamples(), 10);
  EXPECT_SLOT(fake<IProcessContextRequirements>()->getProcessContextRequirements(), 3);
}

TEST(Vtable, ControllerSlots)
{
  IEditController* e = fake<IEditController>();
  ParameterInfo info{};
  ParamValue v = 0;
  EXPECT_SLOT(e->setComponentState(nullptr), 5);
  EXPECT_SLOT(e->setState(nullptr), 6);
  EXPECT_SLOT(e->getState(nullptr), 7);
  EXPECT_SLOT(e->getParameterCount(), 8);
  EXPECT_SLOT(e->getParameterInfo(0, info), 9);
  EXPECT_SLOT(e->getParamStringByValue(0, 0., nullptr), 10);
  EXPECT_SLOT(e->getParamValueByString(0, nullptr, v), 11);
  EXPECT_SLOT(e->normalizedParamToPlain(0, 0.), 12);
  EXPECT_SLOT(e->plainParamToNormalized(0, 0.), 13);
  EXPECT_SLOT(e->getParamNormalized(0), 14);
  EXPECT_SLOT(e->setParamNormalized(0, 0.), 15);
  EXPECT_SLOT(e->setComponentHandler(nullptr), 16);
  EXPECT_SLOT(e->createView(nullptr), 17);
  // Extensions derive from FUnknown directly: their methods start at slot 3.
  EXPECT_SLOT(fake<IEditController2>()->setKnobMode(0), 3);
  EXPECT_SLOT(fake<IEditController2>()->openAboutBox(0), 5);
  ParamID mapped = 0;
  EXPECT_SLOT(fake<IMidiMapping>()->getMidiControllerAssignment(0, 0, 0, mapped), 3);
  EXPECT_SLOT(fake<ChannelContext::IInfoListener>()->setChannelContextInfos(nullptr), 3);

  IUnitInfo* u = fake<IUnitInfo>();
  UnitInfo ui{};
  UnitID id = 0;
  EXPECT_SLOT(u->getUnitCount(), 3);
  EXPECT_SLOT(u->getUnitInfo(0, ui), 4);
  EXPECT_SLOT(u->getProgramListCount(), 5);
  EXPECT_SLOT(u->getProgramPitchName(0, 0, 0, nullptr), 10);
  EXPECT_SLOT(u->getSelectedUnit(), 11);
  EXPECT_SLOT(u->getUnitByBus(0, 0, 0, 0, id), 13);
  EXPECT_SLOT(u->setUnitProgramData(0, 0, nullptr), 14);
}

TEST(Vtable, HostSideSlots)
{
  IComponentHandler* h = fake<IComponentHandler>();
  EXPECT_SLOT(h->beginEdit(0), 3);
  EXPECT_SLOT(h->performEdit(0, 0.), 4);
  EXPECT_SLOT(h->endEdit(0), 5);
  EXPECT_SLOT(h->restartComponent(0), 6);
  EXPECT_SLOT(fake<IComponentHandler2>()->startGroupEdit(), 5);
  EXPECT_SLOT(fake<IComponentHandler2>()->finishGroupEdit(), 6);
  EXPECT_SLOT(fake<IComponentHandler3>()->createContextMenu(nullptr, nullptr), 3);
  EXPECT_SLOT(fake<IContextMenu>()->popup(0, 0), 7);
  EXPECT_SLOT(fake<IHostApplication>()->createInstance(nullptr, nullptr, nullptr), 4);
  EXPECT_SLOT(fake<IAttributeList>()->getString(nullptr, nullptr, 0), 8);
  EXPECT_SLOT(fake<IMessage>()->getAttributes(), 5);
  EXPECT_SLOT(fake<IConnectionPoint>()->notify(nullptr), 5);

  IBStream* s = fake<IBStream>();
  EXPECT_SLOT(s->read(nullptr, 0, nullptr), 3);
  EXPECT_SLOT(s->write(nullptr, 0, nullptr), 4);
  EXPECT_SLOT(s->seek(0, 0, nullptr), 5);
  EXPECT_SLOT(s->tell(nullptr), 6);

  int32 index = 0;
  ParamValue value = 0;
  ParamID pid = 0;
  EXPECT_SLOT(fake<IParameterChanges>()->addParameterData(pid, index), 5);
  EXPECT_SLOT(fake<IParamValueQueue>()->getPoint(0, index, value), 5);
  EXPECT_SLOT(fake<IParamValueQueue>()->addPoint(0, 0., index), 6);
  Event ev{};
  EXPECT_SLOT(fake<IEventList>()->addEvent(ev), 5);
}

TEST(Vtable, FactoryAndViewSlots)
{
  IPluginFactory3* f = fake<IPluginFactory3>();
  EXPECT_SLOT(f->getFactoryInfo(nullptr), 3);
  EXPECT_SLOT(f->countClasses(), 4);
  EXPECT_SLOT(f->getClassInfo(0, nullptr), 5);
  EXPECT_SLOT(f->createInstance(nullptr, nullptr, nullptr), 6);
  EXPECT_SLOT(f->getClassInfo2(0, nullptr), 7);
  EXPECT_SLOT(f->getClassInfoUnicode(0, nullptr), 8);
  EXPECT_SLOT(f->setHostContext(nullptr), 9);

  IPlugView* v = fake<IPlugView>();
  EXPECT_SLOT(v->isPlatformTypeSupported(nullptr), 3);
  EXPECT_SLOT(v->attached(nullptr, nullptr), 4);
  EXPECT_SLOT(v->removed(), 5);
  EXPECT_SLOT(v->onWheel(0.f), 6);
  EXPECT_SLOT(v->onKeyDown(0, 0, 0), 7);
  EXPECT_SLOT(v->onKeyUp(0, 0, 0), 8);
  EXPECT_SLOT(v->getSize(nullptr), 9);
  EXPECT_SLOT(v->onSize(nullptr), 10);
  EXPECT_SLOT(v->onFocus(0), 11);
  EXPECT_SLOT(v->setFrame(nullptr), 12);
  EXPECT_SLOT(v->canResize(), 13);
  EXPECT_SLOT(v->checkSizeConstraint(nullptr), 14);
  EXPECT_SLOT(fake<IPlugFrame>()->resizeView(nullptr, nullptr), 3);
  EXPECT_SLOT(fake<IPlugViewContentScaleSupport>()->setContentScaleFactor(1.f), 3);

  Linux::IRunLoop* loop = fake<Linux::IRunLoop>();
  EXPECT_SLOT(loop->registerEventHandler(nullptr, 0), 3);
  EXPECT_SLOT(loop->registerTimer(nullptr, 0), 5);
  EXPECT_SLOT(loop->unregisterTimer(nullptr), 6);
  EXPECT_SLOT(fake<Linux::ITimerHandler>()->onTimer(), 3);
}
