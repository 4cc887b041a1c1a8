// quellor-render: processes audio through the engine and reports what the detector did.

#include "tools/quellor-render/EditorPicture.h"
#include "tools/quellor-render/LoopScenario.h"
#include "tools/quellor-render/Options.h"
#include "tools/quellor-render/OfflineProcessor.h"
#include "tools/quellor-render/Scenario.h"
#include "tools/quellor-render/ScoreMeasures.h"
#include "tools/quellor-render/Scorecard.h"
#include "tools/quellor-render/ThirdOctave.h"
#include "tools/quellor-render/WavFile.h"

#include "engine/NotchExchange.h"
#include "quellor/Quellor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Clock
{
  double eventStart = -1, eventEnd = -1;
  std::string eventName;

  std::string Stamp(double t) const
  {
    char buf[96];
    if (eventStart >= 0 && t >= eventStart && (eventEnd < 0 || t < eventEnd))
      std::snprintf(buf, sizeof buf, "%7.3f s  (%s start %+6.0f ms)", t, eventName.c_str(),
                    (t - eventStart) * 1000.0);
    else if (eventEnd >= 0 && t >= eventEnd)
      std::snprintf(buf, sizeof buf, "%7.3f s  (%s stop %+7.3f s)", t, eventName.c_str(),
                    t - eventEnd);
    else
      std::snprintf(buf, sizeof buf, "%7.3f s", t);
    return buf;
  }
};

// Follows the notch table block by block and prints placements, releases and count changes.
class NotchReport
{
public:
  NotchReport(const Clock& clock, bool quiet, double eventHz)
      : mClock(clock), mQuiet(quiet), mEventHz(eventHz)
  {}

  void Update(const std::vector<NotchView>& slots, int activeCount, double t)
  {
    if (mPrev.size() != slots.size())
      mPrev.assign(slots.size(), NotchView{});
    for (size_t i = 0; i < slots.size(); ++i)
    {
      const NotchView& now = slots[i];
      const NotchView& was = mPrev[i];
      const bool placed = now.active && !now.manual && now.targetDepth < 0 &&
                          (!was.active || was.frequency != now.frequency || was.targetDepth == 0);
      if (placed)
      {
        Say("%s  notch placed:   slot %2zu  %8.1f Hz  depth %6.1f dB  width Q %5.1f",
            mClock.Stamp(t).c_str(), i, now.frequency, now.targetDepth, now.width);
        if (IsEvent(now.frequency) && mCaught < 0)
          mCaught = t;
        if (!IsEvent(now.frequency))
          ++mOtherPlacements;
        ++mPlacements;
      }
      if (was.active && was.targetDepth < 0 && now.active && now.targetDepth == 0)
      {
        Say("%s  notch released: slot %2zu  %8.1f Hz", mClock.Stamp(t).c_str(), i, now.frequency);
        if (IsEvent(now.frequency) && mCaught >= 0 && mReleased < 0)
          mReleased = t;
        ++mReleases;
      }
      if (was.active && !now.active)
        Say("%s  notch faded out: slot %2zu", mClock.Stamp(t).c_str(), i);
    }
    mPrev = slots;
    if (activeCount != mLastCount)
    {
      Say("%s  active notches: %d", mClock.Stamp(t).c_str(), activeCount);
      mLastCount = activeCount;
    }
    const size_t second = static_cast<size_t>(t);
    if (mPerSecond.size() <= second)
      mPerSecond.resize(second + 1, 0);
    mPerSecond[second] = std::max(mPerSecond[second], activeCount);
  }

  double caught() const { return mCaught; }
  double released() const { return mReleased; }
  int placements() const { return mPlacements; }
  int otherPlacements() const { return mOtherPlacements; }
  int releases() const { return mReleases; }
  const std::vector<int>& perSecond() const { return mPerSecond; }

private:
  template <typename... A>
  void Say(const char* fmt, A... args)
  {
    if (mQuiet)
      return;
    std::printf(fmt, args...);
    std::printf("\n");
  }
  bool IsEvent(float hz) const
  {
    return mEventHz > 0 && std::fabs(hz - mEventHz) < CatchWatch::kCatchHz;
  }

