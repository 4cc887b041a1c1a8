#include "tools/quellor-render/Scorecard.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "tools/quellor-render/ClosedLoop.h"
#include "tools/quellor-render/RoomScenario.h"
#include "tools/quellor-render/Scenario.h"
#include "tools/quellor-render/ScoreMeasures.h"
#include "tools/quellor-render/ThirdOctave.h"
#include "tools/quellor-render/WavFile.h"

using namespace loopsim;

// What the quick subset asserts: the loop, band and catch targets themselves (the detector is
// deterministic, so a result does not move between runs); the notch count, whose target the
// detector does not meet yet, with a margin over today's, so that it guards against regressions.
const QuickThresholds kQuickThresholds = {
    /*loopMeanAddedDbAtLeast*/ 8.0,
    /*loopMinAddedDbAtLeast*/ 5.0,
    /*musicNotchesPerMinuteAtMost*/ 10.0,
    /*musicWorstBandDbAtMost*/ 1.0,
    /*demoCatchMsAtMost*/ 60.0,
};

bool ReadScoreIndex(const std::string& folder, std::vector<ScoreItem>& items, std::string& error)
{
  std::ifstream in(folder + "/index.txt");
  if (!in)
  {
    error = "no " + folder +
            "/index.txt (./run.sh score prepares the material: "
            "tools/quellor-render/score-material.sh " +
            folder + ")";
    return false;
  }
  items.clear();
  std::string line;
  while (std::getline(in, line))
  {
    std::istringstream words(line);
    ScoreItem item;
    if (!(words >> item.kind >> item.path) || (item.kind != "music" && item.kind != "speech"))
      continue;
    std::getline(words >> std::ws, item.label);
    item.path = folder + "/" + item.path;
    items.push_back(item);
  }
  if (items.empty())
  {
    error = folder + "/index.txt lists no material";
    return false;
  }
  return true;
}

