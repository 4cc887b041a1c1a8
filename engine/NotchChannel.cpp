#include "engine/NotchChannel.h"

#include "dspmath/DetMath.h"
#include "engine/HowlFeatures.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kClipKnee = 0.9f;

// A peak with a harmonic partner above this share of the peak threshold, and of the peak
// itself, is taken for a note: no rise triggers it, and the strong test waits longer.
constexpr float kPartnerShareOfThreshold = 0.25f;
constexpr float kPartnerShareOfPeak = 0.2f;
constexpr int32_t kStrongSightings = 8;
constexpr int32_t kStrongSightingsWithPartner = 72;
// Steady growth: over kTrendLength sightings the log magnitude rises by at least this share of
// ln(riseRatio), within kTrendDeviation nepers (0.26 dB) of a straight line.
constexpr float kTrendShareOfRise = 0.25f;
constexpr float kTrendDeviation = 0.03f;
constexpr float kPartnersIgnoredFrom = 0.5f;
// An exact partner: its own estimated position within this many bins (times the ratio) of where
// the harmonic belongs. A peak with exact partners in a quarter of its sightings is a note to
// every test, whether or not one stands beside it just now; with them in half its sightings it
// gets no strong test at all (a note held on), unless it stands so loud (from half of full scale,
// kDistortedShare of the magnitude a full-scale sine gives) that distortion may have made those
// partners: a howl driven into the clipper or the loudspeaker.
constexpr float kExactPartnerBins = 0.15f;
constexpr int32_t kExactNoteShare = 4;
constexpr int32_t kHeldNoteShare = 2;
constexpr float kDistortedShare = 0.5f;
// A rise is no howl's either on a peak that had any partner in half of its sightings: a note
// whose partials come and go, as beating or a fading upper partial leaves them.
constexpr int32_t kRiseNoteShare = 2;
// A rise counts when its log magnitude stays within this share of its growth from a straight
// line (root mean square); lower Sensitivity asks for a straighter rise.
constexpr float kRiseDeviationBase = 0.025f;
constexpr float kRiseDeviationPerSensitivity = 0.1f;
// A rise while the programme's mean level grew by more than this factor is an onset across
// many bins, a note or a syllable, not one tone building up.
constexpr float kOnsetMeanRise = 1.25f;
// Release memory: a notch placed within the tolerance of one released less than kRecallSeconds
// ago stays kRecallFactor times as long as that one did, up to kLongestHoldSeconds.
constexpr double kRecallSeconds = 10.0;
constexpr int32_t kRecallFactor = 3;
constexpr double kLongestHoldSeconds = 30.0;
// Programme through a notch: an automatic notch that has cut for kSettleSeconds and still sees a
// peak within 3 dB of the one that placed it (kProgrammeShare) holds back no howl (the peak of a
// howl it caught falls by the notch's depth). After kProgrammeSightings such sightings it is
// released at once, and those peaks no longer keep it. Only a notch placed on a note is judged
// so, a peak with harmonic partners in at least a quarter of its sightings (1 / kNoteShareOf-
// Sightings; a howl in a reverberant room meets a stray partner now and then): a lone steady
// sinusoid standing through its notch looks like a howl in every way the detector can see, and
// keeps its notch.
constexpr double kSettleSeconds = 0.16;
constexpr int32_t kProgrammeSightings = 8;
constexpr float kProgrammeShare = 0.7f;
constexpr float kNoteShareOfSightings = 4.0f;
constexpr float kNeverJudged = std::numeric_limits<float>::infinity();
constexpr float kZoneGrowth = 2.0f;
constexpr float kClipRange = 1.0f - 0.9f; // 0.100000024 in single precision

// Filter states this small are inaudible; zeroing them keeps long silences out of the
// subnormal range, where arithmetic is slow.
constexpr double kStateFloor = 1e-30;

int32_t NearestPowerOfTwo(int64_t c)
{
  if (c < 1)
    return 1;
  int64_t p = 1;
  while (p * 2 <= c)
    p *= 2;
  return static_cast<int32_t>(c - p <= 2 * p - c ? p : 2 * p);
}

float SoftClip(float s)
{
  if (s > kClipKnee)
    return kClipKnee + kClipRange * detmath::TanhF((s - kClipKnee) / kClipRange);
  if (s < -kClipKnee)
    return kClipRange * detmath::TanhF((s + kClipKnee) / kClipRange) - kClipKnee;
  if (s != s) // only after a filter state overflowed; the state is reset at the block's end
    return 0.0f;
  return s;
}

