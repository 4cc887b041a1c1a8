#include "engine/NoiseReducer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "denoise/Denoise.h"

namespace {
// 200 dB above full scale: anything louder is treated as this loud, so sums of a frame
// cannot overflow.
constexpr float kSampleLimit = 1e10f;
constexpr float kActiveThreshold = 0.001f;
constexpr float kToSuppressorScale = 32768.0f;
constexpr float kFromSuppressorScale = 1.0f / 32768.0f; // exactly 2^-15
// Host rates outside this range are not audio rates; they are clamped so the queue sizes
// stay bounded.
constexpr double kMinRate = 1000.0;
constexpr double kMaxRate = 1536000.0;
// Host samples handled in one pass at 48 kHz; larger blocks are split so the scratch
// buffers can be sized once at Prepare.
constexpr double kChunkAt48k = 16384.0;

double UsableRate(double sampleRate)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate))
    return 48000.0;
  return std::clamp(sampleRate, kMinRate, kMaxRate);
}

// Non-finite samples would stay in the delay queues for longer than a block; denormals
// would slow every interpolation that touches them.
inline float CleanSample(float x)
{
  if (!std::isfinite(x))
    return 0.0f;
  if (std::fabs(x) < std::numeric_limits<float>::min())
    return 0.0f;
  return std::clamp(x, -kSampleLimit, kSampleLimit);
}
} // namespace

// ---------------------------------------------------------------------------------------------

void FloatRing::Allocate(int capacity)
{
  mData.assign(static_cast<size_t>(std::max(capacity, 1)), 0.0f);
  mRead = 0;
  mSize = 0;
}

void FloatRing::Clear()
{
  mRead = 0;
  mSize = 0;
}

void FloatRing::FillZeros(int count)
{
  for (int i = 0; i < count; ++i)
    Push(0.0f);
}

bool FloatRing::Push(float value)
{
  const int capacity = Capacity();
  if (mSize >= capacity)
    return false;
  int write = mRead + mSize;
  if (write >= capacity)
    write -= capacity;
  mData[static_cast<size_t>(write)] = value;
  ++mSize;
  return true;
}

float FloatRing::Pop()
{
  if (mSize == 0)
    return 0.0f;
  const float value = mData[static_cast<size_t>(mRead)];
  if (++mRead >= Capacity())
    mRead = 0;
  --mSize;
  return value;
}

void DenoiseStateDeleter::operator()(DenoiseState* state) const
{
  if (state)
    rnnoise_destroy(state);
}

// ---------------------------------------------------------------------------------------------

int NoiseReducer::BufferingFor(double sampleRate)
{
  return static_cast<int>(std::round(UsableRate(sampleRate) * kFrameSize / 48000.0)) + 32;
}

int NoiseReducer::LatencyFor(double sampleRate)
{
  const double suppressorDelay = UsableRate(sampleRate) * (2 * kFrameSize) / 48000.0;
  return BufferingFor(sampleRate) + static_cast<int>(std::round(suppressorDelay));
}

NoiseReducer::NoiseReducer() = default;
NoiseReducer::~NoiseReducer() = default;
NoiseReducer::NoiseReducer(NoiseReducer&&) noexcept = default;
NoiseReducer& NoiseReducer::operator=(NoiseReducer&&) noexcept = default;

void NoiseReducer::Prepare(double sampleRate, int channelCount)
{
  mSampleRate = UsableRate(sampleRate);
  mFrameSize = kFrameSize;
  mBuffering = BufferingFor(mSampleRate);
  mLatency = LatencyFor(mSampleRate);

  const double inStep = mSampleRate / 48000.0;
  const double outStep = 48000.0 / mSampleRate;
  mChunk = static_cast<int>(std::clamp(std::floor(kChunkAt48k * inStep), 256.0, kChunkAt48k));
  const int resampledIn = LinearResampler::MaxOutput(mChunk, inStep);
  const int frameCapacity = (kFrameSize - 1) + resampledIn;
  const int resampledOut = LinearResampler::MaxOutput(frameCapacity, outStep);

  mResampled.assign(static_cast<size_t>(std::max(resampledIn, resampledOut)), 0.0f);
  mSuppressed.assign(static_cast<size_t>(frameCapacity), 0.0f);

  mChannels.clear(); // releases every suppressor state
  const int units = std::max(channelCount, 1);
  mChannels.resize(static_cast<size_t>(units));
  for (NoiseReducerChannel& unit : mChannels)
  {
    unit.suppressor.reset(rnnoise_create(nullptr));
    unit.inputConverter.Reset(inStep);
    unit.outputConverter.Reset(outStep);
    unit.frameQueue.assign(static_cast<size_t>(frameCapacity), 0.0f);
    unit.frameQueueSize = 0;
    // The suppressed stream starts behind the buffering only: it brings its own 20 ms. The dry
    // copy waits for the whole delay, so both meet in time.
    unit.wetQueue.Allocate(2 * mBuffering + resampledOut + 64);
    unit.wetQueue.FillZeros(mBuffering);
    unit.dryQueue.Allocate(mLatency + 1);
    unit.dryQueue.FillZeros(mLatency);
  }
}