namespace {

using Clock = std::chrono::steady_clock;

// Engines are made and destroyed one at a time: instances of the bundle share its module entry
// and factory. Processing runs on the worker threads, one instance each.
std::mutex gEngineLock;

class SerialisedEngine : public OfflineProcessor
{
public:
  explicit SerialisedEngine(std::unique_ptr<OfflineProcessor> inner) : mInner(std::move(inner)) {}
  ~SerialisedEngine() override
  {
    std::lock_guard<std::mutex> lock(gEngineLock);
    mInner.reset();
  }
  bool Prepare(double rate, int block, int channels) override
  {
    return mInner->Prepare(rate, block, channels);
  }
  int ParameterCount() const override { return mInner->ParameterCount(); }
  std::string ParameterName(int i) const override { return mInner->ParameterName(i); }
  bool ParameterIsSwitch(int i) const override { return mInner->ParameterIsSwitch(i); }
  double ParameterMin(int i) const override { return mInner->ParameterMin(i); }
  double ParameterMax(int i) const override { return mInner->ParameterMax(i); }
  double GetParameter(int i) const override { return mInner->GetParameter(i); }
  void SetParameter(int i, double v) override { mInner->SetParameter(i, v); }
  std::string FormatParameter(int i) const override { return mInner->FormatParameter(i); }
  void Process(double** in, double** out, int frames) override { mInner->Process(in, out, frames); }
  int Latency() const override { return mInner->Latency(); }
  bool ReadNotches(std::vector<NotchView>& slots) override { return mInner->ReadNotches(slots); }
  bool ReadActiveNotchCount(int& count) override { return mInner->ReadActiveNotchCount(count); }
  bool ReadSpectrum(std::vector<float>& m, float& binWidth) override
  {
    return mInner->ReadSpectrum(m, binWidth);
  }

private:
  std::unique_ptr<OfflineProcessor> mInner;
};

// The command line's plug-in at a given Sensitivity (in %).
ProcessorFactory AtSensitivity(const ProcessorFactory& makeEngine, double percent)
{
  return [makeEngine, percent](std::string& error) -> std::unique_ptr<OfflineProcessor> {
    std::unique_ptr<OfflineProcessor> engine;
    {
      std::lock_guard<std::mutex> lock(gEngineLock);
      engine = makeEngine(error);
    }
    if (!engine)
      return nullptr;
    auto safe = std::make_unique<SerialisedEngine>(std::move(engine));
    for (int i = 0; i < safe->ParameterCount(); ++i)
      if (NormaliseOptionName(safe->ParameterName(i)) == "sensitivity")
      {
        safe->SetParameter(i, percent);
        return safe;
      }
    error = "the plug-in has no parameter Sensitivity";
    return nullptr;
  };
}

// Mono at 48 kHz, as the material folder holds it.
bool ReadMono48k(const std::string& path, std::vector<float>& out, std::string& error)
{
  AudioData audio;
  if (!ReadAudioFile(path, audio, error))
    return false;
  if (audio.sampleRate != kRate || audio.channels.empty() || audio.channels[0].empty())
  {
    error = path + ": expected 48 kHz audio";
    return false;
  }
  out.assign(audio.channels[0].size(), 0.0f);
  for (const auto& ch : audio.channels)
    for (size_t i = 0; i < out.size(); ++i)
      out[i] += ch[i] / static_cast<float>(audio.channels.size());
  return true;
}

// The programme through a fresh plug-in in blocks of `block`, mono, at 48 kHz; after each block
// observe sees the engine and the block's end time.
bool ThroughPlugin(const ProcessorFactory& makeEngine, const std::vector<float>& in, int block,
                   std::vector<float>& out,
                   const std::function<void(OfflineProcessor&, double)>& observe,
                   std::string& error)
{
  std::unique_ptr<OfflineProcessor> engine = makeEngine(error);
  if (!engine)
    return false;
  if (!engine->Prepare(kRate, block, 1))
  {
    error = "the plug-in cannot be prepared for mono at 48 kHz";
    return false;
  }
  if (engine->Latency() != 0)
  {
    error = "the plug-in reports latency (switch Hushen and Drytail off for the scorecard)";
    return false;
  }
  out.assign(in.size(), 0.0f);
  std::vector<double> buffer(static_cast<size_t>(block));
  double* ptr = buffer.data();
  for (size_t at = 0; at < in.size(); at += static_cast<size_t>(block))
  {
    const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), in.size() - at));
    for (int i = 0; i < n; ++i)
      buffer[static_cast<size_t>(i)] = in[at + static_cast<size_t>(i)];
    engine->Process(&ptr, &ptr, n);
    for (int i = 0; i < n; ++i)
      out[at + static_cast<size_t>(i)] = static_cast<float>(buffer[static_cast<size_t>(i)]);
    if (observe)
      observe(*engine, static_cast<double>(at + static_cast<size_t>(n)) / kRate);
  }
  return true;
}

// ---- the measurements, one result per sensitivity ----

struct LoopSet
{
  std::string title;
  const std::vector<float>* programme = nullptr;
  unsigned firstRoom = 1, lastRoom = 12;
  double rt60 = 0.4, delayMs = 5.0;
};

struct RoomScore
{
  double added = 0;
  bool sustained = false;
  double endingHz = 0;
  bool persists = false; // the ending howl was not suppressed while K stayed there
};

// How long the loop goes on, K held, after the sustained howl that ends a stepped run.
constexpr double kPersistSeconds = 4.0;

struct ProgrammeScore
{
  double perMinute = 0, broadbandDb = 0, worstDb = 0;
  std::string worstBand;
};

struct CatchScore
{
  double ms = 0;
  bool caught = false, trackable = false;
};

struct Card
{
  std::vector<double> sensitivities;
  std::vector<LoopSet> loops;
  std::vector<std::vector<std::vector<RoomScore>>> rooms; // [set][room][sensitivity]
  std::vector<std::string> churnTitles;
  std::vector<std::vector<double>> churn; // [room][sensitivity]: placements per minute
  std::vector<const ScoreItem*> alone;
  std::vector<std::vector<ProgrammeScore>> aloneScores; // [item][sensitivity]
  std::vector<std::string> catchTitles;
  std::vector<std::vector<CatchScore>> catches; // [scenario][sensitivity]
};

