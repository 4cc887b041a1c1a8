#include "vst3/IPluginVST3ProcessorBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vst3/IPluginVST3Parameter.h"
#include "vst3api/vst/Speakers.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace plugfw {

SpeakerArrangement GetAPIBusTypeForChannelIOConfig(int nChans)
{
  switch (nChans)
  {
  case 1:
    return 0x80000;
  case 2:
    return 3;
  case 3:
    return 7;
  case 4:
    return 0xf00000;
  case 5:
    return 55;
  case 6:
    return 63;
  case 7:
    return 247;
  case 8:
    return 1599;
  case 9:
    return 0x7c000f00000ULL;
  case 10:
    return 50333247;
  case 16:
    return 0x3ffc000f00000ULL;
  default:
    return 0;
  }
}

IPluginVST3ProcessorBase::IPluginVST3ProcessorBase(const Config& config, IPluginAPIBase& plug)
    : IPluginProcessor(config), mPlug(plug)
{
  mMidiOutputList.reserve(kMidiListStep);
  SetChannelConnections(kInput, 0, MaxNChannels(kInput), true);
  SetChannelConnections(kOutput, 0, MaxNChannels(kOutput), true);
  mMainInputChans = std::max(0, MaxNChannelsForMainBus());
  if (MaxNChannels(kInput) > 0)
  {
    mLatencyDelay =
        std::make_unique<ILatencyDelayLine>(MaxNChannels(kInput), MaxNChannels(kOutput));
    // A tenth of a second at 48 kHz up front: latency changes reported from block processing
    // then resize without allocating (setup reserves more for higher rates).
    mLatencyDelay->Reserve(std::max(GetLatency(), kInitialDelayReserve));
    mLatencyDelay->Resize(GetLatency());
  }
  SetBlockSize(512);
  std::memset(&mProcessContext, 0, sizeof(mProcessContext));
  mProcessSetup.processMode = kRealtime;
  mProcessSetup.symbolicSampleSize = kSample32;
  mProcessSetup.maxSamplesPerBlock = 512;
  mProcessSetup.sampleRate = 48000.0;
}

bool IPluginVST3ProcessorBase::SendMidiMsg(const IMidiMsg& msg)
{
  // Never grows on the audio thread: the capacity is set up front and a full list drops.
  if (mMidiOutputList.size() >= mMidiOutputList.capacity())
    return true;
  auto it =
      std::upper_bound(mMidiOutputList.begin(), mMidiOutputList.end(), msg,
                       [](const IMidiMsg& a, const IMidiMsg& b) { return a.mOffset < b.mOffset; });
  mMidiOutputList.insert(it, msg);
  return true;
}

bool IPluginVST3ProcessorBase::IsValidSetup(const ProcessSetup& setup)
{
  return std::isfinite(setup.sampleRate) && setup.sampleRate > 0.0 &&
         setup.maxSamplesPerBlock > 0 && setup.maxSamplesPerBlock <= kMaxBlockSize;
}

void IPluginVST3ProcessorBase::ApplyProcessSetup(const ProcessSetup& setup)
{
  mProcessSetup = setup;
  SetSampleRate(setup.sampleRate);
  SetBlockSize(setup.maxSamplesPerBlock);
  mMidiOutputList.clear();
  const size_t want = static_cast<size_t>(
      ((std::max(setup.maxSamplesPerBlock, kMidiListStep) + kMidiListStep - 1) / kMidiListStep) *
      kMidiListStep);
  if (mMidiOutputList.capacity() < want)
    mMidiOutputList.reserve(want);
  // Room for a tenth of a second of delay, so latency changes reported while processing
  // do not allocate.
  if (mLatencyDelay)
  {
    const double tenth = std::min(std::ceil(setup.sampleRate / 10.0), double{kMaxDelayReserve});
    mLatencyDelay->Reserve(std::max(GetLatency(), static_cast<int>(tenth)));
  }
}