  const Clock& mClock;
  bool mQuiet;
  double mEventHz;
  std::vector<NotchView> mPrev;
  int mLastCount = 0;
  double mCaught = -1, mReleased = -1;
  int mPlacements = 0, mOtherPlacements = 0, mReleases = 0;
  std::vector<int> mPerSecond;
};

// Amplitude of one frequency in x[from, to) (a single DFT bin), in dBFS.
double ToneLevelDb(const std::vector<float>& x, double rate, double hz, double from, double to)
{
  const size_t a = static_cast<size_t>(std::max(from, 0.0) * rate);
  const size_t b = std::min(static_cast<size_t>(std::max(to, 0.0) * rate), x.size());
  if (b <= a)
    return -200.0;
  double re = 0, im = 0;
  for (size_t i = a; i < b; ++i)
  {
    const double ph = 2.0 * 3.141592653589793 * hz * static_cast<double>(i) / rate;
    re += x[i] * std::cos(ph);
    im -= x[i] * std::sin(ph);
  }
  const double amp = 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(b - a);
  return 20.0 * std::log10(amp + 1e-12);
}

int FindParameter(const OfflineProcessor& e, const std::string& name)
{
  const std::string key = NormaliseOptionName(name);
  for (int i = 0; i < e.ParameterCount(); ++i)
    if (NormaliseOptionName(e.ParameterName(i)) == key)
      return i;
  return -1;
}

// The bundle built with this tool: next to the tools folder, else where the build put it.
std::string DefaultBundlePath()
{
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0)
  {
    self[n] = '\0';
    std::string dir(self);
    dir = dir.substr(0, dir.find_last_of('/'));
    const std::string beside = dir.substr(0, dir.find_last_of('/')) + "/Quellor.vst3";
    struct stat st;
    if (stat(beside.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      return beside;
  }
  return QUELLOR_DEFAULT_BUNDLE;
}

std::string DerivedOutputName(const std::string& input)
{
  const size_t dot = input.find_last_of('.');
  const size_t slash = input.find_last_of('/');
  const std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                               ? input.substr(0, dot)
                               : input;
  return stem + "-quellor.wav";
}

// The plug-in (the bundle, or the engine linked in) with the command line's parameters applied;
// null with a message ("cannot load ..." when the bundle does not load).
std::unique_ptr<OfflineProcessor> OpenEngine(const RenderOptions& opt, const std::string& bundle,
                                             std::string& error)
{
  std::unique_ptr<OfflineProcessor> engine;
  if (opt.linked)
  {
    engine = MakeLinkedProcessor();
  }
  else
  {
    engine = MakeModuleProcessor(bundle, error);
    if (engine == nullptr)
    {
      error = "cannot load the plug-in " + bundle + ": " + error +
              " (--module PATH names another bundle, --linked uses the built-in engine)";
      return nullptr;
    }
  }
  for (const auto& [name, text] : opt.params)
  {
    const int idx = FindParameter(*engine, name);
    if (idx < 0)
    {
      error = "unknown option --" + name + " (see --help)";
      return nullptr;
    }
    double v = 0;
    if (!ParseParamValue(text, engine->ParameterIsSwitch(idx), v))
    {
      error = "--" + name + ": cannot read \"" + text + "\"";
      return nullptr;
    }
    if (v < engine->ParameterMin(idx) || v > engine->ParameterMax(idx))
      std::fprintf(stderr, "quellor-render: --%s %s is outside %g .. %g; limited\n", name.c_str(),
                   text.c_str(), engine->ParameterMin(idx), engine->ParameterMax(idx));
    engine->SetParameter(idx, v);
  }
  return engine;
}

} // namespace