LoopSetup SteppedSetup(const RoomParams& room, const std::vector<float>& programme)
{
  LoopSetup setup;
  setup.room = MakeRoomResponse(room);
  const double limit = ToDb(ExactStableGain(setup.room));
  setup.programme = programme;
  setup.schedule.startDb = limit - 10.0;
  setup.schedule.maxDb = limit + 30.0;
  return setup;
}

bool ScoreRoom(const LoopSet& set, unsigned seed, const std::vector<ProcessorFactory>& engines,
               std::vector<RoomScore>& out, std::string& error)
{
  RoomParams room;
  room.seed = seed;
  room.rt60 = set.rt60;
  room.delayMs = set.delayMs;
  LoopSetup setup = SteppedSetup(room, *set.programme);
  const LoopResult bare = RunLoop(setup, {});
  setup.schedule.afterSustainedSeconds = kPersistSeconds;
  out.assign(engines.size(), RoomScore{});
  for (size_t s = 0; s < engines.size(); ++s)
  {
    LoopResult with;
    if (!RunLoopWithPlugin(setup, engines[s], with, nullptr, error))
      return false;
    RoomScore& r = out[s];
    r.added = with.maxStableGainDb - bare.maxStableGainDb;
    r.sustained = with.sustained;
    for (const HowlEpisode& e : with.episodes)
      if (e.sustained())
      {
        r.endingHz = e.frequency;
        r.persists = !e.ended;
        break;
      }
  }
  return true;
}

// Notches placed per minute in 60 s at K held 1 dB above the room's exact stable limit.
bool ScoreChurn(const RoomParams& room, const std::vector<float>& programme,
                const ProcessorFactory& engine, double& perMinute, std::string& error)
{
  LoopSetup setup;
  setup.room = MakeRoomResponse(room);
  setup.programme = programme;
  setup.schedule.startDb = ToDb(ExactStableGain(setup.room)) + 1.0;
  setup.schedule.fixedSeconds = 60.0;
  setup.schedule.stopWhenSustained = false;
  LoopResult result;
  std::vector<NotchMark> marks;
  if (!RunLoopWithPlugin(setup, engine, result, &marks, error))
    return false;
  const auto placed =
      std::count_if(marks.begin(), marks.end(), [](const NotchMark& m) { return m.placed; });
  perMinute = result.seconds > 0 ? static_cast<double>(placed) * 60.0 / result.seconds : 0.0;
  return true;
}

// The programme alone, no feedback, blocks of 256 as the tool processes files.
bool ScoreAlone(const std::vector<float>& programme, const ProcessorFactory& engine,
                ProgrammeScore& out, std::string& error)
{
  NotchWatcher watcher;
  std::vector<NotchView> slots;
  std::vector<float> processed;
  if (!ThroughPlugin(
          engine, programme, 256, processed,
          [&](OfflineProcessor& e, double t) {
            if (e.ReadNotches(slots))
              watcher.Update(slots, t);
          },
          error))
    return false;
  const double seconds = static_cast<double>(programme.size()) / kRate;
  out.perMinute = PlacementsPerMinute(watcher, seconds);
  const std::vector<std::vector<float>> in{programme}, result{processed};
  out.broadbandDb = BroadbandLevel(result) - BroadbandLevel(in);
  if (!WorstBandChange(ThirdOctaveLevels(in, kRate), ThirdOctaveLevels(result, kRate), 100.0,
                       10000.0, out.worstDb, out.worstBand))
    out.worstBand = "-";
  return true;
}

bool ScoreCatch(const std::vector<float>& signal, double start, double hz, double sensitivity,
                const ProcessorFactory& engine, int block, CatchScore& out, std::string& error)
{
  CatchWatch watch(start, hz, sensitivity / 100.0);
  std::vector<NotchView> slots;
  std::vector<float> spectrum, processed;
  float binWidth = 0;
  if (!ThroughPlugin(
          engine, signal, block, processed,
          [&](OfflineProcessor& e, double t) {
            if (!e.ReadNotches(slots))
              slots.clear();
            if (!e.ReadSpectrum(spectrum, binWidth))
              spectrum.clear();
            watch.Update(slots, spectrum, binWidth, t);
          },
          error))
    return false;
  out.trackable = watch.Trackable() >= 0;
  out.caught = watch.CatchMs(out.ms);
  return true;
}