void IPluginVST3ProcessorBase::ProcessParameterChanges(IParameterChanges* changes)
{
  if (!changes)
    return;
  const int32 nQueues = changes->getParameterCount();
  for (int32 q = 0; q < nQueues; ++q)
  {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue)
      continue;
    const int32 nPoints = queue->getPointCount();
    if (nPoints <= 0)
      continue;
    int32 offset = 0;
    ParamValue value = 0.0;
    if (queue->getPoint(nPoints - 1, offset, value) != kResultOk)
      continue;
    if (std::isnan(value))
      continue; // a broken host value is ignored
    value = std::clamp(value, 0.0, 1.0);
    const ParamID id = queue->getParameterId();

    if (id == kBypassParamID)
    {
      SetBypassed(value > 0.5);
    }
    else if (id < static_cast<ParamID>(mPlug.NParams()))
    {
      IParam* param = mPlug.GetParam(static_cast<int>(id));
      param->SetValue(param->NormalToPlain(value));
      mPlug.OnParamChange(static_cast<int>(id), kHost, offset);
    }
    else if (id > kPresetParamID && id <= 0x7FFFFFFF && DoesMIDIIn())
    {
      // Controller parameters exist only with MIDI input; other ids are not ours.
      const ParamID k = id - kMIDICCParamStartIdx;
      const int channel = static_cast<int>(k / 130);
      const int ctrl = static_cast<int>(k % 130);
      if (channel > 15)
        continue;
      IMidiMsg msg;
      msg.mOffset = offset;
      if (ctrl == 128)
      {
        msg.mStatus = static_cast<uint8_t>(0xD0 + channel);
        msg.mData1 = static_cast<uint8_t>(static_cast<int>(value * 127.0));
        msg.mData2 = 0;
      }
      else if (ctrl == 129)
      {
        int bend = 8192 + static_cast<int>((2.0 * value - 1.0) * 8192.0);
        bend = std::clamp(bend, 0, 16383);
        msg.mStatus = static_cast<uint8_t>(0xE0 + channel);
        msg.mData1 = static_cast<uint8_t>(bend & 0x7F);
        msg.mData2 = static_cast<uint8_t>((bend >> 7) & 0x7F);
      }
      else
      {
        msg.mStatus = static_cast<uint8_t>(0xB0 + channel);
        msg.mData1 = static_cast<uint8_t>(ctrl);
        msg.mData2 = static_cast<uint8_t>(static_cast<int>(value * 127.0));
      }
      mPlug.MidiMsgsFromProcessor().Push(msg);
      ProcessMidiMsg(msg);
    }
  }
}

void IPluginVST3ProcessorBase::PrepareProcessContext(const ProcessData& data)
{
  if (data.processContext)
    mProcessContext = *data.processContext;
  ITimeInfo t;
  const ProcessContext& c = mProcessContext;
  t.mTempo = c.tempo;
  t.mSamplePos = (c.state & ProcessContext::kProjectTimeMusicValid)
                     ? static_cast<double>(c.projectTimeSamples)
                     : -1.0;
  t.mPPQPos = c.projectTimeMusic;
  t.mLastBar = c.barPositionMusic;
  t.mCycleStart = c.cycleStartMusic;
  t.mCycleEnd = c.cycleEndMusic;
  t.mNumerator = c.timeSigNumerator;
  t.mDenominator = c.timeSigDenominator;
  t.mTransportIsRunning = (c.state & ProcessContext::kPlaying) != 0;
  t.mTransportLoopEnabled = (c.state & ProcessContext::kCycleActive) != 0;
  SetTimeInfo(t);
}