// Runs K consecutive active filters sample by sample with their state in registers; the
// filters' recurrences then overlap instead of waiting on one another.
template <int K>
void CascadeChunk(NotchFilter* const* f, float* buffer, int32_t n)
{
  double b0[K], b1[K], b2[K], a1[K], a2[K], z1[K], z2[K];
  for (int k = 0; k < K; ++k)
  {
    b0[k] = f[k]->b0;
    b1[k] = f[k]->b1;
    b2[k] = f[k]->b2;
    a1[k] = f[k]->a1;
    a2[k] = f[k]->a2;
    z1[k] = f[k]->z1;
    z2[k] = f[k]->z2;
  }
  for (int32_t i = 0; i < n; ++i)
  {
    float x = buffer[i];
    for (int k = 0; k < K; ++k)
    {
      const double xd = x;
      const double y = b0[k] * xd + z1[k];
      z1[k] = b1[k] * xd - a1[k] * y + z2[k];
      z2[k] = b2[k] * xd - a2[k] * y;
      x = static_cast<float>(y);
    }
    buffer[i] = x;
  }
  for (int k = 0; k < K; ++k)
  {
    f[k]->z1 = z1[k];
    f[k]->z2 = z2[k];
  }
}

// The first unused slot of a frequency memory (frequency 0), or else the one whose age is the
// greatest (the first of equals).
template <class Slot, size_t N>
Slot& FreeOrStalest(std::array<Slot, N>& slots, int32_t Slot::*age)
{
  Slot* chosen = &slots[0];
  for (auto& slot : slots)
  {
    if (slot.frequency == 0.0f)
      return slot;
    if (slot.*age > chosen->*age)
      chosen = &slot;
  }
  return *chosen;
}

} // namespace

void NotchChannel::Initialise(double rate)
{
  if (!(rate > 0.0) || !std::isfinite(rate))
    rate = 48000.0;
  sampleRate = rate;

  // Nearest power of two to rate / 23.4 (ties to the smaller), so that bins are about 23 Hz wide.
  const double c = std::min(std::round(rate / 23.4), 1e9);
  analysisSize = std::clamp(NearestPowerOfTwo(static_cast<int64_t>(c)), 1024, 16384);
  hop = analysisSize / 8;
  binWidth = static_cast<float>(rate / analysisSize);

  analysisBuffer.assign(analysisSize, 0.0f);
  fillCount = 0;
  spectrum.assign(analysisSize / 2, 0.0f);

  window.resize(analysisSize);
  const float denom = static_cast<float>(analysisSize - 1);
  for (int32_t i = 0; i < analysisSize; ++i)
    window[i] = (1.0f - detmath::CosF(static_cast<float>(i) * 6.2831855f / denom)) * 0.5f;

  for (auto& f : filters)
    f = NotchFilter{};
  for (auto& c2 : candidates)
    c2.Clear();

  const double frames = 3.0 / (hop / rate);
  releaseFrames = static_cast<int32_t>(
      std::min(frames, static_cast<double>(std::numeric_limits<int32_t>::max())));

  mFft.Prepare(analysisSize);
  mFrame.assign(analysisSize, {0.0f, 0.0f});
  mMagnitudes.assign(analysisSize / 2, 0.0f);
  mHoldFrames.fill(0);
  mStrikes.fill(0);
  mRecalls.fill(Recall{});
  mPlacedFrequency.fill(0.0f);
  mPlacedLevel.fill(0.0f);
  mSincePlaced.fill(0);
  mProgrammeSightings.fill(0);
  mZones.fill(Zone{});
  mSettleFrames = static_cast<int32_t>(std::min(kSettleSeconds * rate / hop + 0.5, 1e9));
}

void NotchChannel::InitialiseKeepingNotches(double rate, bool keepAutomatic)
{
  const std::array<NotchFilter, kFilterCount> before = filters;
  Initialise(rate);
  const float ceiling = FrequencyCeiling(sampleRate);
  for (int i = 0; i < kFilterCount; ++i)
  {
    const NotchFilter& f = before[i];
    if (!f.active || !(f.targetDepth < 0.0f) || !(f.manual || keepAutomatic))
      continue;
    if (!(f.frequency <= ceiling))
      continue; // the new rate cannot hold it
    NotchFilter& kept = filters[i];
    kept.active = true;
    kept.manual = f.manual;
    kept.frequency = f.frequency;
    kept.depth = f.depth;
    kept.targetDepth = f.targetDepth;
    kept.width = f.width;
    kept.DesignCoefficients(sampleRate, trim, widthScale);
  }
}

