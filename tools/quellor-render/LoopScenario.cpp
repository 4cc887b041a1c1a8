#include "tools/quellor-render/LoopScenario.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/quellor-render/RoomScenario.h"
#include "tools/quellor-render/WavFile.h"

using namespace loopsim;

void NotchWatcher::Update(const std::vector<NotchView>& slots, double seconds)
{
  if (mPrevious.size() != slots.size())
    mPrevious.assign(slots.size(), NotchView{});
  for (size_t i = 0; i < slots.size(); ++i)
  {
    const NotchView& now = slots[i];
    const NotchView& was = mPrevious[i];
    if (now.active && !now.manual && now.targetDepth < 0 &&
        (!was.active || was.frequency != now.frequency || was.targetDepth == 0))
      mMarks.push_back({seconds, now.frequency, true});
    if (was.active && was.targetDepth < 0 && now.active && now.targetDepth == 0)
      mMarks.push_back({seconds, now.frequency, false});
  }
  mPrevious = slots;
}

int NotchWatcher::Placed() const
{
  return static_cast<int>(
      std::count_if(mMarks.begin(), mMarks.end(), [](const NotchMark& m) { return m.placed; }));
}

namespace {

std::unique_ptr<OfflineProcessor> PreparedEngine(const ProcessorFactory& makeEngine,
                                                 std::string& error)
{
  std::unique_ptr<OfflineProcessor> engine = makeEngine(error);
  if (engine && !engine->Prepare(kRate, kBlock, 1))
  {
    error = "the plug-in cannot be prepared for mono at 48 kHz";
    engine.reset();
  }
  return engine;
}

// The programme at 48 kHz, mono, at the microphone level.
bool LoadProgramme(const RenderOptions& opt, std::vector<float>& out, std::string& name,
                   std::string& error)
{
  if (opt.programme.empty())
  {
    out = MakeTalker(kRate, static_cast<size_t>(60 * kRate), 7u);
    name = "the built-in talker";
  }
  else
  {
    AudioData audio;
    if (!ReadAudioFile(opt.programme, audio, error))
      return false;
    if (audio.channels.empty() || audio.channels[0].empty() || !(audio.sampleRate >= 8000) ||
        audio.sampleRate > 768000)
    {
      error = "no usable audio";
      return false;
    }
    std::vector<float> mono(audio.channels[0].size(), 0.0f);
    for (const auto& ch : audio.channels)
      for (size_t i = 0; i < mono.size(); ++i)
        mono[i] += ch[i] / static_cast<float>(audio.channels.size());
    // Linear interpolation to 48 kHz.
    const double step = audio.sampleRate / kRate;
    const size_t n = static_cast<size_t>(static_cast<double>(mono.size() - 1) / step) + 1;
    out.resize(n);
    for (size_t i = 0; i < n; ++i)
    {
      const double pos = static_cast<double>(i) * step;
      const size_t at = std::min(static_cast<size_t>(pos), mono.size() - 1);
      const size_t next = std::min(at + 1, mono.size() - 1);
      const double frac = pos - static_cast<double>(at);
      out[i] = static_cast<float>(mono[at] + frac * (mono[next] - mono[at]));
    }
    name = opt.programme;
  }
  if (!ScaleProgramme(out))
  {
    error = "the programme is silent";
    return false;
  }
  return true;
}

struct OpenLoop
{
  double changeDb = 0; // output against input level over the whole programme
  int notches = 0;
  double seconds = 0;
};

// The programme through the plug-in alone (no loop), up to 60 s.
bool ProgrammeThroughPlugin(const std::vector<float>& programme, const ProcessorFactory& makeEngine,
                            OpenLoop& out, std::string& error)
{
  std::unique_ptr<OfflineProcessor> engine = PreparedEngine(makeEngine, error);
  if (!engine)
    return false;
  const size_t total = std::min(programme.size(), static_cast<size_t>(60 * kRate));
  std::vector<double> block(kBlock);
  double* ptr = block.data();
  double in = 0, outSum = 0;
  NotchWatcher watcher;
  std::vector<NotchView> slots;
  for (size_t at = 0; at + kBlock <= total; at += kBlock)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      block[static_cast<size_t>(i)] = programme[at + static_cast<size_t>(i)];
      in += block[static_cast<size_t>(i)] * block[static_cast<size_t>(i)];
    }
    engine->Process(&ptr, &ptr, kBlock);
    for (double v : block)
      outSum += v * v;
    if (engine->ReadNotches(slots))
      watcher.Update(slots, static_cast<double>(at + kBlock) / kRate);
  }
  out.changeDb = in > 0 && outSum > 0 ? 10.0 * std::log10(outSum / in) : 0.0;
  out.notches = watcher.Placed();
  out.seconds = static_cast<double>(total) / kRate;
  return true;
}