void IPluginVST3ProcessorBase::ProcessMidiIn(IEventList* events)
{
  if (events)
  {
    const int32 n = events->getEventCount();
    for (int32 i = 0; i < n; ++i)
    {
      Event e{};
      if (events->getEvent(i, e) != kResultOk)
        continue;
      IMidiMsg msg;
      msg.mOffset = e.sampleOffset;
      switch (e.type)
      {
      case Event::kNoteOnEvent:
        msg.mStatus = static_cast<uint8_t>(0x90 + (e.noteOn.channel & 0x0F));
        msg.mData1 = static_cast<uint8_t>(e.noteOn.pitch & 0x7F);
        msg.mData2 =
            static_cast<uint8_t>(static_cast<int>(std::clamp(e.noteOn.velocity, 0.f, 1.f) * 127.f));
        break;
      case Event::kNoteOffEvent:
        msg.mStatus = static_cast<uint8_t>(0x80 + (e.noteOff.channel & 0x0F));
        msg.mData1 = static_cast<uint8_t>(e.noteOff.pitch & 0x7F);
        msg.mData2 = 0;
        break;
      case Event::kPolyPressureEvent:
        msg.mStatus = static_cast<uint8_t>(0xA0 + (e.polyPressure.channel & 0x0F));
        msg.mData1 = static_cast<uint8_t>(e.polyPressure.pitch & 0x7F);
        msg.mData2 = static_cast<uint8_t>(
            static_cast<int>(std::clamp(e.polyPressure.pressure, 0.f, 1.f) * 127.f));
        break;
      case Event::kDataEvent:
      {
        if (!e.data.bytes)
          continue;
        ISysEx sysex;
        sysex.mOffset = e.sampleOffset;
        sysex.mSize = static_cast<int>(std::min<uint32>(e.data.size, ISysEx::kMaxSize));
        std::memcpy(sysex.mData, e.data.bytes, static_cast<size_t>(sysex.mSize));
        ProcessSysEx(sysex);
        continue;
      }
      default:
        continue;
      }
      ProcessMidiMsg(msg);
      mPlug.MidiMsgsFromProcessor().Push(msg);
    }
  }
  IMidiMsg msg;
  while (mPlug.MidiMsgsFromEditor().Pop(msg))
    ProcessMidiMsg(msg);
}

void IPluginVST3ProcessorBase::ProcessMidiOut(IEventList* outEvents)
{
  if (outEvents)
  {
    for (const IMidiMsg& m : mMidiOutputList)
    {
      Event e{};
      e.busIndex = 0;
      e.sampleOffset = m.mOffset;
      const int status = m.mStatus & 0xF0;
      const int8 channel = static_cast<int8>(m.mStatus & 0x0F);
      if (status == 0x90 || status == 0x80)
      {
        if (status == 0x90)
        {
          e.type = Event::kNoteOnEvent;
          e.noteOn.channel = channel;
          e.noteOn.pitch = m.mData1;
          e.noteOn.velocity = m.mData2 / 127.f;
          e.noteOn.noteId = -1;
        }
        else
        {
          e.type = Event::kNoteOffEvent;
          e.noteOff.channel = channel;
          e.noteOff.pitch = m.mData1;
          e.noteOff.velocity = m.mData2 / 127.f;
          e.noteOff.noteId = -1;
        }
      }
      else
      {
        e.type = Event::kLegacyMIDICCOutEvent;
        e.midiCCOut.channel = channel;
        switch (status)
        {
        case 0xA0:
          e.midiCCOut.controlNumber = 131;
          e.midiCCOut.value = static_cast<int8>(m.mData1);
          e.midiCCOut.value2 = static_cast<int8>(m.mData2);
          break;
        case 0xB0:
          e.midiCCOut.controlNumber = m.mData1;
          e.midiCCOut.value = static_cast<int8>(m.mData2);
          break;
        case 0xC0:
          e.midiCCOut.controlNumber = 130;
          e.midiCCOut.value = static_cast<int8>(m.mData1);
          break;
        case 0xD0:
          e.midiCCOut.controlNumber = 128;
          e.midiCCOut.value = static_cast<int8>(m.mData1);
          e.midiCCOut.value2 = static_cast<int8>(m.mData2);
          break;
        case 0xE0:
          e.midiCCOut.controlNumber = 129;
          e.midiCCOut.value = static_cast<int8>(m.mData1);
          e.midiCCOut.value2 = static_cast<int8>(m.mData2);
          break;
        default:
          continue;
        }
      }
      outEvents->addEvent(e);
    }
  }
  ISysEx sysex;
  while (mPlug.SysExDataFromEditor().Pop(sysex))
  {
    if (!outEvents)
      continue;
    Event e{};
    e.sampleOffset = sysex.mOffset;
    e.type = Event::kDataEvent;
    e.data.type = 0;
    e.data.size = static_cast<uint32>(std::clamp(sysex.mSize, 0, ISysEx::kMaxSize));
    e.data.bytes = sysex.mData; // the host copies the bytes during addEvent
    outEvents->addEvent(e);
  }
}

