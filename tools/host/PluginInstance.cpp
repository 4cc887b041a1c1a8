#include "tools/host/PluginInstance.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {
namespace {

template <class I>
I* queryFrom(FUnknown* unknown)
{
  if (!unknown)
    return nullptr;
  void* obj = nullptr;
  if (unknown->queryInterface(I::iid, &obj) != kResultOk)
    return nullptr;
  return static_cast<I*>(obj);
}

template <class I>
void drop(I*& p)
{
  if (p)
    p->release();
  p = nullptr;
}

} // namespace

bool PluginInstance::create(IPluginFactory* factory, const TUID classId)
{
  release();
  lastError.clear();
  if (!factory)
  {
    lastError = "no factory";
    return false;
  }
  void* obj = nullptr;
  if (factory->createInstance(classId, IComponent::iid, &obj) != kResultOk || !obj)
  {
    lastError = "the factory made no component";
    return false;
  }
  comp = static_cast<IComponent*>(obj);
  proc = queryFrom<IAudioProcessor>(comp);
  if (!proc)
  {
    lastError = "the component is no audio processor";
    release();
    return false;
  }
  ctrl = queryFrom<IEditController>(comp);
  singleComponent = ctrl != nullptr;
  if (!ctrl)
  {
    TUID controllerId;
    if (comp->getControllerClassId(controllerId) == kResultTrue)
    {
      void* c = nullptr;
      if (factory->createInstance(controllerId, IEditController::iid, &c) == kResultOk)
        ctrl = static_cast<IEditController*>(c);
    }
  }
  return true;
}

void PluginInstance::release()
{
  if (initialized)
    terminate();
  drop(ctrl);
  drop(proc);
  drop(comp);
  singleComponent = false;
}

tresult PluginInstance::initialize(FUnknown* hostContext)
{
  if (!comp)
    return kNotInitialized;
  const tresult result = comp->initialize(hostContext);
  if (result != kResultOk)
    return result;
  initialized = true;
  if (ctrl && !singleComponent)
  {
    if (ctrl->initialize(hostContext) == kResultOk)
    {
      controllerInitialized = true;
      IConnectionPoint* a = queryFrom<IConnectionPoint>(comp);
      IConnectionPoint* b = queryFrom<IConnectionPoint>(ctrl);
      if (a && b)
      {
        a->connect(b);
        b->connect(a);
      }
      drop(a);
      drop(b);
    }
  }
  return result;
}

tresult PluginInstance::terminate()
{
  if (!comp)
    return kNotInitialized;
  if (controllerInitialized && ctrl)
  {
    ctrl->terminate();
    controllerInitialized = false;
  }
  initialized = false;
  return comp->terminate();
}

tresult PluginInstance::setBusArrangements(SpeakerArrangement in, SpeakerArrangement out)
{
  if (!proc)
    return kNotInitialized;
  return proc->setBusArrangements(&in, 1, &out, 1);
}

void PluginInstance::activateMainBuses()
{
  if (!comp)
    return;
  for (int32 dir = kInput; dir <= kOutput; ++dir)
    for (int32 i = 0; i < comp->getBusCount(kAudio, dir); ++i)
      comp->activateBus(kAudio, dir, i, 1);
}

tresult PluginInstance::setupProcessing(double sampleRate, int32 maxBlock, int32 size, int32 mode)
{
  if (!proc)
    return kNotInitialized;
  ProcessSetup setup{mode, size, maxBlock, sampleRate};
  const tresult result = proc->setupProcessing(setup);
  if (result == kResultOk)
  {
    sampleSize = size;
    processMode = mode;
    context = ProcessContext{};
    context.sampleRate = sampleRate;
    context.tempo = 120.;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                    ProcessContext::kTimeSigValid | ProcessContext::kProjectTimeMusicValid;
  }
  return result;
}

tresult PluginInstance::start()
{
  if (!comp || !proc)
    return kNotInitialized;
  const tresult active = comp->setActive(1);
  if (active != kResultOk)
    return active;
  const tresult processing = proc->setProcessing(1);
  // kNotImplemented is a legal answer to setProcessing.
  return processing == kNotImplemented ? kResultOk : processing;
}

tresult PluginInstance::stop()
{
  if (!comp || !proc)
    return kNotInitialized;
  proc->setProcessing(0);
  return comp->setActive(0);
}

tresult PluginInstance::process(int32 size, void* const* in, int32 inChannels, void* const* out,
                                int32 outChannels, int32 numSamples, IParameterChanges* changes)
{
  if (!proc || !comp)
    return kNotInitialized;
  const int32 numIns = comp->getBusCount(kAudio, kInput);
  const int32 numOuts = comp->getBusCount(kAudio, kOutput);
  std::vector<AudioBusBuffers> inputs(static_cast<size_t>(numIns > 0 ? numIns : 1));
  std::vector<AudioBusBuffers> outputs(static_cast<size_t>(numOuts > 0 ? numOuts : 1));
  if (!inputs.empty())
  {
    inputs[0].numChannels = inChannels;
    inputs[0].channelBuffers64 = reinterpret_cast<Sample64**>(const_cast<void**>(in));
  }
  outputs[0].numChannels = outChannels;
  outputs[0].channelBuffers64 = reinterpret_cast<Sample64**>(const_cast<void**>(out));

  ProcessData data;
  data.processMode = processMode;
  data.symbolicSampleSize = size;
  data.numSamples = numSamples;
  data.numInputs = numIns;
  data.numOutputs = numOuts;
  data.inputs = inputs.data();
  data.outputs = outputs.data();
  data.inputParameterChanges = changes;
  data.processContext = &context;
  const tresult result = proc->process(data);
  context.projectTimeSamples += numSamples;
  context.projectTimeMusic += numSamples / context.sampleRate * context.tempo / 60.;
  return result;
}

tresult PluginInstance::process32(float* const* in, int32 inChannels, float* const* out,
                                  int32 outChannels, int32 numSamples, IParameterChanges* changes)
{
  return process(kSample32, reinterpret_cast<void* const*>(in), inChannels,
                 reinterpret_cast<void* const*>(out), outChannels, numSamples, changes);
}

tresult PluginInstance::process64(double* const* in, int32 inChannels, double* const* out,
                                  int32 outChannels, int32 numSamples, IParameterChanges* changes)
{
  return process(kSample64, reinterpret_cast<void* const*>(in), inChannels,
                 reinterpret_cast<void* const*>(out), outChannels, numSamples, changes);
}

tresult PluginInstance::processRaw(ProcessData& data)
{
  if (!proc)
    return kNotInitialized;
  return proc->process(data);
}

tresult PluginInstance::saveState(MemoryStream& stream)
{
  if (!comp)
    return kNotInitialized;
  return comp->getState(&stream);
}

tresult PluginInstance::loadState(MemoryStream& stream)
{
  if (!comp)
    return kNotInitialized;
  const tresult result = comp->setState(&stream);
  if (result == kResultOk && ctrl)
  {
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    ctrl->setComponentState(&stream);
  }
  return result;
}

std::vector<ParameterInfo> PluginInstance::parameters()
{
  std::vector<ParameterInfo> out;
  if (!ctrl)
    return out;
  const int32 n = ctrl->getParameterCount();
  for (int32 i = 0; i < n; ++i)
  {
    ParameterInfo info{};
    if (ctrl->getParameterInfo(i, info) == kResultTrue)
      out.push_back(info);
  }
  return out;
}

} // namespace qhost
