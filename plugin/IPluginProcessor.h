#pragma once
// The audio side of the plug-in core: channel I/O configurations, channel records,
// sample rate, block size, latency, tail, time information and the operations through
// which a binding drives block processing.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "plugin/Config.h"
#include "plugin/IMidi.h"

namespace plugfw {

enum ERoute
{
  kInput = 0,
  kOutput = 1
};

// A count written "*" in the channel I/O text: any number of channels.
constexpr int kWildcardChannels = -64;

struct IBusInfo
{
  ERoute mDirection = kInput;
  int mNChans = 0;
};

struct IOConfig
{
  std::vector<IBusInfo> mBuses[2];

  int NBuses(ERoute dir) const { return static_cast<int>(mBuses[dir].size()); }
  // Channels of bus busIdx, 0 when there is no such bus.
  int NChansOnBus(ERoute dir, int busIdx) const;
  // Sum over the buses of one side; wildcard buses count 0.
  int GetTotalNChannels(ERoute dir) const;
  bool ContainsWildcard(ERoute dir) const;
};

struct IChannelData
{
  bool mConnected = false;
  double* mData = nullptr;     // pointer handed to the block processing
  double* mIncoming = nullptr; // pointer received from the host
  std::vector<double> mScratch;
};

struct ITimeInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0;
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

// Delays every input channel by the reported latency while the binding bypasses the plug-in.
// Storage grows only in Reserve() or when asked for more than was reserved, so a latency change
// within the reserved size never allocates.
class ILatencyDelayLine
{
public:
  ILatencyDelayLine(int nInChans, int nOutChans) : mNInChans(nInChans), mNOutChans(nOutChans) {}

  void Reserve(int maxLength);
  // Sets the delay to `length` samples and clears it.
  void Resize(int length);
  void Clear();
  // out[c] = in[c] delayed by Length() for c < min(nIn, nOut); other outputs are zeroed.
  // Buffers may alias. Null channel pointers are skipped (outputs: nothing written).
  void Process(const double* const* inputs, int nIn, double* const* outputs, int nOut, int nFrames);

  int Length() const { return mLength; }
  int NInChans() const { return mNInChans; }
  int NOutChans() const { return mNOutChans; }
  size_t Capacity() const { return mBuffer.capacity(); }

private:
  std::vector<double> mBuffer;
  int mNInChans;
  int mNOutChans;
  int mWritePos = 0;
  int mLength = 0;
};

class IPluginProcessor
{
public:
  explicit IPluginProcessor(const Config& config);
  virtual ~IPluginProcessor();

  IPluginProcessor(const IPluginProcessor&) = delete;
  IPluginProcessor& operator=(const IPluginProcessor&) = delete;

  // --- virtual operations, in this order ---
  virtual void ProcessAudioBlock(double** inputs, double** outputs, int nFrames); // [audio thread]
  virtual void ProcessMidiMsg(const IMidiMsg& msg);                               // [audio thread]
  virtual void ProcessSysEx(const ISysEx& msg);                                   // [audio thread]
  virtual void ResetEngine();                        // [any thread] set-up, or processing stopped
  virtual void OnActivate(bool active);              // [UI thread]
  virtual bool SendMidiMsg(const IMidiMsg& msg) = 0; // [audio thread]
  virtual bool SendMidiMsgs(const std::vector<IMidiMsg>& msgs); // [audio thread]
  virtual bool SendSysEx(const ISysEx& msg);                    // [audio thread]
  virtual void GetBusName(ERoute direction, int busIdx, int nBuses,
                          std::string& str) const; // [UI thread]
  virtual void ReportLatency(int samples);         // [any thread]
  virtual void SetTailSize(int tailSize);          // [UI thread]
  // The latency the current parameter values imply, for hosts that read it before a block
  // has run. Any thread; reads only atomic state. The base answers the stored latency.
  virtual int LatencyForCurrentParameters() const; // [any thread]

  // --- queries ---
  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency.load(std::memory_order_acquire); }
  int GetTailSize() const { return mTailSize; }
  bool GetBypassed() const { return mBypassed.load(std::memory_order_relaxed); }
  bool GetRenderingOffline() const { return mRenderingOffline; }
  int GetPlugType() const { return mPlugType; }
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  bool DoesMIDIOut() const { return mDoesMIDIOut; }
  bool DoesMPE() const { return mDoesMPE; }
  const ITimeInfo& GetTimeInfo() const { return mTimeInfo; }

  int NIOConfigs() const { return static_cast<int>(mIOConfigs.size()); }
  const IOConfig& GetIOConfig(int idx) const { return mIOConfigs[idx]; }
  // Index of the configuration the host last agreed on (at first: the one buses were made from).
  int GetActiveIOConfigIdx() const { return mActiveIOConfig; }
  // Input channels the active configuration declares, 2 when it declares none.
  int NInChansOfActiveConfig() const;

  int MaxNChannels(ERoute dir) const { return static_cast<int>(mChannelData[dir].size()); }
  int NChannelsConnected(ERoute dir) const;
  int NInChansConnected() const { return NChannelsConnected(kInput); }
  int NOutChansConnected() const { return NChannelsConnected(kOutput); }
  bool IsChannelConnected(ERoute dir, int chIdx) const;

  // Largest bus count of one side; *configIdx (when given) gets a configuration having it,
  // a later one winning a tie. -1 when there are no configurations.
  int MaxNBuses(ERoute dir, int* configIdx = nullptr) const;
  // First configuration whose buses have exactly these channel counts, or -1.
  int GetIOConfigWithChanCounts(const std::vector<int>& inChans,
                                const std::vector<int>& outChans) const;
  // -1 when the first configuration has a wildcard input bus; otherwise the most channels any
  // configuration gives input bus 0.
  int MaxNChannelsForMainBus() const;

  // Parses a channel I/O text such as "1-1 2-2". Malformed configurations are skipped.
  static void ParseChannelIOStr(const char* str, std::vector<IOConfig>& configs, int& totalNInChans,
                                int& totalNOutChans, int& totalNInBuses, int& totalNOutBuses);

  ILatencyDelayLine* GetLatencyDelay() const { return mLatencyDelay.get(); }

protected:
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  // Resizes every channel's scratch buffer to blockSize samples.
  void SetBlockSize(int blockSize);
  void SetBypassed(bool bypassed) { mBypassed.store(bypassed, std::memory_order_relaxed); }
  void SetRenderingOffline(bool offline) { mRenderingOffline = offline; }
  void SetActiveIOConfig(int idx) { mActiveIOConfig = idx; }
  void SetChannelConnections(ERoute dir, int idx, int n, bool connected);
  void SetTimeInfo(const ITimeInfo& info) { mTimeInfo = info; }
  void StoreLatency(int samples) { mLatency.store(samples, std::memory_order_release); }

  int mPlugType;
  bool mDoesMIDIIn;
  bool mDoesMIDIOut;
  bool mDoesMPE;
  double mSampleRate = 48000.0;
  int mBlockSize = 0;
  int mTailSize = 0;
  std::atomic<bool> mBypassed{false}; // written by the audio thread and by state restore
  bool mRenderingOffline = false;
  int mActiveIOConfig = 0;
  std::vector<IOConfig> mIOConfigs;
  std::vector<IChannelData> mChannelData[2];
  std::vector<double*> mChannelPtrs[2]; // the arrays handed to ProcessAudioBlock
  std::unique_ptr<ILatencyDelayLine> mLatencyDelay;
  ITimeInfo mTimeInfo;

private:
  std::atomic<int> mLatency{0};
};

} // namespace plugfw
