#include "tools/quellor-render/ClosedLoop.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace loopsim {

namespace {

// Seeds that differ by one give unrelated rooms.
uint64_t Mix(uint64_t x)
{
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

struct Gaussian
{
  uint64_t state;
  explicit Gaussian(uint32_t seed) : state(Mix(seed)) {}
  double Uniform() // (0, 1)
  {
    state = Mix(state);
    return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
  }
  double Next() // Box-Muller, one value per call
  {
    const double u = Uniform(), v = Uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * v);
  }
};

// Second-order Butterworth section (high- or low-pass), direct form I in double.
struct Biquad
{
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  Biquad(double hz, double rate, bool highPass)
  {
    const double w0 = 2.0 * std::numbers::pi * std::clamp(hz, 1.0, 0.49 * rate) / rate;
    const double alpha = std::sin(w0) / (2.0 * std::numbers::sqrt2 / 2.0);
    const double c = std::cos(w0);
    const double a0 = 1.0 + alpha;
    if (highPass)
    {
      b0 = (1.0 + c) / 2.0 / a0;
      b1 = -(1.0 + c) / a0;
    }
    else
    {
      b0 = (1.0 - c) / 2.0 / a0;
      b1 = (1.0 - c) / a0;
    }
    b2 = b0;
    a1 = -2.0 * c / a0;
    a2 = (1.0 - alpha) / a0;
  }
  double Process(double x)
  {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// H on a grid fine enough (at least 32 points per response length) to find its peaks and the
// points where it is real: bins 0 .. M/2.
std::vector<std::complex<float>> FineSpectrum(const std::vector<float>& h)
{
  size_t m = 1024;
  while (m < 32 * h.size() && m < (size_t{1} << 22))
    m <<= 1;
  std::vector<std::complex<float>> x(m, {0.0f, 0.0f});
  for (size_t i = 0; i < h.size() && i < m; ++i)
    x[i] = {h[i], 0.0f};
  ComplexFft::Transform(x.data(), static_cast<int>(m));
  x.resize(m / 2 + 1);
  return x;
}

} // namespace

double PeakResponse(const std::vector<float>& h)
{
  double peak = 0;
  for (const auto& v : FineSpectrum(h))
    peak = std::max(peak, static_cast<double>(std::abs(v)));
  return peak;
}

double ExactStableGain(const std::vector<float>& h)
{
  const std::vector<std::complex<float>> H = FineSpectrum(h);
  double best = 0;
  // Both ends of the grid are real for a real response.
  best =
      std::max({best, static_cast<double>(H.front().real()), static_cast<double>(H.back().real())});
  for (size_t k = 0; k + 1 < H.size(); ++k)
  {
    const double i0 = H[k].imag(), i1 = H[k + 1].imag();
    if ((i0 < 0) == (i1 < 0) || i0 == i1)
      continue;
    const double t = i0 / (i0 - i1);
    const double re = H[k].real() + t * (H[k + 1].real() - H[k].real());
    best = std::max(best, re);
  }
  return best > 0 ? 1.0 / best : 0.0;
}

std::vector<float> MakeRoomResponse(const RoomParams& room)
{
  const double rt60 = std::clamp(std::isfinite(room.rt60) ? room.rt60 : 0.4, 0.05, 3.0);
  const double delayMs = std::clamp(std::isfinite(room.delayMs) ? room.delayMs : 5.0, 0.0, 100.0);
  const size_t delay = std::max(static_cast<size_t>(std::lround(delayMs * kRate / 1000.0)),
                                static_cast<size_t>(kBlock));
  const size_t tail = static_cast<size_t>(std::ceil(rt60 * kRate));
  std::vector<float> h(delay + tail, 0.0f);
  Gaussian noise(room.seed);
  Biquad high(std::isfinite(room.lowHz) ? room.lowHz : 100.0, kRate, true);
  Biquad low(std::isfinite(room.highHz) ? room.highHz : 10000.0, kRate, false);
  const double decayPerSample = std::log(1000.0) / (rt60 * kRate); // -60 dB after rt60
  for (size_t i = delay; i < h.size(); ++i)
  {
    const double r = noise.Next() * std::exp(-decayPerSample * static_cast<double>(i - delay));
    h[i] = static_cast<float>(low.Process(high.Process(r)));
  }
  const double peak = PeakResponse(h);
  if (peak > 0)
    for (float& v : h)
      v = static_cast<float>(v / peak);
  return h;
}

bool PartitionedConvolver::Prepare(const std::vector<float>& h)
{
  if (h.size() < static_cast<size_t>(kBlock))
    return false;
  for (int i = 0; i < kBlock; ++i)
    if (h[static_cast<size_t>(i)] != 0.0f)
      return false;
  mParts = static_cast<int>((h.size() + kBlock - 1) / kBlock);
  const size_t bins = static_cast<size_t>(mParts) * kBins;
  mHr.assign(bins, 0.0f);
  mHi.assign(bins, 0.0f);
  mXr.assign(bins, 0.0f);
  mXi.assign(bins, 0.0f);
  mPrevious.assign(kBlock, 0.0f);
  mWork.assign(2 * kBlock, {0.0f, 0.0f});
  mAccR.assign(kBins, 0.0f);
  mAccI.assign(kBins, 0.0f);
  mHead = 0;
  for (int j = 0; j < mParts; ++j)
  {
    std::fill(mWork.begin(), mWork.end(), std::complex<float>(0.0f, 0.0f));
    for (int i = 0; i < kBlock; ++i)
    {
      const size_t at = static_cast<size_t>(j) * kBlock + static_cast<size_t>(i);
      if (at < h.size())
        mWork[static_cast<size_t>(i)] = {h[at], 0.0f};
    }
    mFft.Forward(mWork);
    for (int k = 0; k < kBins; ++k)
    {
      mHr[static_cast<size_t>(j * kBins + k)] = mWork[static_cast<size_t>(k)].real();
      mHi[static_cast<size_t>(j * kBins + k)] = mWork[static_cast<size_t>(k)].imag();
    }
  }
  return true;
}

void PartitionedConvolver::Output(float* out)
{
  std::fill(mAccR.begin(), mAccR.end(), 0.0f);
  std::fill(mAccI.begin(), mAccI.end(), 0.0f);
  float* __restrict ar = mAccR.data();
  float* __restrict ai = mAccI.data();
  // Partition 0 is the first block of the pure delay: zero.
  for (int j = 1; j < mParts; ++j)
  {
    const int slot = ((mHead - (j - 1)) % mParts + mParts) % mParts;
    const float* __restrict hr = mHr.data() + j * kBins;
    const float* __restrict hi = mHi.data() + j * kBins;
    const float* __restrict xr = mXr.data() + slot * kBins;
    const float* __restrict xi = mXi.data() + slot * kBins;
    for (int k = 0; k < kBins; ++k)
    {
      ar[k] += hr[k] * xr[k] - hi[k] * xi[k];
      ai[k] += hr[k] * xi[k] + hi[k] * xr[k];
    }
  }
  // Inverse by conjugate, forward, conjugate; only the real part is used.
  const int m = 2 * kBlock;
  for (int k = 0; k < kBins; ++k)
    mWork[static_cast<size_t>(k)] = {ar[k], -ai[k]};
  for (int k = 1; k < kBlock; ++k)
    mWork[static_cast<size_t>(m - k)] = {ar[k], ai[k]};
  mFft.Forward(mWork);
  const float scale = 1.0f / static_cast<float>(m);
  for (int i = 0; i < kBlock; ++i)
    out[i] = mWork[static_cast<size_t>(kBlock + i)].real() * scale;
}

void PartitionedConvolver::Push(const float* in)
{
  if (mParts == 0)
    return;
  for (int i = 0; i < kBlock; ++i)
  {
    mWork[static_cast<size_t>(i)] = {mPrevious[static_cast<size_t>(i)], 0.0f};
    mWork[static_cast<size_t>(kBlock + i)] = {in[i], 0.0f};
    mPrevious[static_cast<size_t>(i)] = in[i];
  }
  mFft.Forward(mWork);
  mHead = (mHead + 1) % mParts;
  for (int k = 0; k < kBins; ++k)
  {
    mXr[static_cast<size_t>(mHead * kBins + k)] = mWork[static_cast<size_t>(k)].real();
    mXi[static_cast<size_t>(mHead * kBins + k)] = mWork[static_cast<size_t>(k)].imag();
  }
}

HowlTracker::HowlTracker()
{
  mWindow.resize(kSize);
  double sum = 0;
  for (int i = 0; i < kSize; ++i)
  {
    const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kSize);
    mWindow[static_cast<size_t>(i)] = static_cast<float>(w);
    sum += w;
  }
  mScale = static_cast<float>(2.0 / sum); // a sine of amplitude a reads a at its bin
  mBuffer.assign(kSize, 0.0f);
  mProgramme.assign(kSize, 0.0f);
  mMag.assign(kSize / 2, 0.0f);
  mProgrammeMag.assign(kSize / 2, 0.0f);
  mFrame.assign(kSize, {0.0f, 0.0f});
}

double HowlTracker::FrameTime(int64_t frame) const
{
  // A frame is analysed when its last sample has arrived.
  return static_cast<double>(kSize + frame * kHop) / kRate;
}

void HowlTracker::Feed(const float* speaker, const float* programme, int n, double gainDb)
{
  mGainDb = gainDb;
  for (int i = 0; i < n; ++i)
  {
    mProgramme[static_cast<size_t>(mFill)] = programme[i];
    mBuffer[static_cast<size_t>(mFill++)] = speaker[i];
    ++mSamples;
    if (mFill == kSize)
    {
      Analyse();
      std::copy(mBuffer.begin() + kHop, mBuffer.end(), mBuffer.begin());
      std::copy(mProgramme.begin() + kHop, mProgramme.end(), mProgramme.begin());
      mFill = kSize - kHop;
    }
  }
}

void HowlTracker::Analyse()
{
  const int64_t frame = mFrameIndex++;
  mGainAtFrame.push_back(mGainDb);
  mFft.ForwardWindowed(mBuffer.data(), mWindow.data(), mFrame.data());
  const int lo = static_cast<int>(50.0 * kSize / kRate);
  const int hi = static_cast<int>(16000.0 * kSize / kRate);
  for (int k = lo - 1; k <= hi + 1; ++k)
    mMag[static_cast<size_t>(k)] = std::abs(mFrame[static_cast<size_t>(k)]) * mScale;
  mFft.ForwardWindowed(mProgramme.data(), mWindow.data(), mFrame.data());
  for (int k = lo - 3; k <= hi + 3; ++k)
    mProgrammeMag[static_cast<size_t>(k)] = std::abs(mFrame[static_cast<size_t>(k)]) * mScale;
  mSorted.assign(mMag.begin() + lo, mMag.begin() + hi + 1);
  std::nth_element(mSorted.begin(), mSorted.begin() + static_cast<long>(mSorted.size() / 2),
                   mSorted.end());
  const float median = mSorted[mSorted.size() / 2];
  const float floor = std::max(median * 5.623413f, 0.001f); // +15 dB, -60 dBFS
  const float howl = static_cast<float>(std::pow(10.0, kHowlDbfs / 20.0));
  const float overProgramme =
      static_cast<float>(std::pow(10.0, (mGainDb + kHowlOverProgrammeDb) / 20.0));

  struct Peak
  {
    int bin;
    float level;
  };
  std::vector<Peak> peaks;
  for (int k = lo; k <= hi; ++k)
  {
    const float v = mMag[static_cast<size_t>(k)];
    if (v >= floor && v > mMag[static_cast<size_t>(k - 1)] && v >= mMag[static_cast<size_t>(k + 1)])
      peaks.push_back({k, v});
  }
  std::sort(peaks.begin(), peaks.end(),
            [](const Peak& a, const Peak& b) { return a.level > b.level; });
  if (peaks.size() > 24)
    peaks.resize(24);

  for (auto& t : mTracks)
    t.seen = false;
  std::vector<float> levelOf(mTracks.size() + peaks.size(), 0.0f);
  for (const Peak& p : peaks)
  {
    Track* match = nullptr;
    for (auto& t : mTracks)
      if (!t.seen && std::abs(t.bin - p.bin) <= 2 &&
          (match == nullptr || std::abs(t.bin - p.bin) < std::abs(match->bin - p.bin)))
        match = &t;
    if (match == nullptr)
    {
      if (mTracks.size() >= 64)
        continue;
      Track t;
      t.firstFrame = frame;
      t.grewFromGain = mGainDb;
      mTracks.push_back(t);
      match = &mTracks.back();
    }
    const float l = mMag[static_cast<size_t>(p.bin - 1)], c = p.level,
                r = mMag[static_cast<size_t>(p.bin + 1)];
    const float den = l - 2.0f * c + r;
    const float delta = den != 0.0f ? 0.5f * (l - r) / den : 0.0f;
    match->bin = p.bin;
    match->frequency = (p.bin + static_cast<double>(delta)) * kRate / kSize;
    match->lastFrame = frame;
    match->seen = true;
    levelOf[static_cast<size_t>(match - mTracks.data())] = p.level;
  }

  for (size_t i = 0; i < mTracks.size(); ++i)
  {
    Track& t = mTracks[i];
    const float level = t.seen ? levelOf[i] : 0.0f;
    float programme = 0.0f;
    for (int k = t.bin - 2; k <= t.bin + 2; ++k)
      programme = std::max(programme, mProgrammeMag[static_cast<size_t>(k)]);
    const bool loopMade = level >= programme * overProgramme;
    if (t.seen && level >= howl && loopMade)
    {
      if (t.episode < 0)
      {
        // It grew from where it first stood out, or from the end of its previous episode.
        const int64_t from = t.lastHowlFrame >= 0 ? t.lastHowlFrame + 1 : t.firstFrame;
        HowlEpisode e;
        e.start = FrameTime(frame);
        e.grewFrom = FrameTime(from);
        e.gainDb = mGainAtFrame[static_cast<size_t>(from)];
        t.episode = static_cast<int>(mEpisodes.size());
        t.firstFrame = frame; // the episode's first frame from here on
        mEpisodes.push_back(e);
      }
      HowlEpisode& e = mEpisodes[static_cast<size_t>(t.episode)];
      e.frequency = t.frequency;
      e.peakDbfs = std::max(e.peakDbfs, ToDb(level));
      e.duration = static_cast<double>(frame - t.firstFrame + 1) * kHop / kRate;
      t.lastHowlFrame = frame;
      if (mSustainedIndex < 0 && e.sustained())
        mSustainedIndex = t.episode;
    }
    else if (t.episode >= 0 && frame - t.lastHowlFrame > kMaxGap)
    {
      mEpisodes[static_cast<size_t>(t.episode)].ended = true;
      t.episode = -1;
    }
  }
  // Tracks unseen for too long are dropped (their episode, if any, has ended above).
  std::erase_if(mTracks,
                [&](const Track& t) { return frame - t.lastFrame > kMaxGap && t.episode < 0; });
}

bool ScaleProgramme(std::vector<float>& x)
{
  double sum = 0;
  for (float v : x)
    sum += static_cast<double>(v) * v;
  const double rms = x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
  if (!(rms > 1e-9) || !std::isfinite(rms))
    return false;
  const double gain = std::pow(10.0, kProgrammeDbfs / 20.0) / rms;
  for (float& v : x)
    v = static_cast<float>(v * gain);
  return true;
}

float Amplifier(float x)
{
  const float a = std::fabs(x);
  if (!(a <= 0.5f))
  {
    if (!std::isfinite(x))
      return 0.0f;
    const float y = 0.5f + 0.5f * std::tanh((a - 0.5f) / 0.5f);
    return x < 0 ? -y : y;
  }
  return x;
}

LoopResult RunLoop(const LoopSetup& setup, const BlockProcessor& process,
                   const BlockObserver& observe)
{
  LoopResult result;
  PartitionedConvolver room;
  if (!room.Prepare(setup.room) || setup.programme.empty())
    return result;
  const LoopSchedule& s = setup.schedule;
  const bool fixed = s.fixedSeconds > 0;
  const double step = s.stepDb > 0 ? s.stepDb : 0.5;
  const double stepSeconds = s.stepSeconds > 0 ? s.stepSeconds : 2.0;
  const int steps =
      fixed ? 1
            : std::max(static_cast<int>(std::floor((s.maxDb - s.startDb) / step + 1e-9)) + 1, 1);
  const double total = fixed ? s.fixedSeconds : steps * stepSeconds;
  const int64_t blocks = static_cast<int64_t>(std::ceil(total * kRate / kBlock));

  HowlTracker tracker;
  std::vector<float> feedback(kBlock), speaker(kBlock), programmeBlock(kBlock);
  std::vector<double> work(kBlock);
  const size_t programmeLength = setup.programme.size();
  size_t at = 0;
  double levelSum = 0;
  int levelCount = 0;
  const int levelWindow = static_cast<int>(kRate / 100);
  double gainDb = s.startDb;
  int64_t stopAtBlock = -1;
  int64_t b = 0;
  for (; b < blocks; ++b)
  {
    const double t0 = static_cast<double>(b * kBlock) / kRate;
    const int stepIndex = fixed ? 0 : std::min(static_cast<int>(t0 / stepSeconds), steps - 1);
    if (stopAtBlock < 0) // after a sustained howl K stays where it was
      gainDb = s.startDb + step * stepIndex;
    const float k = static_cast<float>(std::pow(10.0, gainDb / 20.0));

    room.Output(feedback.data());
    for (int i = 0; i < kBlock; ++i)
    {
      programmeBlock[static_cast<size_t>(i)] = setup.programme[at];
      work[static_cast<size_t>(i)] = static_cast<double>(setup.programme[at]) +
                                     static_cast<double>(feedback[static_cast<size_t>(i)]);
      at = at + 1 == programmeLength ? 0 : at + 1;
    }
    if (setup.record)
      result.microphone.insert(result.microphone.end(), work.begin(), work.end());
    if (process)
      process(work.data(), kBlock);
    for (int i = 0; i < kBlock; ++i)
    {
      const float y = Amplifier(k * static_cast<float>(work[static_cast<size_t>(i)]));
      speaker[static_cast<size_t>(i)] = y;
      levelSum += static_cast<double>(y) * y;
      if (++levelCount == levelWindow)
      {
        result.levelDb.push_back(
            static_cast<float>(10.0 * std::log10(levelSum / levelWindow + 1e-20)));
        result.gainDb.push_back(static_cast<float>(gainDb));
        levelSum = 0;
        levelCount = 0;
      }
    }
    room.Push(speaker.data());
    tracker.Feed(speaker.data(), programmeBlock.data(), kBlock, gainDb);
    if (setup.record)
      result.loudspeaker.insert(result.loudspeaker.end(), speaker.begin(), speaker.end());
    const double t1 = static_cast<double>((b + 1) * kBlock) / kRate;
    if (observe)
      observe(t1);
    if (s.stopWhenSustained && tracker.Sustained() && stopAtBlock < 0)
      stopAtBlock = b + static_cast<int64_t>(std::ceil(s.afterSustainedSeconds * kRate / kBlock));
    if (stopAtBlock >= 0 && b >= stopAtBlock)
    {
      ++b;
      break;
    }
  }
  result.seconds = static_cast<double>(b * kBlock) / kRate;
  result.episodes = tracker.Episodes();
  if (const HowlEpisode* e = tracker.FirstSustained())
  {
    result.sustained = true;
    result.howlGainDb = e->gainDb;
    result.maxStableGainDb = e->gainDb - (fixed ? 0.0 : step);
  }
  else
  {
    result.maxStableGainDb = gainDb;
  }
  return result;
}

} // namespace loopsim
