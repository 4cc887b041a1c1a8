#include "plugin/IPluginProcessor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace plugfw {

int IOConfig::NChansOnBus(ERoute dir, int busIdx) const
{
  if (busIdx < 0 || busIdx >= NBuses(dir))
    return 0;
  return mBuses[dir][busIdx].mNChans;
}

int IOConfig::GetTotalNChannels(ERoute dir) const
{
  int total = 0;
  for (const IBusInfo& b : mBuses[dir])
    if (b.mNChans > 0)
      total += b.mNChans;
  return total;
}

bool IOConfig::ContainsWildcard(ERoute dir) const
{
  for (const IBusInfo& b : mBuses[dir])
    if (b.mNChans == kWildcardChannels)
      return true;
  return false;
}

// ---------------------------------------------------------------------------------------------

void ILatencyDelayLine::Reserve(int maxLength)
{
  if (maxLength <= 0 || mNInChans <= 0)
    return;
  const size_t want = static_cast<size_t>(maxLength) * static_cast<size_t>(mNInChans);
  if (mBuffer.capacity() < want)
    mBuffer.reserve(want);
}

void ILatencyDelayLine::Resize(int length)
{
  mLength = std::max(0, length);
  mBuffer.resize(static_cast<size_t>(mLength) * static_cast<size_t>(std::max(0, mNInChans)));
  Clear();
}

void ILatencyDelayLine::Clear()
{
  std::fill(mBuffer.begin(), mBuffer.end(), 0.0);
  mWritePos = 0;
}

void ILatencyDelayLine::Process(const double* const* inputs, int nIn, double* const* outputs,
                                int nOut, int nFrames)
{
  if (nFrames <= 0 || !outputs)
    return;
  const int nDelayed = std::max(0, std::min({nIn, nOut, mNInChans}));
  for (int c = nDelayed; c < nOut; ++c)
    if (outputs[c])
      std::fill(outputs[c], outputs[c] + nFrames, 0.0);

  if (mLength <= 0)
  {
    for (int c = 0; c < nDelayed; ++c)
    {
      if (!outputs[c])
        continue;
      if (inputs && inputs[c])
        std::memmove(outputs[c], inputs[c], sizeof(double) * static_cast<size_t>(nFrames));
      else
        std::fill(outputs[c], outputs[c] + nFrames, 0.0);
    }
    return;
  }

  int pos = mWritePos;
  for (int c = 0; c < nDelayed; ++c)
  {
    double* ring = mBuffer.data() + static_cast<size_t>(c) * static_cast<size_t>(mLength);
    const double* in = inputs ? inputs[c] : nullptr;
    double* out = outputs[c];
    int p = mWritePos;
    for (int i = 0; i < nFrames; ++i)
    {
      const double x = in ? in[i] : 0.0; // read before writing: buffers may alias
      const double y = ring[p];
      ring[p] = x;
      if (out)
        out[i] = y;
      if (++p == mLength)
        p = 0;
    }
    pos = p;
  }
  if (nDelayed > 0)
    mWritePos = pos;
}

// ---------------------------------------------------------------------------------------------

IPluginProcessor::IPluginProcessor(const Config& config)
    : mPlugType(config.plugType),
      mDoesMIDIIn(config.plugDoesMidiIn),
      mDoesMIDIOut(config.plugDoesMidiOut),
      mDoesMPE(config.plugDoesMPE)
{
  mLatency.store(std::max(0, config.latency));
  mSampleRate = 48000.0;

  int totalIn = 0, totalOut = 0, busesIn = 0, busesOut = 0;
  ParseChannelIOStr(config.channelIOStr, mIOConfigs, totalIn, totalOut, busesIn, busesOut);

  mChannelData[kInput].resize(static_cast<size_t>(totalIn));
  mChannelData[kOutput].resize(static_cast<size_t>(totalOut));
  mChannelPtrs[kInput].assign(static_cast<size_t>(totalIn), nullptr);
  mChannelPtrs[kOutput].assign(static_cast<size_t>(totalOut), nullptr);

  int cfg = 0;
  if (MaxNBuses(kInput, &cfg) >= 0)
    mActiveIOConfig = cfg;
}