void NotchChannel::Process(float* buffer, int32_t nFrames)
{
  if (nFrames <= 0 || buffer == nullptr)
  {
    UpdateFilters();
    return;
  }

  // Non-finite and subnormal samples become 0: they must not poison the filters or the
  // detector, and subnormals would slow every stage down.
  for (int32_t i = 0; i < nFrames; ++i)
  {
    const float a = std::fabs(buffer[i]);
    if (!(a >= FLT_MIN && a <= FLT_MAX))
      buffer[i] = 0.0f;
  }

  if (analysisSize > 0)
  {
    int32_t i = 0;
    while (i < nFrames)
    {
      const int32_t take = std::min(nFrames - i, analysisSize - fillCount);
      std::memcpy(analysisBuffer.data() + fillCount, buffer + i, sizeof(float) * take);
      fillCount += take;
      i += take;
      if (fillCount == analysisSize)
      {
        Analyse();
        std::memmove(analysisBuffer.data(), analysisBuffer.data() + hop,
                     sizeof(float) * (analysisSize - hop));
        fillCount = analysisSize - hop;
      }
    }
  }

  UpdateFilters();
  RunCascade(buffer, nFrames);

  for (int32_t i = 0; i < nFrames; ++i)
    buffer[i] = SoftClip(buffer[i] * gain);

  for (auto& f : filters)
  {
    if (!std::isfinite(f.z1) || !std::isfinite(f.z2) ||
        (std::fabs(f.z1) < kStateFloor && std::fabs(f.z2) < kStateFloor))
      f.z1 = f.z2 = 0.0;
  }
}

void NotchChannel::UpdateFilters()
{
  for (auto& f : filters)
    f.UpdateDepthAndCoefficients(sampleRate, trim, widthScale);
}

void NotchChannel::RunCascade(float* buffer, int32_t nFrames)
{
  NotchFilter* active[kFilterCount];
  int count = 0;
  for (auto& f : filters)
    if (f.active)
      active[count++] = &f;
  // Each filter only depends on its own input stream, so running the bank in chunks of
  // filters gives the same samples as running all of them per sample.
  for (int at = 0; at < count;)
  {
    switch (std::min(count - at, 4))
    {
    case 4:
      CascadeChunk<4>(active + at, buffer, nFrames);
      at += 4;
      break;
    case 3:
      CascadeChunk<3>(active + at, buffer, nFrames);
      at += 3;
      break;
    case 2:
      CascadeChunk<2>(active + at, buffer, nFrames);
      at += 2;
      break;
    default:
      CascadeChunk<1>(active + at, buffer, nFrames);
      at += 1;
      break;
    }
  }
}

int NotchChannel::ActiveFilterCount() const
{
  int n = 0;
  for (const auto& f : filters)
    n += f.active ? 1 : 0;
  return n;
}