void IPluginVST3ProcessorBase::ZeroHostOutputs(ProcessData& data)
{
  if (!data.outputs || data.numSamples <= 0)
    return;
  if (data.symbolicSampleSize != kSample32 && data.symbolicSampleSize != kSample64)
    return;
  for (int32 b = 0; b < data.numOutputs; ++b)
  {
    AudioBusBuffers& bus = data.outputs[b];
    if (!bus.channelBuffers64)
      continue;
    for (int32 c = 0; c < bus.numChannels; ++c)
    {
      if (data.symbolicSampleSize == kSample32)
      {
        if (bus.channelBuffers32[c])
          std::fill(bus.channelBuffers32[c], bus.channelBuffers32[c] + data.numSamples, 0.f);
      }
      else if (bus.channelBuffers64[c])
        std::fill(bus.channelBuffers64[c], bus.channelBuffers64[c] + data.numSamples, 0.0);
    }
  }
}

namespace {

// The host's pointer for channel c of a bus, or null.
void* HostChannel(const AudioBusBuffers* buses, int32 nBuses, int busIdx, int c)
{
  if (!buses || busIdx < 0 || busIdx >= nBuses)
    return nullptr;
  const AudioBusBuffers& bus = buses[busIdx];
  if (!bus.channelBuffers64 || c < 0 || c >= bus.numChannels)
    return nullptr;
  return bus.channelBuffers64[c];
}

int BusChannels(BusList& list, int busIdx)
{
  if (busIdx < 0 || busIdx >= static_cast<int>(list.size()))
    return 0;
  auto* bus = FCast<AudioBus>(list[busIdx].get());
  return bus ? SpeakerArr::getChannelCount(bus->getArrangement()) : 0;
}

bool BusActive(BusList& list, int busIdx)
{
  return busIdx >= 0 && busIdx < static_cast<int>(list.size()) && list[busIdx]->isActive();
}

} // namespace