IPluginProcessor::~IPluginProcessor() = default;

void IPluginProcessor::ProcessAudioBlock(double** inputs, double** outputs, int nFrames)
{
  if (!outputs || nFrames <= 0)
    return;
  const int nIn = MaxNChannels(kInput);
  const int nOut = MaxNChannels(kOutput);
  for (int c = 0; c < nOut; ++c)
  {
    if (!outputs[c])
      continue;
    if (c < nIn && inputs && inputs[c])
      std::memmove(outputs[c], inputs[c], sizeof(double) * static_cast<size_t>(nFrames));
    else
      std::fill(outputs[c], outputs[c] + nFrames, 0.0);
  }
}

void IPluginProcessor::ProcessMidiMsg(const IMidiMsg& msg)
{
  SendMidiMsg(msg);
}
void IPluginProcessor::ProcessSysEx(const ISysEx&) {}
void IPluginProcessor::ResetEngine() {}
void IPluginProcessor::OnActivate(bool) {}

bool IPluginProcessor::SendMidiMsgs(const std::vector<IMidiMsg>& msgs)
{
  bool ok = true;
  for (const IMidiMsg& m : msgs)
    ok &= SendMidiMsg(m);
  return ok;
}

bool IPluginProcessor::SendSysEx(const ISysEx&)
{
  return false;
}

void IPluginProcessor::GetBusName(ERoute direction, int busIdx, int nBuses, std::string& str) const
{
  char buf[64];
  if (direction == kOutput)
  {
    if (nBuses == 1)
      std::snprintf(buf, sizeof(buf), "Output");
    else
      std::snprintf(buf, sizeof(buf), "Output %i", busIdx);
  }
  else
  {
    if (nBuses == 1)
      std::snprintf(buf, sizeof(buf), "Input");
    else if (nBuses == 2)
      std::snprintf(buf, sizeof(buf), "%s", busIdx == 0 ? "Main" : "Aux");
    else
      std::snprintf(buf, sizeof(buf), "Input %i", busIdx);
  }
  str.assign(buf, std::min<size_t>(std::strlen(buf), 32));
}

void IPluginProcessor::ReportLatency(int samples)
{
  samples = std::max(0, samples);
  StoreLatency(samples);
  if (mLatencyDelay)
    mLatencyDelay->Resize(samples);
}

int IPluginProcessor::LatencyForCurrentParameters() const
{
  return GetLatency();
}

void IPluginProcessor::SetTailSize(int tailSize)
{
  mTailSize = tailSize;
}

int IPluginProcessor::NInChansOfActiveConfig() const
{
  if (mActiveIOConfig < 0 || mActiveIOConfig >= NIOConfigs())
    return 2;
  const int n = mIOConfigs[mActiveIOConfig].GetTotalNChannels(kInput);
  return n > 0 ? n : 2;
}

int IPluginProcessor::NChannelsConnected(ERoute dir) const
{
  int n = 0;
  for (const IChannelData& c : mChannelData[dir])
    n += c.mConnected ? 1 : 0;
  return n;
}

bool IPluginProcessor::IsChannelConnected(ERoute dir, int chIdx) const
{
  return chIdx >= 0 && chIdx < MaxNChannels(dir) && mChannelData[dir][chIdx].mConnected;
}

void IPluginProcessor::SetChannelConnections(ERoute dir, int idx, int n, bool connected)
{
  const int end = std::min(idx + n, MaxNChannels(dir));
  for (int i = std::max(0, idx); i < end; ++i)
    mChannelData[dir][i].mConnected = connected;
}

void IPluginProcessor::SetBlockSize(int blockSize)
{
  mBlockSize = std::max(0, blockSize);
  for (auto& side : mChannelData)
    for (IChannelData& c : side)
      c.mScratch.assign(static_cast<size_t>(mBlockSize), 0.0);
}

