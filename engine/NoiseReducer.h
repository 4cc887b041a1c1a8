#pragma once

#include <memory>
#include <vector>

#include "engine/LinearResampler.h"

struct DenoiseState;

// Fixed-capacity first-in first-out queue of floats; storage is reserved at Prepare so the
// audio thread never allocates.
class FloatRing
{
public:
  void Allocate(int capacity);
  void Clear();
  void FillZeros(int count);
  bool Push(float value); // false when full (the value is dropped)
  float Pop();            // 0 when empty
  int Size() const { return mSize; }
  int Capacity() const { return static_cast<int>(mData.size()); }

private:
  std::vector<float> mData;
  int mRead = 0;
  int mSize = 0;
};

struct DenoiseStateDeleter
{
  void operator()(DenoiseState* state) const;
};

// One channel of the noise stage: its suppressor state, the converters to and from 48 kHz
// and the queues that keep dry and suppressed signal aligned.
struct NoiseReducerChannel
{
  std::unique_ptr<DenoiseState, DenoiseStateDeleter> suppressor;
  LinearResampler inputConverter;
  LinearResampler outputConverter;
  std::vector<float> frameQueue; // capacity fixed at Prepare; frameQueueSize samples in use
  int frameQueueSize = 0;
  FloatRing wetQueue;
  FloatRing dryQueue;
};

// "Hushen": steady-noise suppression for every channel at any host rate. Runs the 48 kHz
// suppressor on 480-sample frames and blends its output with the dry signal delayed by the
// wet path's whole delay, so a blend of the two never forms a comb filter.
class NoiseReducer
{
public:
  static constexpr int kFrameSize = 480;

  // Samples queued ahead of the blend: one frame at the host rate plus 32 samples of margin
  // for the two converters. Rates that are not positive finite numbers count as 48 kHz.
  static int BufferingFor(double sampleRate);
  // The stage's whole delay at a host rate, which is its reported latency: the buffering plus
  // the suppressor's own two frames (20 ms) at the host rate. 1472 samples at 48 kHz.
  static int LatencyFor(double sampleRate);

  NoiseReducer();
  ~NoiseReducer();
  NoiseReducer(const NoiseReducer&) = delete;
  NoiseReducer& operator=(const NoiseReducer&) = delete;
  NoiseReducer(NoiseReducer&&) noexcept;
  NoiseReducer& operator=(NoiseReducer&&) noexcept;

  // Rebuilds every channel unit (at least one) for the given host rate; a rate that is not
  // a positive finite number is taken as 48 kHz. Allocates; not for the audio thread.
  void Prepare(double sampleRate, int channelCount);

  // Processes one channel's buffer in place with the stored amount. Untouched while the
  // amount is 0.001 or less, for an unknown channel, or when the channel has no suppressor.
  void Process(float* buffer, int count, int channel);

  void SetAmount(float value) { amount = value; }
  int GetLatency() const { return mLatency; }
  int GetBuffering() const { return mBuffering; }
  double GetSampleRate() const { return mSampleRate; }
  int GetChannelCount() const { return static_cast<int>(mChannels.size()); }
  bool HasSuppressor(int channel) const;
  // Releases one channel's suppressor, leaving the unit as it is when creation fails.
  void DiscardSuppressor(int channel);

  // Blend amount for the next Process call, 0..1.
  float amount = 0.0f;

private:
  void ProcessChunk(NoiseReducerChannel& unit, float* buffer, int count);

  double mSampleRate = 48000.0;
  int mFrameSize = kFrameSize;
  int mBuffering = 512;
  int mLatency = 1472;
  int mChunk = 0; // largest host block handled in one pass
  std::vector<NoiseReducerChannel> mChannels;
  std::vector<float> mResampled;
  std::vector<float> mSuppressed;
};