int main(int argc, char** argv)
{
  RenderOptions opt;
  std::string error;
  if (!ParseRenderOptions(argc, argv, opt, error))
  {
    std::fprintf(stderr, "quellor-render: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (opt.help)
  {
    PrintUsage(argv[0]);
    return 0;
  }

  if (!opt.editorPng.empty() && !opt.linked)
  {
    // The editor reads the engine's meters, snapshot and queue directly: it needs the plug-in
    // object in this process, which the bundle's inspection interface does not hand out.
    std::printf("the editor picture needs the engine in this process: using --linked\n");
    opt.linked = true;
  }
  const std::string bundle =
      opt.linked ? "" : (opt.module.empty() ? DefaultBundlePath() : opt.module);
  std::unique_ptr<OfflineProcessor> engine = OpenEngine(opt, bundle, error);
  if (engine == nullptr)
  {
    std::fprintf(stderr, "quellor-render: %s\n", error.c_str());
    return error.rfind("cannot load", 0) == 0 ? 1 : 2;
  }
  if (opt.listParams)
  {
    for (int i = 0; i < engine->ParameterCount(); ++i)
    {
      if (engine->ParameterIsSwitch(i))
        std::printf("  --%-14s off | on        (default %s)\n", engine->ParameterName(i).c_str(),
                    engine->FormatParameter(i).c_str());
      else
        std::printf("  --%-14s %6g .. %-6g (default %s)\n", engine->ParameterName(i).c_str(),
                    engine->ParameterMin(i), engine->ParameterMax(i),
                    engine->FormatParameter(i).c_str());
    }
    return 0;
  }
  if (opt.scorecard)
  {
    engine.reset();
    return RunScorecard(opt, [&](std::string& e) { return OpenEngine(opt, bundle, e); });
  }
  if (opt.scenario == "loop" && opt.input.empty())
  {
    if (opt.thirdOctaves)
      std::fprintf(stderr, "quellor-render: --third-octaves is for files and the other scenarios; "
                           "the loop reports its own broadband change\n");
    engine.reset();
    if (opt.linked)
      std::printf("processing with the engine built into this tool\n");
    else
      std::printf("processing through the plug-in %s\n", bundle.c_str());
    return RunLoopScenario(opt, [&](std::string& e) { return OpenEngine(opt, bundle, e); });
  }

  AudioData audio;
  Clock clock;
  double eventHz = 0;
  std::string inPath, outPath;
  if (!opt.input.empty())
  {
    if (!ReadAudioFile(opt.input, audio, error))
    {
      std::fprintf(stderr, "quellor-render: cannot read %s: %s\n", opt.input.c_str(),
                   error.c_str());
      return 1;
    }
    if (audio.channels.size() > 2)
    {
      std::fprintf(stderr,
                   "quellor-render: %s has %zu channels; only mono and stereo are supported\n",
                   opt.input.c_str(), audio.channels.size());
      return 1;
    }
    outPath = opt.output.empty() ? DerivedOutputName(opt.input) : opt.output;
  }
  else
  {
    const ScenarioEntry* entry = FindScenario(opt.scenario);
    if (entry == nullptr)
    {
      std::string names = "loop";
      for (const auto& e : Scenarios())
        names += std::string(", ") + e.name;
      std::fprintf(stderr,
                   "quellor-render: scenario \"%s\" is not part of this build (available: %s)\n",
                   opt.scenario.c_str(), names.c_str());
      return 2;
    }
    Scenario sc = entry->generate({opt.rate, opt.seconds});
    if (sc.channels.empty() || sc.channels.size() > 2 || sc.channels[0].empty())
    {
      std::fprintf(stderr, "quellor-render: scenario \"%s\" produced no usable audio\n",
                   opt.scenario.c_str());
      return 1;
    }
    audio.sampleRate = sc.sampleRate;
    audio.channels = std::move(sc.channels);
    clock.eventStart = sc.eventStart;
    clock.eventEnd = sc.eventEnd;
    clock.eventName = sc.eventName;
    eventHz = sc.eventFrequency;
    inPath = opt.outDir + "/" + opt.scenario + "-input.wav";
    outPath = opt.outDir + "/" + opt.scenario + "-output.wav";
    std::printf("scenario %s: %s\n", opt.scenario.c_str(), sc.description.c_str());
    if (!WriteWavFile(inPath, audio, 0, error))
    {
      std::fprintf(stderr, "quellor-render: cannot write %s: %s\n", inPath.c_str(), error.c_str());
      return 1;
    }
  }

  const int channels = static_cast<int>(audio.channels.size());
  const size_t frames = audio.channels[0].size();
  if (!engine->Prepare(audio.sampleRate, opt.block, channels))
  {
    std::fprintf(stderr, "quellor-render: cannot prepare for %g Hz, %d channels\n",
                 audio.sampleRate, channels);
    return 1;
  }
  if (opt.linked)
    std::printf("processing with the engine built into this tool\n");
  else
    std::printf("processing through the plug-in %s\n", bundle.c_str());
  std::printf("%zu frames, %d channel(s), %g Hz, blocks of %d;", frames, channels, audio.sampleRate,
              opt.block);
  for (int i = 0; i < engine->ParameterCount(); ++i)
    std::printf(" %s %s%s", engine->ParameterName(i).c_str(), engine->FormatParameter(i).c_str(),
                i + 1 < engine->ParameterCount() ? "," : "\n");

  const double sensitivity = engine->GetParameter(FindParameter(*engine, "Sensitivity")) / 100.0;
  NotchReport report(clock, opt.quiet, eventHz);
  std::vector<std::vector<double>> in(channels, std::vector<double>(opt.block)), out = in;
  std::vector<double*> inPtr(channels), outPtr(channels);
  for (int c = 0; c < channels; ++c)
  {
    inPtr[c] = in[c].data();
    outPtr[c] = out[c].data();
  }
  std::vector<std::vector<float>> processed(channels);
  std::vector<NotchView> slots;
  std::vector<float> spectrum;
  float binWidth = 0;
  double detectable = -1;

  // Runs past the end by the reported latency so that the written file lines up with the input.
  size_t pos = 0;
  size_t wanted = frames;
  // The editor picture: taken once the run reaches --at (or at its end); a requested manual
  // notch is queued first, applied by the next block and selected.
  enum class Picture
  {
    None,
    Waiting,
    NotchQueued,
    Done
  };
  Picture picture = opt.editorPng.empty() ? Picture::None : Picture::Waiting;
  bool pictureFailed = false;
  const double pictureAt =
      opt.editorAt >= 0 ? opt.editorAt : static_cast<double>(frames) / audio.sampleRate;
  auto takePicture = [&]() {
    Quellor* plugin = engine->Plugin();
    if (opt.notchHz > 0)
    {
      const int slot = FindManualNotch(*plugin, opt.notchHz);
      if (slot < 0)
        std::fprintf(stderr, "quellor-render: the manual notch found no free slot\n");
      plugin->SelectedNotch.exchange(slot);
    }
    std::string why;
    if (WriteEditorPicture(*plugin, opt.editorPng, opt.editorScale, why))
      std::printf("editor picture at %.3f s written to %s\n",
                  static_cast<double>(pos) / audio.sampleRate, opt.editorPng.c_str());
    else
      std::fprintf(stderr, "quellor-render: editor picture: %s\n", why.c_str());
    picture = Picture::Done;
    pictureFailed = !why.empty();
  };

  while (pos < wanted)
  {
    const int n = static_cast<int>(std::min<size_t>(opt.block, wanted - pos));
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < n; ++i)
        in[c][i] = pos + i < frames ? audio.channels[c][pos + i] : 0.0;
    engine->Process(inPtr.data(), outPtr.data(), n);
    for (int c = 0; c < channels; ++c)
      processed[c].insert(processed[c].end(), out[c].begin(), out[c].begin() + n);
    pos += n;
    if (pos >= frames)
      wanted = frames + static_cast<size_t>(std::max(engine->Latency(), 0));

    const double t = static_cast<double>(pos) / audio.sampleRate;
    int count = 0;
    if (engine->ReadNotches(slots) && engine->ReadActiveNotchCount(count))
      report.Update(slots, count, t);
    if (eventHz > 0 && detectable < 0 && clock.eventStart >= 0 && t >= clock.eventStart &&
        engine->ReadSpectrum(spectrum, binWidth) &&
        ToneDetectable(spectrum, binWidth, eventHz, sensitivity))
    {
      detectable = t;
      if (!opt.quiet)
        std::printf("%s  the %s stands out of the programme enough to be tracked\n",
                    clock.Stamp(t).c_str(), clock.eventName.c_str());
    }
    if (picture == Picture::NotchQueued)
      takePicture();
    else if (picture == Picture::Waiting && t >= pictureAt)
    {
      if (opt.notchHz > 0)
      {
        engine->Plugin()->PushNotchCommand(kNotchAdd, 0, opt.notchHz, opt.notchDb, opt.notchQ);
        picture = Picture::NotchQueued;
        if (pos >= wanted)
          wanted += static_cast<size_t>(opt.block); // one more block applies the notch
      }
      else
        takePicture();
    }
  }
  if (picture == Picture::Waiting || picture == Picture::NotchQueued)
    takePicture();

  const int latency = std::max(engine->Latency(), 0);
  AudioData result;
  result.sampleRate = audio.sampleRate;
  for (int c = 0; c < channels; ++c)
    result.channels.emplace_back(
        processed[c].begin() + std::min<size_t>(latency, processed[c].size()),
        processed[c].begin() + std::min<size_t>(latency + frames, processed[c].size()));
  if (!WriteWavFile(outPath, result, audio.format, error))
  {
    std::fprintf(stderr, "quellor-render: cannot write %s: %s\n", outPath.c_str(), error.c_str());
    return 1;
  }

  std::printf("\nsummary\n");
  if (!inPath.empty())
    std::printf("  input written to  %s\n", inPath.c_str());
  std::printf("  output written to %s (latency %d samples, compensated)\n", outPath.c_str(),
              latency);
  std::printf("  notches placed: %d, released: %d\n", report.placements(), report.releases());
  if (opt.thirdOctaves)
  {
    std::printf("  level of the output against the input: %+.2f dB broadband\n",
                BroadbandLevel(result.channels) - BroadbandLevel(audio.channels));
    std::printf("%s", FormatThirdOctaveTable(ThirdOctaveLevels(audio.channels, audio.sampleRate),
                                             ThirdOctaveLevels(result.channels, audio.sampleRate))
                          .c_str());
  }
  if (eventHz > 0)
  {
    if (detectable >= 0)
      std::printf("  %s trackable at %.3f s (%.0f ms after it started)\n", clock.eventName.c_str(),
                  detectable, (detectable - clock.eventStart) * 1000.0);
    if (report.caught() >= 0)
    {
      std::printf("  %s caught at %.3f s: %.0f ms after it started", clock.eventName.c_str(),
                  report.caught(), (report.caught() - clock.eventStart) * 1000.0);
      if (detectable >= 0)
        std::printf(", %.0f ms after it became trackable", (report.caught() - detectable) * 1000.0);
      std::printf("\n");
      const double from = report.caught() + 0.05, to = clock.eventEnd;
      if (to > from)
        std::printf(
            "  %s level while notched (%.2f .. %.2f s): input %.1f dBFS, output %.1f dBFS\n",
            clock.eventName.c_str(), from, to,
            ToneLevelDb(audio.channels[0], audio.sampleRate, eventHz, from, to),
            ToneLevelDb(result.channels[0], audio.sampleRate, eventHz, from, to));
    }
    else
    {
      std::printf("  %s was not caught\n", clock.eventName.c_str());
    }
    if (report.released() >= 0)
      std::printf("  %s notch released at %.3f s: %.2f s after the %s stopped\n",
                  clock.eventName.c_str(), report.released(), report.released() - clock.eventEnd,
                  clock.eventName.c_str());
    std::printf("  other notches placed on the programme: %d\n", report.otherPlacements());
  }
  std::printf("  active notches, highest per second:");
  for (int v : report.perSecond())
    std::printf(" %d", v);
  std::printf("\n");
  return pictureFailed ? 1 : 0;
}