int IPluginProcessor::MaxNBuses(ERoute dir, int* configIdx) const
{
  int best = -1;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int n = mIOConfigs[i].NBuses(dir);
    if (n >= best)
    {
      best = n;
      if (configIdx)
        *configIdx = i;
    }
  }
  return best;
}

int IPluginProcessor::GetIOConfigWithChanCounts(const std::vector<int>& inChans,
                                                const std::vector<int>& outChans) const
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig& cfg = mIOConfigs[i];
    if (cfg.NBuses(kInput) != static_cast<int>(inChans.size()) ||
        cfg.NBuses(kOutput) != static_cast<int>(outChans.size()))
      continue;
    bool match = true;
    for (size_t b = 0; b < inChans.size() && match; ++b)
      match = cfg.mBuses[kInput][b].mNChans == inChans[b];
    for (size_t b = 0; b < outChans.size() && match; ++b)
      match = cfg.mBuses[kOutput][b].mNChans == outChans[b];
    if (match)
      return i;
  }
  return -1;
}

int IPluginProcessor::MaxNChannelsForMainBus() const
{
  if (mIOConfigs.empty())
    return 0;
  if (mIOConfigs[0].NBuses(kInput) > 0 &&
      mIOConfigs[0].mBuses[kInput][0].mNChans == kWildcardChannels)
    return -1;
  int best = 0;
  for (const IOConfig& cfg : mIOConfigs)
    best = std::max(best, cfg.NChansOnBus(kInput, 0));
  return best;
}

namespace {

// Parses one side ("2.1", "*", "0"); false on malformed text.
bool ParseSide(const std::string& side, std::vector<IBusInfo>& buses, ERoute dir)
{
  if (side.empty())
    return false;
  size_t start = 0;
  while (start <= side.size())
  {
    size_t dot = side.find('.', start);
    if (dot == std::string::npos)
      dot = side.size();
    const std::string tok = side.substr(start, dot - start);
    if (tok.empty())
      return false;
    int n = 0;
    if (tok == "*")
      n = kWildcardChannels;
    else
    {
      for (char ch : tok)
      {
        if (ch < '0' || ch > '9')
          return false;
        n = n * 10 + (ch - '0');
        if (n > 4096)
          return false; // no real bus has this many channels
      }
    }
    if (n != 0)
      buses.push_back(IBusInfo{dir, n});
    start = dot + 1;
  }
  return true;
}

} // namespace

void IPluginProcessor::ParseChannelIOStr(const char* str, std::vector<IOConfig>& configs,
                                         int& totalNInChans, int& totalNOutChans,
                                         int& totalNInBuses, int& totalNOutBuses)
{
  configs.clear();
  totalNInChans = totalNOutChans = totalNInBuses = totalNOutBuses = 0;
  if (!str)
    return;
  const std::string text(str);
  size_t start = 0;
  while (start < text.size())
  {
    size_t end = text.find(' ', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string token = text.substr(start, end - start);
    start = end + 1;
    if (token.empty())
      continue;
    const size_t dash = token.find('-');
    if (dash == std::string::npos || token.find('-', dash + 1) != std::string::npos)
      continue;
    IOConfig cfg;
    if (!ParseSide(token.substr(0, dash), cfg.mBuses[kInput], kInput) ||
        !ParseSide(token.substr(dash + 1), cfg.mBuses[kOutput], kOutput))
      continue;
    totalNInChans = std::max(totalNInChans, cfg.GetTotalNChannels(kInput));
    totalNOutChans = std::max(totalNOutChans, cfg.GetTotalNChannels(kOutput));
    totalNInBuses = std::max(totalNInBuses, cfg.NBuses(kInput));
    totalNOutBuses = std::max(totalNOutBuses, cfg.NBuses(kOutput));
    configs.push_back(std::move(cfg));
  }
}

} // namespace plugfw