void NotchChannel::Analyse()
{
  const int32_t n = analysisSize;
  if (n <= 0 || static_cast<int32_t>(mFrame.size()) != n)
    return;

  mFft.ForwardWindowed(analysisBuffer.data(), window.data(), mFrame.data());

  const int32_t half = n / 2;
  float* m = mMagnitudes.data();
  detmath::MagnitudesF(reinterpret_cast<const float*>(mFrame.data()), m, half);
  if (static_cast<int32_t>(spectrum.size()) == half)
    std::copy(m, m + half, spectrum.begin());

  // Examined band 90 Hz .. 20 kHz, keeping bins k - 3 and k + 3 inside the spectrum. The level
  // that peaks are judged against stays the mean of 150 Hz .. 12 kHz, so that a bass line or
  // an empty top octave does not move the thresholds.
  const auto bandBin = [&](double hz) {
    return static_cast<int32_t>(std::min(n * hz / sampleRate, 1e9));
  };
  const int32_t first = std::max(bandBin(90.0), 3);
  const int32_t last = std::min(bandBin(20000.0), half - 4);
  const int32_t meanFirst = std::max(bandBin(150.0), 3);
  const int32_t meanLast = std::min(bandBin(12000.0), half - 4);
  if (last < first || meanLast < meanFirst)
    return;

  double sum = 0.0;
  for (int32_t k = meanFirst; k <= meanLast; ++k)
    sum += m[k];
  const float mean = static_cast<float>(sum / (meanLast - meanFirst + 1));
  // Digital silence: nothing ages and nothing is released. An overflowed spectrum cannot
  // be judged either.
  if (!(mean > 0.0f) || !std::isfinite(mean))
    return;

  const float s = sensitivity;
  const float peakRatio = 28.0f - 16.0f * s;
  const float strongRatio = 120.0f - 65.0f * s;
  const int32_t riseFrames = std::max(static_cast<int32_t>(std::round(5.0f - 2.0f * s)), 2);
  const float riseRatio = 1.8f - (1.8f - 1.35f) * s;
  const float tolerance = std::max(1.5f * binWidth, 30.0f);
  const float notchRange = 2.0f * tolerance;

  for (auto& c : candidates)
    if (c.active)
      c.missed += 1;
  for (auto& f : filters)
    if (f.active)
      f.age += 1;
  for (auto& z : mZones)
    if (z.frequency > 0.0f && ++z.missed > 4)
      z = Zone{};
  for (auto& since : mSincePlaced)
    since = std::min(since + 1, std::numeric_limits<int32_t>::max() - 1);

  const float threshold = peakRatio * mean;
  // A full-scale sine reads a quarter of N under the Hann window.
  const float distortedLevel = kDistortedShare * 0.25f * static_cast<float>(n);
  for (int32_t k = first; k <= last; ++k)
  {
    const float L = m[k];
    if (!(L > threshold) || !(L > m[k - 1] && L >= m[k + 1])) // the rare test first
      continue;

    const float bin = howl::PeakBin(m, k);
    const float freq = bin * binWidth;
    // Neighbours three bins away are outside the window's main lobe wherever the tone lies
    // between bins (two bins away a tone half a bin off centre reads only 5 times lower).
    const bool strong = L > 8.0f * (0.5f * (m[k - 3] + m[k + 3]) + 1e-9f) && L > strongRatio * mean;
    const bool partnered = howl::HasHarmonicPartner(
        m, half, bin, std::max(kPartnerShareOfThreshold * threshold, kPartnerShareOfPeak * L));
    const bool exactPartner =
        partnered &&
        howl::HasHarmonicPartner(
            m, half, bin, std::max(kPartnerShareOfThreshold * threshold, kPartnerShareOfPeak * L),
            kExactPartnerBins);

    // A peak where a misfire was released keeps that zone open, unless it has grown past what
    // programme there did: a howl growing under it.
    bool inZone = false;
    for (auto& z : mZones)
    {
      if (z.frequency > 0.0f && std::fabs(z.frequency - freq) < tolerance)
      {
        if (L > kZoneGrowth * z.level)
        {
          z = Zone{};
          continue;
        }
        z.missed = 0;
        inZone = true;
      }
    }
    // A peak inside a notch's reach only keeps that notch alive.
    bool atNotch = false;
    for (auto& f : filters)
    {
      if (f.active && std::fabs(f.frequency - freq) < NotchReach(f))
      {
        const auto slot = static_cast<size_t>(&f - filters.data());
        if (ProgrammeAtNotch(slot, L))
          mProgrammeSightings[slot] += 1;
        else
          f.age = 0;
        atNotch = true;
        break;
      }
    }
    if (atNotch)
      continue;

    PeakCandidate* match = nullptr;
    for (auto& c : candidates)
    {
      if (c.active && std::fabs(c.frequency - freq) < tolerance)
      {
        match = &c;
        break;
      }
    }
    if (match == nullptr)
    {
      for (auto& c : candidates)
      {
        if (!c.active)
        {
          c.active = true;
          c.frequency = freq;
          c.hits = 1;
          c.missed = 0;
          c.lastMagnitude = c.baseMagnitude = L;
          c.lastMean = c.baseMean = mean;
          c.riseCount = 0;
          c.partnered = partnered;
          c.partneredHits = partnered ? 1 : 0;
          c.exactPartner = exactPartner;
          c.exactHits = exactPartner ? 1 : 0;
          RecordSighting(c, L);
          break;
        }
      }
      continue;
    }

    PeakCandidate& c = *match;
    c.hits += 1;
    c.missed = 0;
    c.frequency = 0.7f * c.frequency + 0.3f * freq;
    if (L > 1.003f * c.lastMagnitude)
    {
      if (c.riseCount == 0)
      {
        c.baseMagnitude = c.lastMagnitude;
        c.baseMean = c.lastMean;
      }
      c.riseCount += 1;
    }
    else
    {
      c.riseCount = 0;
    }
    c.lastMagnitude = L;
    c.lastMean = mean;
    c.partnered = partnered;
    c.partneredHits += partnered ? 1 : 0;
    c.exactPartner = exactPartner;
    c.exactHits += exactPartner ? 1 : 0;
    const bool note = partnered || IsExactNote(c);

    // Beside a notch (near it but outside its reach) a rise may be the notched tone's own
    // skirt or a note's attack; only a sustained dominant peak there gets a notch of its own.
    bool besideNotch = false;
    for (const auto& f : filters)
    {
      const float d = std::fabs(f.frequency - c.frequency);
      besideNotch = besideNotch || (f.active && d < notchRange && !(d < NotchReach(f)));
    }
    RecordSighting(c, L);
    const bool rose = c.riseCount >= riseFrames && L >= riseRatio * c.baseMagnitude && !note &&
                      !(kRiseNoteShare * c.partneredHits >= c.hits) &&
                      !(mean > kOnsetMeanRise * c.baseMean) &&
                      RisesSteadily(c, kRiseDeviationBase + kRiseDeviationPerSensitivity * s);
    const int32_t sightings = note ? kStrongSightingsWithPartner : kStrongSightings;
    const bool heldNote = kHeldNoteShare * c.exactHits >= c.hits && L < distortedLevel;
    const bool triggered =
        (rose && !besideNotch) ||
        (!inZone && ((strong && !heldNote && c.hits >= sightings) || GrowsSteadily(c, riseRatio)));
    if (triggered)
    {
      if (!hold)
      {
        bool covered = false;
        for (const auto& f : filters)
          covered = covered || (f.active && std::fabs(f.frequency - c.frequency) < NotchReach(f));
        if (!covered)
          PlaceAutomaticNotch(c.frequency,
                              kNoteShareOfSightings * static_cast<float>(c.partneredHits) >=
                                      static_cast<float>(c.hits)
                                  ? L
                                  : kNeverJudged);
      }
      c.Clear();
    }
    else if (c.hits > 80)
    {
      c.Clear(); // a steady tone that never grows, such as a held note
    }
  }

  for (auto& c : candidates)
    if (c.active && c.missed > 4)
      c.Clear();

  ReleaseAgedNotches();
}

