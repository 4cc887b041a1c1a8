#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vst3api/Sdk.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A component handler that records calls; it offers IComponentHandler2 only when asked to.
class Handler : public FObject, public IComponentHandler, public IComponentHandler2
{
public:
  explicit Handler(bool offerGroupEdits) : offer2(offerGroupEdits) {}

  tresult PLUGIN_API beginEdit(ParamID id) override { return log("begin", id); }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue) override { return log("perform", id); }
  tresult PLUGIN_API endEdit(ParamID id) override { return log("end", id); }
  tresult PLUGIN_API restartComponent(int32 flags) override
  {
    return log("restart", static_cast<uint32>(flags));
  }
  tresult PLUGIN_API setDirty(TBool) override { return log("dirty", 0); }
  tresult PLUGIN_API requestOpenEditor(FIDString) override { return log("open", 0); }
  tresult PLUGIN_API startGroupEdit() override { return log("startGroup", 0); }
  tresult PLUGIN_API finishGroupEdit() override { return log("finishGroup", 0); }

  tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override
  {
    if (FUnknownPrivate::iidEqual(_iid, IComponentHandler::iid))
    {
      addRef();
      *obj = static_cast<IComponentHandler*>(this);
      return kResultOk;
    }
    if (offer2 && FUnknownPrivate::iidEqual(_iid, IComponentHandler2::iid))
    {
      addRef();
      *obj = static_cast<IComponentHandler2*>(this);
      return kResultOk;
    }
    return FObject::queryInterface(_iid, obj);
  }
  REFCOUNT_METHODS(FObject)

  std::vector<std::string> calls;

private:
  tresult log(const char* what, uint32 id)
  {
    calls.push_back(std::string(what) + ":" + std::to_string(id));
    return kResultOk;
  }
  bool offer2;
};

// Records which state pair the host reached.
class Effect : public SingleComponentEffect
{
public:
  tresult setProcessorState(IBStream*) override
  {
    log.push_back("processor-set");
    return kResultOk;
  }
  tresult getProcessorState(IBStream*) override
  {
    log.push_back("processor-get");
    return kResultOk;
  }
  tresult setEditorState(IBStream*) override
  {
    log.push_back("editor-set");
    return kResultOk;
  }
  tresult getEditorState(IBStream*) override
  {
    log.push_back("editor-get");
    return kResultOk;
  }
  std::vector<std::string> log;
  using SingleComponentEffect::parameters;
};

template <class I>
I* query(FUnknown* unknown)
{
  void* obj = nullptr;
  if (unknown->queryInterface(I::iid, &obj) != kResultOk)
    return nullptr;
  return static_cast<I*>(obj);
}

FUnknown* identityOf(FUnknown* unknown)
{
  FUnknown* id = query<FUnknown>(unknown);
  if (id)
    id->release();
  return id;
}

} // namespace