void IPluginVST3ProcessorBase::ProcessAudio(ProcessData& data, BusList& inputBuses,
                                            BusList& outputBuses)
{
  const int32 sampleSize = data.symbolicSampleSize;
  if (sampleSize != kSample32 && sampleSize != kSample64)
    return;
  const int nFrames = data.numSamples;
  if (nFrames < 0)
    return;
  const bool is32 = sampleSize == kSample32;
  const int nIn = MaxNChannels(kInput);
  const int nOut = MaxNChannels(kOutput);
  const int block = std::max(1, GetBlockSize());

  // Where each channel record reads from / writes to in the host's buffers (null: nowhere).
  void* inSrc[64] = {};
  void* outDst[64] = {};
  const int nInRec = std::min(nIn, 64);
  const int nOutRec = std::min(nOut, 64);

  // Inputs: bus 0 from record 0; an active second bus from the main input's channel count on.
  const int32 nHostIns = data.inputs ? data.numInputs : 0;
  SetChannelConnections(kInput, 0, nIn, false);
  auto attachInputBus = [&](int busIdx, int startRec) {
    const int nCh =
        std::min(BusChannels(inputBuses, busIdx),
                 (busIdx < nHostIns) ? static_cast<int>(data.inputs[busIdx].numChannels) : 0);
    for (int c = 0; c < nCh && startRec + c < nInRec; ++c)
    {
      inSrc[startRec + c] = HostChannel(data.inputs, nHostIns, busIdx, c);
      SetChannelConnections(kInput, startRec + c, 1, true);
    }
  };
  if (static_cast<int>(inputBuses.size()) > 1)
  {
    if (BusActive(inputBuses, 1))
    {
      mSidechainActive = true;
      attachInputBus(0, 0);
      attachInputBus(1, mMainInputChans);
    }
    else
    {
      if (mSidechainActive)
      {
        for (auto& side : mChannelData)
          for (IChannelData& ch : side)
            std::fill(ch.mScratch.begin(), ch.mScratch.end(), 0.0);
        mSidechainActive = false;
      }
      attachInputBus(0, 0);
    }
  }
  else
    attachInputBus(0, 0);

  // Outputs: each bus takes the next records; only records of active buses are connected.
  const int32 nHostOuts = data.outputs ? data.numOutputs : 0;
  SetChannelConnections(kOutput, 0, nOut, false);
  int rec = 0;
  for (int b = 0; b < static_cast<int>(outputBuses.size()) && rec < nOutRec; ++b)
  {
    const int nCh = BusChannels(outputBuses, b);
    const bool active = BusActive(outputBuses, b);
    for (int c = 0; c < nCh && rec < nOutRec; ++c, ++rec)
    {
      void* dst = HostChannel(data.outputs, nHostOuts, b, c);
      if (active && dst)
      {
        outDst[rec] = dst;
        SetChannelConnections(kOutput, rec, 1, true);
      }
    }
  }

  double** inPtrs = mChannelPtrs[kInput].data();
  double** outPtrs = mChannelPtrs[kOutput].data();
  int offset = 0;
  do
  {
    const int n = std::min(block, nFrames - offset);
    for (int r = 0; r < nInRec; ++r)
    {
      IChannelData& ch = mChannelData[kInput][r];
      if (inSrc[r] && is32)
      {
        const float* src = static_cast<const float*>(inSrc[r]) + offset;
        for (int i = 0; i < n; ++i)
          ch.mScratch[i] = src[i];
        inPtrs[r] = ch.mScratch.data();
      }
      else if (inSrc[r])
        inPtrs[r] = static_cast<double*>(inSrc[r]) + offset;
      else
      {
        std::fill(ch.mScratch.begin(), ch.mScratch.begin() + n, 0.0);
        inPtrs[r] = ch.mScratch.data();
      }
      ch.mIncoming = static_cast<double*>(inSrc[r]);
      ch.mData = inPtrs[r];
    }
    for (int r = 0; r < nOutRec; ++r)
    {
      IChannelData& ch = mChannelData[kOutput][r];
      outPtrs[r] =
          (outDst[r] && !is32) ? static_cast<double*>(outDst[r]) + offset : ch.mScratch.data();
      ch.mIncoming = static_cast<double*>(outDst[r]);
      ch.mData = outPtrs[r];
    }

    if (GetBypassed())
    {
      if (mLatencyDelay)
        mLatencyDelay->Process(inPtrs, nInRec, outPtrs, nOutRec, n);
      else
        for (int r = 0; r < nOutRec; ++r)
          std::fill(outPtrs[r], outPtrs[r] + n, 0.0);
    }
    else
      ProcessAudioBlock(inPtrs, outPtrs, n);

    if (is32)
    {
      for (int r = 0; r < nOutRec; ++r)
      {
        if (!outDst[r])
          continue;
        float* dst = static_cast<float*>(outDst[r]) + offset;
        const double* src = mChannelData[kOutput][r].mScratch.data();
        for (int i = 0; i < n; ++i)
          dst[i] = static_cast<float>(src[i]);
      }
    }
    offset += n;
  } while (offset < nFrames);
}

} // namespace plugfw