bool NoiseReducer::HasSuppressor(int channel) const
{
  return channel >= 0 && channel < GetChannelCount() &&
         mChannels[static_cast<size_t>(channel)].suppressor;
}

void NoiseReducer::DiscardSuppressor(int channel)
{
  if (channel >= 0 && channel < GetChannelCount())
    mChannels[static_cast<size_t>(channel)].suppressor.reset();
}

void NoiseReducer::Process(float* buffer, int count, int channel)
{
  if (channel < 0 || channel >= GetChannelCount())
    return;
  if (!(amount > kActiveThreshold))
    return; // also keeps a NaN amount inactive
  if (!buffer || count < 1)
    return;
  NoiseReducerChannel& unit = mChannels[static_cast<size_t>(channel)];
  if (!unit.suppressor)
    return;
  for (int offset = 0; offset < count; offset += mChunk)
    ProcessChunk(unit, buffer + offset, std::min(mChunk, count - offset));
}

void NoiseReducer::ProcessChunk(NoiseReducerChannel& unit, float* buffer, int count)
{
  const float mix = std::min(amount, 1.0f);
  for (int m = 0; m < count; ++m)
    buffer[m] = CleanSample(buffer[m]);

  // To 48 kHz, onto the frame queue.
  const int converted = unit.inputConverter.Process(buffer, count, mResampled.data(),
                                                    static_cast<int>(mResampled.size()));
  const int frameCapacity = static_cast<int>(unit.frameQueue.size());
  const int accepted = std::min(converted, frameCapacity - unit.frameQueueSize);
  std::copy_n(mResampled.begin(), accepted, unit.frameQueue.begin() + unit.frameQueueSize);
  unit.frameQueueSize += accepted;

  // Whole frames through the suppressor.
  int suppressed = 0;
  int consumed = 0;
  float frameIn[kFrameSize];
  float frameOut[kFrameSize];
  while (unit.frameQueueSize - consumed >= kFrameSize)
  {
    const float* source = unit.frameQueue.data() + consumed;
    for (int i = 0; i < kFrameSize; ++i)
      frameIn[i] = source[i] * kToSuppressorScale;
    rnnoise_process_frame(unit.suppressor.get(), frameOut, frameIn);
    float* target = mSuppressed.data() + suppressed;
    for (int i = 0; i < kFrameSize; ++i)
      target[i] = frameOut[i] * kFromSuppressorScale;
    suppressed += kFrameSize;
    consumed += kFrameSize;
  }
  if (consumed > 0)
  {
    std::copy(unit.frameQueue.begin() + consumed, unit.frameQueue.begin() + unit.frameQueueSize,
              unit.frameQueue.begin());
    unit.frameQueueSize -= consumed;
  }

  // Back to the host rate, onto the wet queue.
  const int wet = unit.outputConverter.Process(mSuppressed.data(), suppressed, mResampled.data(),
                                               static_cast<int>(mResampled.size()));
  for (int i = 0; i < wet; ++i)
    unit.wetQueue.Push(mResampled[static_cast<size_t>(i)]);

  // Blend with the delayed dry signal.
  for (int m = 0; m < count; ++m)
  {
    unit.dryQueue.Push(buffer[m]);
    const float d = unit.dryQueue.Pop();
    const float w = unit.wetQueue.Size() > 0 ? unit.wetQueue.Pop() : d;
    buffer[m] = (1.0f - mix) * d + mix * w;
  }
}