TEST(SingleComponentEffect, AnswersEveryRoleWithOneIdentityButNoConnectionPoint)
{
  IPtr<Effect> effect = owned(new Effect);
  IComponent* component = query<IComponent>(effect->unknownCast());
  ASSERT_NE(component, nullptr);
  FUnknown* id = identityOf(component);
  EXPECT_EQ(id, effect->unknownCast());

  for (FUnknown* part :
       std::vector<FUnknown*>{query<IAudioProcessor>(component), query<IEditController>(component),
                              query<IEditController2>(component), query<IUnitInfo>(component),
                              query<IProcessContextRequirements>(component),
                              query<IPluginBase>(component), query<IDependent>(component)})
  {
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(identityOf(part), id);
    part->release();
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(component->queryInterface(IConnectionPoint::iid, &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(component->queryInterface(IMidiMapping::iid, &none), kNoInterface);
  component->release();
  EXPECT_EQ(effect->getRefCount(), 1);
}

TEST(SingleComponentEffect, KeepsTheTwoStatePairsApart)
{
  IPtr<Effect> effect = owned(new Effect);
  IComponent* component = query<IComponent>(effect->unknownCast());
  IEditController* controller = query<IEditController>(effect->unknownCast());
  component->setState(nullptr);
  controller->setState(nullptr);
  controller->getState(nullptr);
  component->getState(nullptr);
  EXPECT_EQ(effect->log, (std::vector<std::string>{"processor-set", "editor-set", "editor-get",
                                                   "processor-get"}));
  component->release();
  controller->release();

  // The plain class answers kNotImplemented on both sides.
  IPtr<SingleComponentEffect> plain = owned(new SingleComponentEffect);
  IComponent* c2 = query<IComponent>(plain->unknownCast());
  IEditController* e2 = query<IEditController>(plain->unknownCast());
  EXPECT_EQ(c2->getState(nullptr), kNotImplemented);
  EXPECT_EQ(e2->getState(nullptr), kNotImplemented);
  EXPECT_EQ(c2->getControllerClassId(nullptr), kNotImplemented);
  c2->release();
  e2->release();
}

TEST(SingleComponentEffect, LifecycleAndBuses)
{
  IPtr<Effect> effect = owned(new Effect);
  EXPECT_EQ(effect->initialize(nullptr), kResultOk); // no context: nothing held yet
  IPtr<Handler> context = owned(new Handler(false));
  EXPECT_EQ(effect->initialize(context->unknownCast()), kResultOk);
  EXPECT_EQ(effect->initialize(context->unknownCast()), kResultFalse); // second initialise
  EXPECT_EQ(effect->getHostContext(), context->unknownCast());

  effect->addAudioInput(u"Input", SpeakerArr::kStereo);
  effect->addAudioOutput(u"Output", SpeakerArr::kStereo);
  effect->addEventInput(u"MIDI Input", 1, kMain, 0);
  EXPECT_EQ(effect->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(effect->getBusCount(kEvent, kInput), 1);
  EXPECT_EQ(effect->getBusCount(kEvent, kOutput), 0);
  EXPECT_EQ(effect->getBusCount(7, kInput), 0);

  BusInfo info{};
  ASSERT_EQ(effect->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(info.mediaType, kAudio);
  EXPECT_EQ(info.direction, kOutput);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(std::u16string(info.name), u"Output");
  EXPECT_EQ(info.busType, kMain);
  EXPECT_EQ(info.flags, BusInfo::kDefaultActive);
  ASSERT_EQ(effect->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(effect->getBusInfo(kAudio, kOutput, 1, info), kInvalidArgument);
  EXPECT_EQ(effect->getBusInfo(kAudio, kOutput, -1, info), kInvalidArgument);
  EXPECT_EQ(effect->getBusInfo(kAudio, 5, 0, info), kInvalidArgument);

  EXPECT_FALSE(effect->getBusList(kAudio, kInput)->at(0)->isActive()); // buses start inactive
  EXPECT_EQ(effect->activateBus(kAudio, kInput, 0, 1), kResultTrue);
  EXPECT_TRUE(effect->getBusList(kAudio, kInput)->at(0)->isActive());
  EXPECT_EQ(effect->activateBus(kAudio, kInput, 1, 1), kInvalidArgument);

  SpeakerArrangement mono = SpeakerArr::kMono;
  SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
  EXPECT_EQ(effect->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  SpeakerArrangement arr = 0;
  ASSERT_EQ(effect->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kMono);
  ASSERT_EQ(effect->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(effect->setBusArrangements(two, 2, two, 1), kResultFalse);
  EXPECT_EQ(effect->setBusArrangements(two, -1, two, 1), kInvalidArgument);
  EXPECT_EQ(effect->setBusArrangements(nullptr, 1, two, 1), kInvalidArgument);
  EXPECT_EQ(effect->getBusArrangement(kOutput, 1, arr), kInvalidArgument);
  EXPECT_EQ(effect->getBusArrangement(kOutput, -1, arr), kInvalidArgument);

  EXPECT_EQ(effect->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(effect->canProcessSampleSize(kSample64), kResultFalse);
  ProcessSetup setup{kOffline, kSample64, 256, 48000.0};
  EXPECT_EQ(effect->setupProcessing(setup), kResultFalse);
  EXPECT_EQ(effect->getProcessSetup().maxSamplesPerBlock, 1024); // nothing stored
  setup.symbolicSampleSize = kSample32;
  EXPECT_EQ(effect->setupProcessing(setup), kResultOk);
  EXPECT_EQ(effect->getProcessSetup().sampleRate, 48000.0);

  effect->parameters.addParameter(u"A", nullptr);
  EXPECT_EQ(effect->terminate(), kResultOk);
  EXPECT_EQ(effect->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(effect->getParameterCount(), 0);
  EXPECT_EQ(effect->getHostContext(), nullptr);
  EXPECT_EQ(effect->terminate(), kResultOk); // twice is harmless
  EXPECT_EQ(context->getRefCount(), 1);
}

TEST(EditController, ParameterQueriesAndHandlerPlumbing)
{
  IPtr<Effect> effect = owned(new Effect);
  effect->parameters.addParameter(new Parameter(u"Trim", 3, u"dB", 0.5));
  effect->parameters.addParameter(new Parameter(u"Hold", 8, nullptr, 0., 1));

  EXPECT_EQ(effect->getParameterCount(), 2);
  ParameterInfo info{};
  ASSERT_EQ(effect->getParameterInfo(1, info), kResultTrue);
  EXPECT_EQ(info.id, 8u);
  EXPECT_EQ(effect->getParameterInfo(2, info), kResultFalse);
  EXPECT_EQ(effect->getParameterInfo(-1, info), kResultFalse);

  String128 s;
  EXPECT_EQ(effect->getParamStringByValue(8, 1.0, s), kResultTrue);
  EXPECT_EQ(std::u16string(s), u"On");
  EXPECT_EQ(effect->getParamStringByValue(99, 1.0, s), kResultFalse);
  EXPECT_EQ(effect->getParamStringByValue(8, 1.0, nullptr), kInvalidArgument);
  ParamValue v = 0;
  TChar number[] = u"0.125";
  TChar junk[] = u"junk";
  EXPECT_EQ(effect->getParamValueByString(3, number, v), kResultTrue);
  EXPECT_EQ(v, 0.125);
  EXPECT_EQ(effect->getParamValueByString(3, junk, v), kResultFalse);
  EXPECT_EQ(effect->getParamValueByString(99, number, v), kResultFalse);
  EXPECT_EQ(effect->normalizedParamToPlain(99, 0.3), 0.3);
  EXPECT_EQ(effect->plainParamToNormalized(99, 0.3), 0.3);
  EXPECT_EQ(effect->getParamNormalized(3), 0.5);
  EXPECT_EQ(effect->getParamNormalized(99), 0.0);
  EXPECT_EQ(effect->setParamNormalized(99, 0.2), kResultFalse);

  // Without a handler the edit helpers fail quietly.
  EXPECT_EQ(effect->beginEdit(3), kResultFalse);
  EXPECT_EQ(effect->startGroupEdit(), kNotImplemented);

  IPtr<Handler> plainHandler = owned(new Handler(false));
  EXPECT_EQ(effect->setComponentHandler(plainHandler), kResultTrue);
  EXPECT_EQ(effect->getComponentHandler2(), nullptr);
  EXPECT_EQ(effect->startGroupEdit(), kNotImplemented);
  EXPECT_EQ(effect->setParamNormalized(3, 0.75), kResultTrue);
  EXPECT_TRUE(plainHandler->calls.empty()); // host-side changes are not echoed back
  EXPECT_EQ(effect->getParamNormalized(3), 0.75);

  IPtr<Handler> groupHandler = owned(new Handler(true));
  EXPECT_EQ(effect->setComponentHandler(groupHandler), kResultTrue);
  EXPECT_EQ(plainHandler->getRefCount(), 1); // the old handler was let go
  EXPECT_EQ(effect->startGroupEdit(), kResultOk);
  effect->beginEdit(3);
  effect->performEdit(3, 0.1);
  effect->endEdit(3);
  EXPECT_EQ(effect->finishGroupEdit(), kResultOk);
  EXPECT_EQ(groupHandler->calls, (std::vector<std::string>{"startGroup:0", "begin:3", "perform:3",
                                                           "end:3", "finishGroup:0"}));
  EXPECT_EQ(effect->setComponentHandler(groupHandler), kResultTrue); // same handler again
  EXPECT_EQ(groupHandler->getRefCount(), 3);                         // held once, plus handler2
  EXPECT_EQ(effect->setComponentHandler(nullptr), kResultTrue);
  EXPECT_EQ(groupHandler->getRefCount(), 1);

  EXPECT_EQ(effect->createView(ViewType::kEditor), nullptr);
  EXPECT_EQ(effect->openHelp(0), kResultFalse);
  EXPECT_EQ(effect->setKnobMode(kLinearMode), kResultTrue);
  EXPECT_EQ(EditController::getHostKnobMode(), kLinearMode);
}

TEST(EditControllerEx1, UnitsAreOnlyThoseAdded)
{
  IPtr<Effect> effect = owned(new Effect);
  EXPECT_EQ(effect->getUnitCount(), 0);
  effect->addUnit(new Unit(u"Root", kRootUnitId, kNoParentUnitId));
  effect->addUnit(new Unit(u"Notches", 1));
  EXPECT_FALSE(effect->addUnit(nullptr));
  EXPECT_EQ(effect->getUnitCount(), 2);
  UnitInfo info{};
  ASSERT_EQ(effect->getUnitInfo(1, info), kResultTrue);
  EXPECT_EQ(info.id, 1);
  EXPECT_EQ(info.parentUnitId, kRootUnitId);
  EXPECT_EQ(info.programListId, kNoProgramListId);
  EXPECT_EQ(std::u16string(info.name), u"Notches");
  ASSERT_EQ(effect->getUnitInfo(0, info), kResultTrue);
  EXPECT_EQ(info.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(effect->getUnitInfo(2, info), kResultFalse);
  EXPECT_EQ(effect->getProgramListCount(), 0);
  ProgramListInfo list{};
  EXPECT_EQ(effect->getProgramListInfo(0, list), kResultFalse);
  EXPECT_EQ(effect->getSelectedUnit(), kRootUnitId);
  EXPECT_EQ(effect->selectUnit(1), kResultTrue);
  EXPECT_EQ(effect->getSelectedUnit(), 1);
  EXPECT_EQ(effect->notifyUnitSelection(), kResultFalse); // no handler
  effect->terminate();
  EXPECT_EQ(effect->getUnitCount(), 0);
}

TEST(ComponentBase, ConnectionRules)
{
  IPtr<ComponentBase> a = owned(new ComponentBase);
  IPtr<ComponentBase> b = owned(new ComponentBase);
  IPtr<ComponentBase> c = owned(new ComponentBase);
  EXPECT_EQ(a->connect(nullptr), kInvalidArgument);
  EXPECT_EQ(a->connect(b), kResultOk);
  EXPECT_EQ(b->connect(a), kResultOk);
  EXPECT_EQ(a->connect(c), kResultFalse);
  EXPECT_EQ(a->disconnect(c), kResultFalse);
  EXPECT_EQ(a->notify(nullptr), kInvalidArgument);
  // Terminating one side also disconnects the other from it.
  EXPECT_EQ(a->terminate(), kResultOk);
  EXPECT_EQ(a->getPeer(), nullptr);
  EXPECT_EQ(b->getPeer(), nullptr);
  EXPECT_EQ(b->getRefCount(), 1);
  EXPECT_EQ(a->getRefCount(), 1);
  EXPECT_EQ(a->sendTextMessage("hello"), kResultFalse); // no host to make a message
}