struct RoomOutcome
{
  RoomParams room;
  double limitDb = 0;
  LoopResult bare, with;
  std::vector<NotchMark> notches;
  double added() const { return with.maxStableGainDb - bare.maxStableGainDb; }
};

void PrintEpisodes(const LoopResult& r)
{
  for (const HowlEpisode& e : r.episodes)
  {
    std::printf("    howl at %7.2f s  K %+6.2f dB  %7.1f Hz  peak %6.1f dBFS  ", e.start, e.gainDb,
                e.frequency, e.peakDbfs);
    if (e.ended)
      std::printf("suppressed after %.2f s%s\n", e.duration, e.sustained() ? " (sustained)" : "");
    else
      std::printf("still howling %.2f s later%s\n", e.duration,
                  e.sustained() ? " (sustained)" : "");
  }
}

void PrintRun(const char* title, const LoopResult& r, bool fixed)
{
  std::printf("  %s: %zu howl episode(s) in %.1f s\n", title, r.episodes.size(), r.seconds);
  PrintEpisodes(r);
  if (fixed)
    std::printf("    %s\n", r.sustained ? "sustained howling" : "no sustained howling");
  else if (r.sustained)
    std::printf("    sustained howling from K %+.2f dB: maximum stable gain %+.2f dB\n",
                r.howlGainDb, r.maxStableGainDb);
  else
    std::printf("    no sustained howling up to K %+.2f dB (the highest step)\n",
                r.maxStableGainDb);
}

} // namespace

bool RunLoopWithPlugin(const LoopSetup& setup, const ProcessorFactory& makeEngine,
                       LoopResult& result, std::vector<NotchMark>* notches, std::string& error)
{
  std::unique_ptr<OfflineProcessor> engine = PreparedEngine(makeEngine, error);
  if (!engine)
    return false;
  if (engine->Latency() != 0)
  {
    error = "the plug-in reports latency (switch Hushen and Drytail off for the loop)";
    return false;
  }
  NotchWatcher watcher;
  std::vector<NotchView> slots;
  OfflineProcessor* e = engine.get();
  result = RunLoop(
      setup, [e](double* samples, int n) { e->Process(&samples, &samples, n); },
      [&](double seconds) {
        if (e->ReadNotches(slots))
          watcher.Update(slots, seconds);
      });
  if (notches)
    *notches = watcher.Marks();
  return true;
}