void NotchChannel::RecordSighting(const PeakCandidate& c, float L)
{
  auto& trend = mTrend[static_cast<size_t>(&c - candidates.data())];
  trend[static_cast<size_t>((c.hits - 1) % kTrendLength)] = detmath::LogF(L);
}

bool NotchChannel::GrowsSteadily(const PeakCandidate& c, float riseRatio) const
{
  // A howl close to the loop's limit grows slowly and, in a reverberant room, unevenly from one
  // analysis to the next, which breaks the consecutive rises; over many sightings its level
  // still follows a straight line in dB, which programme does not.
  // From the middle of the Sensitivity range a partner does not stop it: such a howl in a
  // reverberant room meets a stray partner in the dense room response in most sightings. Below,
  // a note's swell keeps its veto, for the fewest misfires.
  // Exact partners stop it everywhere: the dense response meets them rarely, a note's partials
  // always.
  if (c.hits < kTrendLength || (c.partnered && !(sensitivity >= kPartnersIgnoredFrom)) ||
      c.exactPartner || IsExactNote(c))
    return false;
  const auto& trend = mTrend[static_cast<size_t>(&c - candidates.data())];
  const int32_t newest = (c.hits - 1) % kTrendLength;
  const howl::Trend t = howl::FitTrend(trend.data(), kTrendLength, newest, kTrendLength);
  return t.growth >= kTrendShareOfRise * detmath::LogF(riseRatio) && t.deviation <= kTrendDeviation;
}

bool NotchChannel::IsExactNote(const PeakCandidate& c)
{
  return kExactNoteShare * c.exactHits >= c.hits;
}