// ---- the table ----

// An item's label without its excerpt's times ("drascula-music track 2").
std::string Name(const ScoreItem& item)
{
  return item.label.substr(0, item.label.find(','));
}

constexpr int kLabel = 54, kCell = 20;

void Row(const std::string& label, const std::vector<std::string>& cells)
{
  std::printf("%-*s", kLabel, label.c_str());
  for (const std::string& c : cells)
    std::printf("  %-*s", kCell, c.c_str());
  std::printf("\n");
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...)
{
  char buf[256];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

void PrintCard(const Card& card, const std::string& engineName)
{
  std::printf("Quellor scorecard: %s, 48 kHz, default settings but Sensitivity\n\n",
              engineName.c_str());
  std::vector<std::string> head;
  for (double s : card.sensitivities)
    head.push_back(Format("Sensitivity %.0f %%", s));
  Row("", head);
  const size_t ns = card.sensitivities.size();
  std::vector<std::string> cells(ns);

  if (!card.loops.empty())
    std::printf("loop: added stable gain, dB mean / min / max\n");
  for (size_t l = 0; l < card.loops.size(); ++l)
  {
    const LoopSet& set = card.loops[l];
    const auto& rooms = card.rooms[l];
    for (size_t s = 0; s < ns; ++s)
    {
      std::vector<double> added;
      for (const auto& r : rooms)
        added.push_back(r[s].added);
      const Spread sp = SpreadOf(added);
      cells[s] = Format("%.2f / %.1f / %.1f", sp.mean, sp.min, sp.max);
    }
    Row("  " + set.title + Format(", rooms %u..%u", set.firstRoom, set.lastRoom), cells);
    for (size_t s = 0; s < ns; ++s)
    {
      double lo = 1e9, hi = 0;
      int low = 0, high = 0;
      for (const auto& r : rooms)
        if (r[s].endingHz > 0)
        {
          lo = std::min(lo, r[s].endingHz);
          hi = std::max(hi, r[s].endingHz);
          low += r[s].endingHz < 150.0 ? 1 : 0;
          high += r[s].endingHz > 12000.0 ? 1 : 0;
        }
      cells[s] = hi > 0 ? Format("%.0f..%.0f (%d|%d)", lo, hi, low, high) : "-";
    }
    Row("    ending howl Hz low..high (<150 Hz|>12 kHz)", cells);
    for (size_t s = 0; s < ns; ++s)
    {
      std::string list;
      int count = 0;
      for (size_t r = 0; r < rooms.size(); ++r)
        if (rooms[r][s].persists)
        {
          if (++count <= 3)
            list += Format("%s%u@%.0f", list.empty() ? "" : " ",
                           set.firstRoom + static_cast<unsigned>(r), rooms[r][s].endingHz);
        }
      if (count > 3)
        list += Format(" +%d", count - 3);
      cells[s] = count == 0 ? "none" : list;
    }
    Row(Format("    not suppressed in %.0f s more, room@Hz", kPersistSeconds), cells);
  }

  if (!card.churn.empty())
    std::printf("churn: notches placed per minute, K held 1 dB over the exact limit, 60 s\n");
  for (size_t c = 0; c < card.churn.size(); ++c)
  {
    for (size_t s = 0; s < ns; ++s)
      cells[s] = Format("%.1f", card.churn[c][s]);
    Row("  " + card.churnTitles[c], cells);
  }

  if (!card.alone.empty())
    std::printf("programme alone: notches/min, broadband dB, worst band 100 Hz..10 kHz dB@Hz\n");
  for (size_t p = 0; p < card.alone.size(); ++p)
  {
    for (size_t s = 0; s < ns; ++s)
    {
      const ProgrammeScore& r = card.aloneScores[p][s];
      cells[s] =
          Format("%.1f %+.2f %+.1f@%s", r.perMinute, r.broadbandDb, r.worstDb, r.worstBand.c_str());
    }
    Row("  " + card.alone[p]->kind + ": " + card.alone[p]->label, cells);
  }

  if (!card.catches.empty())
    std::printf("catch: ms from trackable to notch\n");
  for (size_t c = 0; c < card.catches.size(); ++c)
  {
    for (size_t s = 0; s < ns; ++s)
    {
      const CatchScore& r = card.catches[c][s];
      cells[s] = r.caught ? Format("%.0f", r.ms) : r.trackable ? "missed" : "never trackable";
    }
    Row("  " + card.catchTitles[c], cells);
  }
}

// The ring under a music bed: 10 s of the excerpt at -20 dBFS RMS, and from 4 s a 1.6 kHz ring
// growing 40 dB/s from -60 dBFS up to -12 dBFS, a slower loop than the demo's.
constexpr double kBedRingStart = 4.0, kBedRingHz = 1600.0;
std::vector<float> RingUnderBed(const std::vector<float>& music)
{
  std::vector<float> bed(
      music.begin(),
      music.begin() + static_cast<long>(std::min(music.size(), static_cast<size_t>(10 * kRate))));
  double sum = 0;
  for (float v : bed)
    sum += static_cast<double>(v) * v;
  const double rms = bed.empty() ? 0 : std::sqrt(sum / static_cast<double>(bed.size()));
  if (rms > 0)
    for (float& v : bed)
      v = static_cast<float>(v * 0.1 / rms);
  AddGrowingRing(bed, kRate, kBedRingStart, kBedRingHz, -60.0, 40.0, -12.0);
  return bed;
}

} // namespace