int RunLoopScenario(const RenderOptions& opt, const ProcessorFactory& makeEngine)
{
  std::vector<float> programme;
  std::string programmeName, error;
  if (!LoadProgramme(opt, programme, programmeName, error))
  {
    std::fprintf(stderr, "quellor-render: programme %s: %s\n",
                 opt.programme.empty() ? "(built-in)" : opt.programme.c_str(), error.c_str());
    return 1;
  }
  const bool table = opt.roomsTo >= opt.roomsFrom;
  const unsigned first = table ? static_cast<unsigned>(opt.roomsFrom) : opt.seed;
  const unsigned last = table ? static_cast<unsigned>(opt.roomsTo) : opt.seed;
  const double fixedSeconds = opt.seconds > 0 ? opt.seconds : 20.0;

  std::printf("scenario loop: microphone -> Quellor -> gain K -> loudspeaker %g..%g Hz -> room "
              "(RT60 %.2f s, delay %.1f ms) -> microphone, 48 kHz, blocks of %d\n",
              opt.lowHz, opt.highHz, opt.rt60, opt.delayMs, kBlock);
  std::printf("programme: %s at %.0f dBFS RMS\n", programmeName.c_str(), kProgrammeDbfs);
  if (opt.fixedGain)
    std::printf("K held at %+.2f dB from the exact stable limit for %.1f s\n", opt.fixedDb,
                fixedSeconds);
  else
    std::printf("K from %.1f dB below the exact stable limit, %+.2f dB every %.1f s, until "
                "sustained howling (a howl lasting longer than 1 s; see --help)\n",
                -opt.startDb, opt.stepDb, opt.stepSeconds);

  OpenLoop open;
  if (!ProgrammeThroughPlugin(programme, makeEngine, open, error))
  {
    std::fprintf(stderr, "quellor-render: %s\n", error.c_str());
    return 1;
  }

  std::vector<RoomOutcome> rooms;
  for (unsigned seed = first;; ++seed)
  {
    RoomOutcome o;
    o.room.seed = seed;
    o.room.rt60 = opt.rt60;
    o.room.delayMs = opt.delayMs;
    o.room.lowHz = opt.lowHz;
    o.room.highHz = opt.highHz;
    LoopSetup setup;
    setup.room = MakeRoomResponse(o.room);
    o.limitDb = ToDb(ExactStableGain(setup.room));
    setup.programme = programme;
    setup.schedule.stepDb = opt.stepDb;
    setup.schedule.stepSeconds = opt.stepSeconds;
    if (opt.fixedGain)
    {
      setup.schedule.startDb = o.limitDb + opt.fixedDb;
      setup.schedule.fixedSeconds = fixedSeconds;
      setup.schedule.stopWhenSustained = false;
    }
    else
    {
      setup.schedule.startDb = o.limitDb + opt.startDb;
      setup.schedule.maxDb = o.limitDb + 30.0;
    }
    o.bare = RunLoop(setup, {});
    if (!RunLoopWithPlugin(setup, makeEngine, o.with, &o.notches, error))
    {
      std::fprintf(stderr, "quellor-render: %s\n", error.c_str());
      return 1;
    }
    if (!table || (!opt.plot.empty() && rooms.empty()))
    {
      std::printf("\nroom %u: exact stable limit K %+.2f dB\n", seed, o.limitDb);
      PrintRun("without the plug-in", o.bare, opt.fixedGain);
      PrintRun("with the plug-in", o.with, opt.fixedGain);
      int placed = 0;
      for (const NotchMark& m : o.notches)
        placed += m.placed ? 1 : 0;
      std::printf("    %d automatic notch(es) placed, %zu released\n", placed,
                  o.notches.size() - static_cast<size_t>(placed));
      if (!table && !opt.quiet)
        for (const NotchMark& m : o.notches)
          std::printf("      %7.2f s  notch %-8s %7.1f Hz\n", m.seconds,
                      m.placed ? "placed" : "released", m.frequency);
      if (!opt.fixedGain)
        std::printf("  added stable gain: %+.2f dB\n", o.added());
    }
    if (!opt.plot.empty() && rooms.empty())
    {
      LoopPlotData plot;
      char title[200];
      std::snprintf(title, sizeof title,
                    "Room %u (RT60 %.2f s, delay %.1f ms, %g..%g Hz): added stable gain %+.1f dB",
                    seed, opt.rt60, opt.delayMs, opt.lowHz, opt.highHz, o.added());
      plot.title = title;
      plot.limitDb = o.limitDb;
      plot.levelDb = o.with.levelDb;
      plot.gainDb = o.with.gainDb;
      plot.bareLevelDb = o.bare.levelDb;
      plot.bareGainDb = o.bare.gainDb;
      plot.notches = o.notches;
      plot.howls = o.with.episodes;
      if (!WriteLoopPlot(opt.plot, plot, error))
      {
        std::fprintf(stderr, "quellor-render: cannot write %s: %s\n", opt.plot.c_str(),
                     error.c_str());
        return 1;
      }
      std::printf("  picture written to %s\n", opt.plot.c_str());
    }
    rooms.push_back(std::move(o));
    if (seed == last)
      break;
  }

  if (table && !opt.fixedGain)
  {
    std::printf("\n room  limit K dB  bare max dB  with max dB  added dB  howls  notches\n");
    double sum = 0, lo = 1e9, hi = -1e9;
    for (const RoomOutcome& o : rooms)
    {
      int placed = 0;
      for (const NotchMark& m : o.notches)
        placed += m.placed ? 1 : 0;
      std::printf(" %4u  %+10.2f  %+11.2f  %+11.2f  %+8.2f  %5zu  %7d\n", o.room.seed, o.limitDb,
                  o.bare.maxStableGainDb, o.with.maxStableGainDb, o.added(), o.with.episodes.size(),
                  placed);
      sum += o.added();
      lo = std::min(lo, o.added());
      hi = std::max(hi, o.added());
    }
    std::printf("added stable gain over %zu rooms: mean %+.2f dB, min %+.2f dB, max %+.2f dB\n",
                rooms.size(), sum / static_cast<double>(rooms.size()), lo, hi);
  }
  std::printf("plug-in on the programme without feedback: %+.2f dB broadband, %d automatic "
              "notch(es) placed in %.0f s\n",
              open.changeDb, open.notches, open.seconds);
  return 0;
}