bool NotchChannel::RisesSteadily(const PeakCandidate& c, float maxRelativeDeviation) const
{
  // A howl builds up by the same factor every trip round the loop, a straight line in dB. A
  // note's onset entering the analysis window jumps first and then levels off: its rise bends
  // away from the line by a larger share of what it gained.
  const int32_t count = std::min({c.riseCount + 1, c.hits, kTrendLength});
  const auto& trend = mTrend[static_cast<size_t>(&c - candidates.data())];
  const howl::Trend t =
      howl::FitTrend(trend.data(), kTrendLength, (c.hits - 1) % kTrendLength, count);
  return t.growth > 0.0f && t.deviation <= maxRelativeDeviation * t.growth;
}

bool NotchChannel::ProgrammeAtNotch(size_t slot, float level) const
{
  const NotchFilter& f = filters[slot];
  // Only the detector's own notch, as it placed it, once the analysis window holds only audio
  // the notch has cut.
  return !f.manual && f.frequency == mPlacedFrequency[slot] && mPlacedFrequency[slot] > 0.0f &&
         mSincePlaced[slot] >= mSettleFrames && level >= kProgrammeShare * mPlacedLevel[slot];
}

void NotchChannel::ReleaseAgedNotches()
{
  const double perSecond = sampleRate / hop;
  const auto recallFrames = static_cast<int32_t>(kRecallSeconds * perSecond);
  for (auto& r : mRecalls)
    if (r.frequency > 0.0f && ++r.since > recallFrames)
      r = Recall{};
  if (hold)
    return;
  for (size_t i = 0; i < filters.size(); ++i)
  {
    NotchFilter& f = filters[i];
    const int32_t holdFrames = mHoldFrames[i] > 0 ? mHoldFrames[i] : releaseFrames;
    if (!f.active || f.manual || f.targetDepth == 0.0f)
      continue;
    if (mProgrammeSightings[i] >= kProgrammeSightings && ProgrammeAtNotch(i, mPlacedLevel[i]))
    {
      // A misfire: released without a memory, so that the programme does not earn it a longer
      // hold when it plays the note again.
      f.targetDepth = 0.0f;
      // While the programme keeps sounding there it is still no howl: no strong test and no
      // steady growth there (a howl growing under it leaves the zone, above).
      FreeOrStalest(mZones, &Zone::missed) = Zone{f.frequency, mPlacedLevel[i], 0};
      continue;
    }
    if (f.age <= holdFrames)
      continue;
    f.targetDepth = 0.0f;
    FreeOrStalest(mRecalls, &Recall::since) = Recall{f.frequency, 0, mStrikes[i]};
  }
}

float NotchChannel::NotchReach(const NotchFilter& f) const
{
  const float tolerance = std::max(1.5f * binWidth, 30.0f);
  const float halfBandwidth = f.frequency / (2.0f * std::max(f.width * widthScale, 0.5f));
  return std::min(2.0f * tolerance, std::max(binWidth, halfBandwidth));
}

void NotchChannel::PlaceAutomaticNotch(float frequency, float level)
{
  NotchFilter* chosen = nullptr;
  for (auto& f : filters)
  {
    if (f.IsFree())
    {
      chosen = &f;
      break;
    }
  }
  if (chosen == nullptr)
  {
    for (auto& f : filters)
      if (f.active && !f.manual && (chosen == nullptr || f.age > chosen->age))
        chosen = &f;
  }
  if (chosen == nullptr)
    return; // all twenty are manual
  const auto index = static_cast<size_t>(chosen - filters.data());
  mHoldFrames[index] = 0;
  mStrikes[index] = 0;
  mPlacedFrequency[index] = frequency;
  mPlacedLevel[index] = level;
  mSincePlaced[index] = 0;
  mProgrammeSightings[index] = 0;
  const float tolerance = std::max(1.5f * binWidth, 30.0f);
  for (auto& r : mRecalls)
  {
    if (r.frequency > 0.0f && std::fabs(r.frequency - frequency) < tolerance)
    {
      // It howled again soon after its release: the loop still needs this notch.
      mStrikes[index] = r.strikes + 1;
      double frames = releaseFrames;
      for (int32_t j = 0; j < mStrikes[index]; ++j)
        frames *= kRecallFactor;
      mHoldFrames[index] =
          static_cast<int32_t>(std::min(frames, kLongestHoldSeconds * sampleRate / hop));
      r = Recall{};
      break;
    }
  }
  // Depth, coefficients and state stay: a reused filter glides to its new target.
  chosen->active = true;
  chosen->frequency = frequency;
  chosen->width = autoWidth;
  chosen->manual = false;
  chosen->targetDepth = autoCut;
  chosen->age = 0;
}