int RunScorecard(const RenderOptions& opt, const ProcessorFactory& makeEngine)
{
  const Clock::time_point began = Clock::now();
  const bool quick = opt.quick;
  std::vector<ScoreItem> items;
  std::string error;
  if (!ReadScoreIndex(opt.material, items, error))
  {
    std::fprintf(stderr, "quellor-render: %s\n", error.c_str());
    return 1;
  }
  std::vector<std::vector<float>> signals(items.size());
  for (size_t i = 0; i < items.size(); ++i)
    if (!ReadMono48k(items[i].path, signals[i], error))
    {
      std::fprintf(stderr, "quellor-render: %s\n", error.c_str());
      return 1;
    }
  const ScoreItem* music = nullptr;
  const ScoreItem* speech = nullptr;
  std::vector<size_t> musicIdx;
  size_t speeches = 0;
  for (size_t i = 0; i < items.size(); ++i)
  {
    speeches += items[i].kind == "speech" ? 1 : 0;
    if (items[i].kind == "music")
      musicIdx.push_back(i);
    if (items[i].kind == "music" && !music)
      music = &items[i];
    if (items[i].kind == "speech" && !speech)
      speech = &items[i];
  }
  if (!music || (!quick && (musicIdx.size() < 5 || speeches < 2)))
  {
    std::fprintf(stderr,
                 "quellor-render: %s lists too little material for the %s (run "
                 "tools/quellor-render/score-material.sh %s)\n",
                 opt.material.c_str(), quick ? "subset" : "scorecard", opt.material.c_str());
    return 1;
  }

  Card card;
  card.sensitivities = quick ? std::vector<double>{50.0} : std::vector<double>{0.0, 50.0, 100.0};
  std::vector<ProcessorFactory> engines;
  for (double s : card.sensitivities)
    engines.push_back(AtSensitivity(makeEngine, s));
  const size_t ns = engines.size();

  std::vector<float> talker = MakeTalker(kRate, static_cast<size_t>(60 * kRate), 7u);
  ScaleProgramme(talker);
  std::vector<float> loopMusic = signals[static_cast<size_t>(music - items.data())];
  std::vector<float> loopSpeech =
      speech ? signals[static_cast<size_t>(speech - items.data())] : std::vector<float>{};
  if (!ScaleProgramme(loopMusic) || (speech && !ScaleProgramme(loopSpeech)))
  {
    std::fprintf(stderr, "quellor-render: silent material\n");
    return 1;
  }

  // --only names the parts to run (the subset always runs its own).
  auto want = [&opt, quick](const char* part) {
    if (quick || opt.only.empty())
      return true;
    const std::string list = "," + opt.only + ",";
    return list.find(std::string(",") + part + ",") != std::string::npos;
  };

  // Heaviest first, so that the two workers finish together.
  if (!quick && want("loop"))
    card.loops.push_back({"built-in talker, RT60 1.2 s, 10 ms path", &talker, 1, 12, 1.2, 10.0});
  if (want("loop"))
    card.loops.push_back({"built-in talker", &talker, 1, quick ? 3u : 12u, 0.4, 5.0});
  if (!quick && want("loop"))
  {
    card.loops.push_back({"speech: " + speech->label, &loopSpeech, 1, 6, 0.4, 5.0});
    card.loops.push_back({"music: " + Name(*music), &loopMusic, 1, 6, 0.4, 5.0});
  }

  std::vector<std::function<bool(std::string&)>> jobs;
  card.rooms.resize(card.loops.size());
  for (size_t l = 0; l < card.loops.size(); ++l)
  {
    const LoopSet& set = card.loops[l];
    card.rooms[l].resize(set.lastRoom - set.firstRoom + 1);
    for (unsigned seed = set.firstRoom; seed <= set.lastRoom; ++seed)
      jobs.push_back([&card, &engines, l, seed](std::string& e) {
        const LoopSet& s = card.loops[l];
        return ScoreRoom(s, seed, engines, card.rooms[l][seed - s.firstRoom], e);
      });
  }
  std::vector<RoomParams> churnRooms;
  if (!quick && want("churn"))
  {
    RoomParams dry, wet;
    wet.rt60 = 1.2;
    wet.delayMs = 10.0;
    churnRooms = {dry, wet};
    card.churnTitles = {"dry room 1 (RT60 0.4 s, 5 ms), talker",
                        "reverberant room 1 (RT60 1.2 s, 10 ms), talker"};
  }
  card.churn.assign(churnRooms.size(), std::vector<double>(ns, 0.0));
  for (size_t c = 0; c < churnRooms.size(); ++c)
    for (size_t s = 0; s < ns; ++s)
      jobs.push_back([&, c, s](std::string& e) {
        return ScoreChurn(churnRooms[c], talker, engines[s], card.churn[c][s], e);
      });

  for (size_t i = 0; i < items.size(); ++i)
    if ((!quick || &items[i] == music) && want("alone"))
      card.alone.push_back(&items[i]);
  card.aloneScores.assign(card.alone.size(), std::vector<ProgrammeScore>(ns));
  for (size_t p = 0; p < card.alone.size(); ++p)
    for (size_t s = 0; s < ns; ++s)
      jobs.push_back([&, p, s](std::string& e) {
        const size_t i = static_cast<size_t>(card.alone[p] - items.data());
        return ScoreAlone(signals[i], engines[s], card.aloneScores[p][s], e);
      });

  // The demo's ring, as ./run.sh demo plays it, and rings under music beds (the first excerpt of
  // each package; the label's first word names it).
  const ScenarioEntry* feedback = FindScenario("feedback");
  if (feedback == nullptr)
  {
    std::fprintf(stderr, "quellor-render: the feedback scenario is not part of this build\n");
    return 1;
  }
  const Scenario demo = feedback->generate({kRate, 0.0});
  struct CatchRun
  {
    std::vector<float> signal;
    double start, hz;
    int block;
  };
  std::vector<CatchRun> catchRuns;
  if (want("catch"))
  {
    catchRuns.push_back({demo.channels[0], demo.eventStart, demo.eventFrequency, 256});
    card.catchTitles.push_back(
        Format("the demo's %.1f kHz ring, 80 dB/s", demo.eventFrequency / 1000));
  }
  if (!quick && want("catch"))
  {
    std::vector<std::string> seen;
    for (size_t i : musicIdx)
    {
      const std::string package = items[i].label.substr(0, items[i].label.find(' '));
      if (std::find(seen.begin(), seen.end(), package) != seen.end())
        continue;
      seen.push_back(package);
      catchRuns.push_back({RingUnderBed(signals[i]), kBedRingStart, kBedRingHz, 256});
      card.catchTitles.push_back(
          Format("%.1f kHz ring 40 dB/s under %s", kBedRingHz / 1000, Name(items[i]).c_str()));
    }
  }
  card.catches.assign(catchRuns.size(), std::vector<CatchScore>(ns));
  for (size_t c = 0; c < catchRuns.size(); ++c)
    for (size_t s = 0; s < ns; ++s)
      jobs.push_back([&, c, s](std::string& e) {
        const CatchRun& r = catchRuns[c];
        return ScoreCatch(r.signal, r.start, r.hz, card.sensitivities[s], engines[s], r.block,
                          card.catches[c][s], e);
      });

  // Two workers (the results land in their own places, so the table does not depend on the
  // order the jobs finish in).
  std::atomic<size_t> next{0};
  std::mutex errorLock;
  std::string firstError;
  auto worker = [&]() {
    for (size_t j = next++; j < jobs.size(); j = next++)
    {
      std::string e;
      if (!jobs[j](e))
      {
        std::lock_guard<std::mutex> lock(errorLock);
        if (firstError.empty())
          firstError = e.empty() ? "a measurement failed" : e;
      }
    }
  };
  const unsigned threads = std::max(1u, std::min(opt.jobs, 8u));
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t)
    pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool)
    t.join();
  if (!firstError.empty())
  {
    std::fprintf(stderr, "quellor-render: %s\n", firstError.c_str());
    return 1;
  }

  PrintCard(card, opt.linked ? "the engine built into this tool" : "the plug-in bundle");
  const double wall = std::chrono::duration<double>(Clock::now() - began).count();
  std::printf("\n%zu runs on %u thread(s), %.0f s wall\n", jobs.size(), threads, wall);
  if (!quick)
    return 0;

  // The subset's verdict.
  const QuickThresholds& q = kQuickThresholds;
  std::vector<double> added;
  for (const auto& r : card.rooms[0])
    added.push_back(r[0].added);
  const Spread loop = SpreadOf(added);
  const ProgrammeScore& alone = card.aloneScores[0][0];
  const CatchScore& ring = card.catches[0][0];
  int failed = 0;
  auto check = [&failed](bool ok, const std::string& what) {
    std::printf("  %s  %s\n", ok ? "pass" : "FAIL", what.c_str());
    failed += ok ? 0 : 1;
  };
  std::printf("\nthresholds at Sensitivity 50 %% (tools/quellor-render/Scorecard.cpp):\n");
  check(loop.mean >= q.loopMeanAddedDbAtLeast,
        Format("loop, talker: mean added %.2f dB >= %.2f", loop.mean, q.loopMeanAddedDbAtLeast));
  check(loop.min >= q.loopMinAddedDbAtLeast,
        Format("loop, talker: least added %.2f dB >= %.2f", loop.min, q.loopMinAddedDbAtLeast));
  check(alone.perMinute <= q.musicNotchesPerMinuteAtMost,
        Format("%s alone: %.1f notches/min <= %.1f", music->label.c_str(), alone.perMinute,
               q.musicNotchesPerMinuteAtMost));
  check(std::fabs(alone.worstDb) <= q.musicWorstBandDbAtMost,
        Format("%s alone: worst band %+.2f dB within %.2f", music->label.c_str(), alone.worstDb,
               q.musicWorstBandDbAtMost));
  check(ring.caught && ring.ms <= q.demoCatchMsAtMost,
        ring.caught ? Format("demo ring caught %.0f ms after trackable <= %.0f", ring.ms,
                             q.demoCatchMsAtMost)
                    : std::string("demo ring caught"));
  return failed == 0 ? 0 : 1;
}
