// quellor-host --live: a JACK client (jackd2, or PipeWire through pw-jack) that runs a bundle's
// processor in the server's process callback, at the server's rate and period.
//
//   quellor-host --live BUNDLE.vst3 [--no-editor] [--channels 1|2] [--name CLIENT]
//                [--server NAME] [--connect-in PORT...] [--connect-out PORT...]
//                [--state FILE] [--set PARAM=VALUE]... [--seconds N]
//
// The callback allocates nothing, takes no lock, does no I/O and never waits: parameter edits
// (the editor's, --set) reach it through a lock-free ring and become the block's parameter
// changes, as a DAW hands them over. Everything else (set-up after a rate or period change, the
// latency the ports report, the state file, the status line) happens on the main thread, which
// also serves the plug-in's run loop and the editor's window.

#include "tools/host/LiveHost.h"

#include "quellor/QuellorProbeApi.h"
#include "rt/ISPSCQueue.h"
#include "tools/host/ComponentHandler.h"
#include "tools/host/EditorWindows.h"
#include "tools/host/HostObjects.h"
#include "tools/host/MemoryStream.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "tools/host/ProcessObjects.h"
#include "tools/host/RunLoop.h"
#include "tools/host/StateFile.h"
#include "tools/host/UiLoop.h"
#include "vst3api/sdk/StringConvert.h"

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

namespace {

constexpr int kMaxChannels = 2;

volatile std::sig_atomic_t gQuit = 0;

void OnSignal(int)
{
  gQuit = 1;
}

void PrintJackError(const char* message)
{
  std::fprintf(stderr, "quellor-host: JACK: %s\n", message);
}

// libjack's own complaints while it looks for a server; the user gets one line of ours instead.
void Quiet(const char*) {}

// One line for the user, on standard error: what went wrong or what was done about it.
void Tell(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Tell(const char* fmt, ...)
{
  va_list args;
  va_start(args, fmt);
  std::fputs("quellor-host: ", stderr);
  std::vfprintf(stderr, fmt, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

struct Options
{
  std::string bundle, state, server, name = "quellor";
  int channels = 2;
  bool editor = true;
  double seconds = 0.0; // 0: until Control+C, SIGTERM, the editor's window closing or the server
  std::vector<std::string> connectIn, connectOut;
  std::vector<std::string> sets; // PARAM=VALUE
};

int Usage()
{
  std::fprintf(
      stderr,
      "usage: quellor-host --live BUNDLE.vst3 [--no-editor] [--channels 1|2]\n"
      "         [--name CLIENT] [--server NAME] [--connect-in PORT...]\n"
      "         [--connect-out PORT...] [--state FILE] [--set PARAM=VALUE]...\n"
      "         [--seconds N]\n"
      "PORT is a JACK port name such as system:capture_1 (jack_lsp lists them); the\n"
      "ports given are taken by the channels in turn. Without --server, JACK's default\n"
      "server (or JACK_DEFAULT_SERVER) is used. Under PipeWire: pw-jack quellor-host ...\n");
  return 2;
}

bool ParseOptions(int argc, char** argv, Options& o)
{
  for (int i = 2; i < argc; ++i)
  {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc)
        return false;
      out = argv[++i];
      return true;
    };
    // Port lists run to the next option; a port name always has a colon in it.
    auto ports = [&](std::vector<std::string>& out) {
      const size_t before = out.size();
      while (i + 1 < argc && argv[i + 1][0] != '-' && std::strchr(argv[i + 1], ':'))
        out.push_back(argv[++i]);
      return out.size() > before;
    };
    std::string v;
    if (a == "--no-editor")
      o.editor = false;
    else if (a == "--channels" && value(v) && (v == "1" || v == "2"))
      o.channels = v == "1" ? 1 : 2;
    else if (a == "--name" && value(o.name) && !o.name.empty())
      continue;
    else if (a == "--server" && value(o.server))
      continue;
    else if (a == "--state" && value(o.state))
      continue;
    else if (a == "--set" && value(v) && v.find('=') != std::string::npos)
      o.sets.push_back(v);
    else if (a == "--seconds" && value(v))
      o.seconds = std::atof(v.c_str());
    else if (a == "--connect-in" && ports(o.connectIn))
      continue;
    else if (a == "--connect-out" && ports(o.connectOut))
      continue;
    else if (!a.empty() && a[0] != '-' && o.bundle.empty())
      o.bundle = a;
    else
    {
      Tell("unknown or incomplete option %s", a.c_str());
      return false;
    }
  }
  return !o.bundle.empty() && o.seconds >= 0.0;
}

// A parameter edit on its way from the main thread to the process callback.
struct ParamEdit
{
  ParamID id = 0;
  ParamValue value = 0.0;
};

std::uint64_t NowNs()
{
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts); // the vDSO's: no system call, no lock
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

// What the process callback and JACK's other threads share with the main thread.
struct Engine
{
  jack_client_t* client = nullptr;
  jack_port_t* in[kMaxChannels] = {};
  jack_port_t* out[kMaxChannels] = {};
  int channels = 2;

  IAudioProcessor* proc = nullptr;
  ProcessData data;
  AudioBusBuffers inBus, outBus;
  ProcessContext context{};
  IPtr<ParameterChanges> changes = owned(new ParameterChanges(64));
  plugfw::ISPSCQueue<ParamEdit> edits{1024};

  // The handshake that keeps the callback out of the plug-in while the main thread sets it up:
  // the main thread raises `paused` and waits for `busy` to fall; the callback raises `busy`
  // before it looks at `paused` (both sequentially consistent, so one of them sees the other).
  std::atomic<bool> paused{true};
  std::atomic<bool> busy{false};
  std::atomic<jack_nframes_t> setUpBlock{0}; // the largest block the plug-in was set up for

  std::atomic<jack_nframes_t> serverRate{0}, serverPeriod{0};
  std::atomic<bool> reconfigure{false};
  std::atomic<int> latency{0};
  std::atomic<long> xruns{0};
  std::atomic<long> delivered{0}; // edits handed to the processor as parameter changes
  std::atomic<bool> shutdown{false};
  char shutdownReason[256] = {};

  // The callback's own time: its sum and count only grow; the main thread takes differences.
  std::atomic<std::uint64_t> busyNs{0}, periodNs{0}, cycles{0}, peakPermille{0};
};

void Silence(Engine& e, jack_nframes_t n)
{
  for (int c = 0; c < e.channels; ++c)
    std::memset(jack_port_get_buffer(e.out[c], n), 0, n * sizeof(float));
}

int OnProcess(jack_nframes_t n, void* arg)
{
  Engine& e = *static_cast<Engine*>(arg);
  const std::uint64_t start = NowNs();
  e.busy.store(true);
  if (e.paused.load() || n > e.setUpBlock.load(std::memory_order_relaxed))
  {
    Silence(e, n);
    e.busy.store(false);
    return 0;
  }
  float* ins[kMaxChannels];
  float* outs[kMaxChannels];
  for (int c = 0; c < e.channels; ++c)
  {
    ins[c] = static_cast<float*>(jack_port_get_buffer(e.in[c], n));
    outs[c] = static_cast<float*>(jack_port_get_buffer(e.out[c], n));
  }
  e.changes->clear();
  ParamEdit edit;
  while (e.edits.Pop(edit))
  {
    e.changes->add(edit.id, 0, edit.value); // the latest value of a parameter wins
    e.delivered.fetch_add(1, std::memory_order_relaxed);
  }
  e.inBus.channelBuffers32 = ins;
  e.outBus.channelBuffers32 = outs;
  e.data.numSamples = static_cast<int32>(n);
  e.data.inputParameterChanges = e.changes;
  if (e.proc->process(e.data) != kResultOk)
    Silence(e, n);
  e.context.projectTimeSamples += n;
  e.data.inputParameterChanges = nullptr;
  e.busy.store(false);

  const std::uint64_t took = NowNs() - start;
  const std::uint64_t period =
      static_cast<std::uint64_t>(1e9 * n / std::max(1.0, e.context.sampleRate));
  e.busyNs.fetch_add(took, std::memory_order_relaxed);
  e.periodNs.fetch_add(period, std::memory_order_relaxed);
  e.cycles.fetch_add(1, std::memory_order_relaxed);
  const std::uint64_t permille = period ? took * 1000 / period : 0;
  if (permille > e.peakPermille.load(std::memory_order_relaxed))
    e.peakPermille.store(permille, std::memory_order_relaxed);
  return 0;
}

int OnXrun(void* arg)
{
  static_cast<Engine*>(arg)->xruns.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

// A new rate or period: only noted here; the main thread stops, sets up and restarts.
int OnSampleRate(jack_nframes_t rate, void* arg)
{
  Engine& e = *static_cast<Engine*>(arg);
  e.serverRate.store(rate);
  e.reconfigure.store(true);
  return 0;
}

int OnBufferSize(jack_nframes_t frames, void* arg)
{
  Engine& e = *static_cast<Engine*>(arg);
  e.serverPeriod.store(frames);
  e.reconfigure.store(true);
  return 0;
}

// The plug-in's latency lies between each input and its output: what reaches an output was
// captured `latency` frames earlier than at the input, and what enters an input is played
// `latency` frames later than from the output.
void OnLatency(jack_latency_callback_mode_t mode, void* arg)
{
  Engine& e = *static_cast<Engine*>(arg);
  const jack_nframes_t latency = static_cast<jack_nframes_t>(e.latency.load());
  for (int c = 0; c < e.channels; ++c)
  {
    jack_latency_range_t range;
    if (mode == JackCaptureLatency)
    {
      jack_port_get_latency_range(e.in[c], JackCaptureLatency, &range);
      range.min += latency;
      range.max += latency;
      jack_port_set_latency_range(e.out[c], JackCaptureLatency, &range);
    }
    else
    {
      jack_port_get_latency_range(e.out[c], JackPlaybackLatency, &range);
      range.min += latency;
      range.max += latency;
      jack_port_set_latency_range(e.in[c], JackPlaybackLatency, &range);
    }
  }
}

void OnShutdown(jack_status_t, const char* reason, void* arg)
{
  Engine& e = *static_cast<Engine*>(arg);
  std::snprintf(e.shutdownReason, sizeof(e.shutdownReason), "%s", reason ? reason : "");
  e.shutdown.store(true);
}

class LiveHost
{
public:
  explicit LiveHost(Options options) : mOpt(std::move(options)) {}

  int Run()
  {
    std::error_code ec;
    if (!std::filesystem::exists(mOpt.bundle, ec))
    {
      Tell("no bundle at %s (give the path of Quellor.vst3)", mOpt.bundle.c_str());
      return 1;
    }
    if (!OpenClient())
      return 1;
    int rc = 1;
    if (LoadPlugin() && StartProcessing())
      rc = Loop();
    Finish();
    return rc;
  }

private:
  bool OpenClient()
  {
    jack_status_t status{};
    const int options = JackNoStartServer | (mOpt.server.empty() ? 0 : JackServerName);
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    mE.client =
        mOpt.server.empty()
            ? jack_client_open(mOpt.name.c_str(), static_cast<jack_options_t>(options), &status)
            : jack_client_open(mOpt.name.c_str(), static_cast<jack_options_t>(options), &status,
                               mOpt.server.c_str());
    if (!mE.client)
    {
      if (status & JackServerFailed)
      {
        const char* env = std::getenv("JACK_DEFAULT_SERVER");
        const std::string which = !mOpt.server.empty() ? " \"" + mOpt.server + "\""
                                  : env                ? std::string(" \"") + env + "\""
                                                       : std::string();
        Tell("no JACK server%s is running: start one (jackd -d alsa -d hw:0 -r 48000 -p 256, "
             "or qjackctl), or run under PipeWire as pw-jack quellor-host --live ...",
             which.c_str());
      }
      else if (status & JackNameNotUnique)
        Tell("a JACK client named \"%s\" is already running (choose another with --name)",
             mOpt.name.c_str());
      else
        Tell("the JACK server refused the client (status 0x%x)", static_cast<unsigned>(status));
      return false;
    }
    // From here libjack's messages only repeat what our own lines say (a server that went away
    // fills a screen with socket errors); QUELLOR_JACK_VERBOSE=1 shows them.
    const char* verbose = std::getenv("QUELLOR_JACK_VERBOSE");
    if (verbose && std::strcmp(verbose, "1") == 0)
    {
      jack_set_error_function(PrintJackError);
      jack_set_info_function(PrintJackError);
    }
    mE.channels = mOpt.channels;
    return true;
  }

  bool LoadPlugin()
  {
    if (!mModule.load(mOpt.bundle))
    {
      Tell("cannot load the bundle %s: %s", mOpt.bundle.c_str(), mModule.error().c_str());
      return false;
    }
    TUID cid;
    if (!findAudioEffectClass(mModule.factory(), cid))
    {
      Tell("%s has no audio effect", mOpt.bundle.c_str());
      return false;
    }
    mHost = owned(new HostApplication(u"quellor-host"));
    if (FUnknownPtr<IPluginFactory3> f3{mModule.factory()})
      f3->setHostContext(mHost->unknownCast());
    mHandler = owned(new ComponentHandler);
    // Edits come from the editor on this (the main) thread: the ring's one producer.
    mHandler->onCall = [this](const HandlerCall& c) {
      if (c.kind == HandlerCall::kPerform)
      {
        Queue(c.id, c.value);
        std::printf("edit: %s = %.6f\n", Title(c.id).c_str(), c.value);
        std::fflush(stdout);
      }
      else if (c.kind == HandlerCall::kRestart && (c.flags & kLatencyChanged))
        mLatencyRestart = true;
    };
    if (!mPlug.create(mModule.factory(), cid) ||
        mPlug.initialize(mHost->unknownCast()) != kResultOk)
    {
      Tell("the plug-in did not start: %s", mPlug.error().c_str());
      return false;
    }
    if (mPlug.controller())
      mPlug.controller()->setComponentHandler(mHandler);
    const SpeakerArrangement arr = mOpt.channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    if (mPlug.setBusArrangements(arr, arr) != kResultTrue)
    {
      Tell("the plug-in refuses %d channel(s)", mOpt.channels);
      return false;
    }
    mPlug.activateMainBuses();
    mParams = mPlug.parameters();
    LoadState();
    for (const std::string& s : mOpt.sets)
      if (!ApplySet(s))
        return false;
    return true;
  }

  // --set PARAM=VALUE: PARAM by its title (case, spaces, '-' and '_' do not matter), VALUE in the
  // parameter's own units (on/off for switches).
  bool ApplySet(const std::string& s)
  {
    auto key = [](const std::string& t) {
      std::string k;
      for (char ch : t)
        if (ch != ' ' && ch != '-' && ch != '_')
          k += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      return k;
    };
    const size_t eq = s.find('=');
    const std::string name = key(s.substr(0, eq)), text = s.substr(eq + 1);
    IEditController* ctrl = mPlug.controller();
    for (const ParameterInfo& p : mParams)
    {
      if (key(StringConvert::convert(p.title, 128)) != name)
        continue;
      double plain = 0.0;
      if (text == "on" || text == "off")
        plain = text == "on" ? 1.0 : 0.0;
      else
      {
        char* end = nullptr;
        plain = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end != '\0')
        {
          Tell("--set %s: \"%s\" is not a number", s.c_str(), text.c_str());
          return false;
        }
      }
      const ParamValue v = std::clamp(ctrl->plainParamToNormalized(p.id, plain), 0.0, 1.0);
      ctrl->setParamNormalized(p.id, v);
      Queue(p.id, v);
      return true;
    }
    Tell("--set %s: the plug-in has no parameter of that name", s.c_str());
    return false;
  }

  std::string Title(ParamID id)
  {
    for (const ParameterInfo& p : mParams)
      if (p.id == id)
        return StringConvert::convert(p.title, 128);
    return std::to_string(id);
  }

  void Queue(ParamID id, ParamValue value)
  {
    mPending.push_back({id, value});
    FlushEdits();
  }
  void FlushEdits()
  {
    size_t sent = 0;
    while (sent < mPending.size() && mE.edits.Push(mPending[sent]))
      ++sent;
    mPending.erase(mPending.begin(), mPending.begin() + static_cast<std::ptrdiff_t>(sent));
  }

  void LoadState()
  {
    if (mOpt.state.empty())
      return;
    std::vector<char> bytes;
    std::string error;
    const StateRead r = ReadStateFile(mOpt.state, bytes, error);
    if (r == StateRead::kMissing)
    {
      std::printf("state: %s does not exist yet; default settings (it is written on exit)\n",
                  mOpt.state.c_str());
      mStateUsable = true;
      return;
    }
    if (r == StateRead::kRead)
    {
      MemoryStream stream(bytes);
      if (mPlug.loadState(stream) == kResultOk)
      {
        std::printf("state: loaded %s (%zu bytes)\n", mOpt.state.c_str(), bytes.size());
        mStateUsable = true;
        return;
      }
      error = "the plug-in does not recognise it as its state";
    }
    // Defaults from here; what was there is kept aside rather than written over on exit.
    std::string movedTo, moveError;
    if (SetAside(mOpt.state, movedTo, moveError))
    {
      Tell("%s could not be read (%s): default settings; the file was kept as %s",
           mOpt.state.c_str(), error.c_str(), movedTo.c_str());
      mStateUsable = true;
    }
    else
      Tell("%s could not be read (%s): default settings, and it will not be written over (%s)",
           mOpt.state.c_str(), error.c_str(), moveError.c_str());
  }

  void SaveState(const char* why)
  {
    if (mOpt.state.empty())
      return;
    if (!mStateUsable)
    {
      Tell("state not saved: %s is kept as it was", mOpt.state.c_str());
      return;
    }
    MemoryStream stream;
    std::string error;
    if (mPlug.saveState(stream) != kResultOk)
      error = "the plug-in gave no state";
    else if (WriteStateFile(mOpt.state, stream.bytes(), error))
    {
      std::printf("state: saved %s (%zu bytes, %s)\n", mOpt.state.c_str(), stream.bytes().size(),
                  why);
      std::fflush(stdout);
      return;
    }
    Tell("state not saved: %s", error.c_str());
  }

  bool SetUp(jack_nframes_t rate, jack_nframes_t period)
  {
    if (mPlug.setupProcessing(rate, static_cast<int32>(period), kSample32) != kResultOk ||
        mPlug.start() != kResultOk)
    {
      Tell("the plug-in cannot run at %u Hz with %u-frame periods", rate, period);
      return false;
    }
    mE.context.sampleRate = rate;
    mE.setUpBlock.store(period);
    mRan = true;
    mRate = rate;
    mPeriod = period;
    return true;
  }

  bool StartProcessing()
  {
    mE.proc = mPlug.processor();
    mE.inBus.numChannels = mOpt.channels;
    mE.outBus.numChannels = mOpt.channels;
    mE.data.processMode = kRealtime;
    mE.data.symbolicSampleSize = kSample32;
    mE.data.numInputs = 1;
    mE.data.numOutputs = 1;
    mE.data.inputs = &mE.inBus;
    mE.data.outputs = &mE.outBus;
    mE.data.processContext = &mE.context;
    mE.context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid;
    mE.context.tempo = 120.0;

    const jack_nframes_t rate = jack_get_sample_rate(mE.client);
    const jack_nframes_t period = jack_get_buffer_size(mE.client);
    mE.serverRate.store(rate);
    mE.serverPeriod.store(period);
    if (!SetUp(rate, period))
      return false;
    for (int c = 0; c < mOpt.channels; ++c)
    {
      const std::string in = "in_" + std::to_string(c + 1), out = "out_" + std::to_string(c + 1);
      mE.in[c] =
          jack_port_register(mE.client, in.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
      mE.out[c] =
          jack_port_register(mE.client, out.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
      if (!mE.in[c] || !mE.out[c])
      {
        Tell("the JACK server refused the client's ports");
        return false;
      }
    }
    // Every port named must exist before anything runs.
    for (const auto* list : {&mOpt.connectIn, &mOpt.connectOut})
      for (const std::string& name : *list)
        if (!jack_port_by_name(mE.client, name.c_str()))
        {
          Tell("no JACK port named \"%s\" (jack_lsp lists the ports)", name.c_str());
          return false;
        }
    mE.latency.store(std::max(0, static_cast<int>(mE.proc->getLatencySamples())));
    jack_set_process_callback(mE.client, OnProcess, &mE);
    jack_set_xrun_callback(mE.client, OnXrun, &mE);
    jack_set_sample_rate_callback(mE.client, OnSampleRate, &mE);
    jack_set_buffer_size_callback(mE.client, OnBufferSize, &mE);
    jack_set_latency_callback(mE.client, OnLatency, &mE);
    jack_on_info_shutdown(mE.client, OnShutdown, &mE);
    mE.paused.store(false);
    if (jack_activate(mE.client) != 0)
    {
      Tell("the JACK server did not activate the client");
      return false;
    }
    mActive = true;
    const std::string me = jack_get_client_name(mE.client);
    for (size_t k = 0; k < mOpt.connectIn.size(); ++k)
      Connect(mOpt.connectIn[k], jack_port_name(mE.in[k % mOpt.channels]));
    for (size_t k = 0; k < mOpt.connectOut.size(); ++k)
      Connect(jack_port_name(mE.out[k % mOpt.channels]), mOpt.connectOut[k]);
    std::printf("live: JACK client \"%s\", %d channel(s), %u Hz, %u-frame periods, latency %d "
                "samples\n",
                me.c_str(), mOpt.channels, mRate, mPeriod, mE.latency.load());
    std::fflush(stdout);
    return true;
  }

  void Connect(const std::string& from, const std::string& to)
  {
    const int r = jack_connect(mE.client, from.c_str(), to.c_str());
    if (r == 0 || r == EEXIST)
      std::printf("live: connected %s -> %s\n", from.c_str(), to.c_str());
    else
      Tell("cannot connect %s to %s", from.c_str(), to.c_str());
  }

  // Keeps the callback out of the plug-in; false if it did not leave within a second (it never
  // waits, so that means the server stopped calling it mid-cycle).
  bool Pause()
  {
    mE.paused.store(true);
    for (int i = 0; i < 1000 && mE.busy.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !mE.busy.load();
  }

  void Reconfigure()
  {
    mE.reconfigure.store(false);
    const jack_nframes_t rate = mE.serverRate.load(), period = mE.serverPeriod.load();
    if (rate == mRate && period == mPeriod)
      return;
    Pause();
    mPlug.stop();
    std::printf("live: the server now runs at %u Hz with %u-frame periods; the plug-in is set up "
                "again\n",
                rate, period);
    if (SetUp(rate, period))
      mE.paused.store(false);
    UpdateLatency();
  }

  void UpdateLatency()
  {
    const int latency = std::max(0, static_cast<int>(mE.proc->getLatencySamples()));
    if (latency == mE.latency.load())
      return;
    mE.latency.store(latency);
    jack_recompute_total_latencies(mE.client);
    std::printf("live: latency now %d samples (%.1f ms)\n", latency, 1000.0 * latency / mRate);
    std::fflush(stdout);
  }

  void Status()
  {
    const std::uint64_t busy = mE.busyNs.load(), period = mE.periodNs.load();
    const std::uint64_t cycles = mE.cycles.load();
    const double load = period > mLastPeriodNs ? 100.0 * static_cast<double>(busy - mLastBusyNs) /
                                                     static_cast<double>(period - mLastPeriodNs)
                                               : 0.0;
    const double peak = static_cast<double>(mE.peakPermille.exchange(0)) / 10.0;
    mPeakLoad = std::max(mPeakLoad, peak);
    mLastBusyNs = busy;
    mLastPeriodNs = period;
    int notches = -1;
    if (FUnknownPtr<quellor::IQuellorProbe> probe{mPlug.component()})
      notches = probe->getActiveNotchCount();
    const int latency = mE.latency.load();
    std::printf("status: dsp %.1f %% (peak %.1f %%, server %.1f %%), xruns %ld, notches %d, "
                "latency %d samples (%.1f ms), edits %ld, cycles %llu\n",
                load, peak, static_cast<double>(jack_cpu_load(mE.client)), mE.xruns.load(), notches,
                latency, 1000.0 * latency / mRate, mE.delivered.load(),
                static_cast<unsigned long long>(cycles));
    std::fflush(stdout);
  }

  bool OpenEditor()
  {
    std::string error;
    mWindows = editorhost::MakeHostWindows(error);
    if (!mWindows)
    {
      Tell("no editor window: %s (use --no-editor to run without one)", error.c_str());
      return false;
    }
    mView = mPlug.controller() ? mPlug.controller()->createView("editor") : nullptr;
    if (!mView)
    {
      Tell("the plug-in has no editor");
      return false;
    }
    ViewRect size;
    mView->getSize(&size);
    mTop = mWindows->OpenTop(0, size.getWidth(), size.getHeight());
    mFrame = owned(new PlugFrame(mHost->runLoop()));
    mFrame->onResize = [this](const ViewRect& r) {
      mWindows->SetClientSize(mTop, r.getWidth(), r.getHeight());
    };
    mView->setFrame(mFrame);
    if (!mTop || mView->attached(mTop, mWindows->PlatformType()) != kResultTrue)
    {
      Tell("the editor did not open in the window");
      mView->setFrame(nullptr);
      mView->release();
      mView = nullptr;
      return false;
    }
    // Control+S saves the state: the keys the editor does not take reach the host's window.
    mWindows->onKey = [this](bool down, const std::string& key, bool control) {
      if (down && control && (key == "s" || key == "S"))
        SaveState("Control+S");
    };
    editorhost::EditorWindowInfo info;
    if (mWindows->Describe(mTop, info))
      std::printf("live: editor open, window 0x%llx at %ld %ld, %ld x %ld\n", info.id, info.x,
                  info.y, info.width, info.height);
    std::fflush(stdout);
    return true;
  }

  void CloseEditor()
  {
    if (mView)
    {
      mView->removed();
      mView->setFrame(nullptr);
      mView->release();
      mView = nullptr;
    }
    mFrame = nullptr;
    if (mTop)
      mWindows->CloseTop(mTop);
    mTop = nullptr;
  }

  int Loop()
  {
    if (mOpt.editor && !OpenEditor())
      return 1;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    const auto begin = std::chrono::steady_clock::now();
    auto nextStatus = begin + std::chrono::seconds(1);
    int rc = 0;
    while (!gQuit)
    {
      if (mTop)
      {
        if (!mWindows->Pump(mHost->runLoop(), 10))
          break; // the editor's window was closed
      }
      else
        pumpUi(mHost->runLoop(), 10);
      if (mE.shutdown.load())
      {
        mActive = false;
        Tell("the JACK server went away%s%s; stopping", mE.shutdownReason[0] ? ": " : "",
             mE.shutdownReason);
        rc = 3;
        break;
      }
      FlushEdits();
      if (mE.reconfigure.load())
        Reconfigure();
      if (mLatencyRestart)
      {
        mLatencyRestart = false;
        UpdateLatency();
      }
      const auto now = std::chrono::steady_clock::now();
      if (now >= nextStatus)
      {
        UpdateLatency(); // also a plug-in that changes its latency without saying so
        Status();
        nextStatus += std::chrono::seconds(1);
      }
      if (mOpt.seconds > 0.0 && now - begin >= std::chrono::duration<double>(mOpt.seconds))
        break;
    }
    return rc;
  }

  void Finish()
  {
    if (mE.client)
    {
      if (mActive)
        jack_deactivate(mE.client); // the callback is not called again after this returns
      else
        Pause();
    }
    CloseEditor();
    const bool loaded = mPlug.isInitialized() && mRan;
    if (loaded)
    {
      mPlug.stop();
      SaveState("on exit"); // never the defaults of a run that did not get as far as processing
    }
    if (mE.client)
    {
      if (loaded && mE.cycles.load() > 0)
        std::printf("live: stopped after %llu cycles: xruns %ld, peak dsp %.1f %%\n",
                    static_cast<unsigned long long>(mE.cycles.load()), mE.xruns.load(), mPeakLoad);
      jack_client_close(mE.client);
      mE.client = nullptr;
    }
    if (mPlug.controller())
      mPlug.controller()->setComponentHandler(nullptr);
    mPlug.release();
    if (mHost)
      if (FUnknownPtr<IPluginFactory3> f3{mModule.factory()})
        f3->setHostContext(nullptr);
    mModule.unload();
    std::fflush(stdout);
  }

  Options mOpt;
  Engine mE;
  Module mModule;
  IPtr<HostApplication> mHost;
  IPtr<ComponentHandler> mHandler;
  PluginInstance mPlug;
  std::vector<ParameterInfo> mParams;
  std::vector<ParamEdit> mPending; // edits the full ring could not take yet
  bool mLatencyRestart = false;
  bool mStateUsable = false;
  bool mActive = false;
  bool mRan = false; // set up for processing at least once
  jack_nframes_t mRate = 48000, mPeriod = 256;
  std::uint64_t mLastBusyNs = 0, mLastPeriodNs = 0;
  double mPeakLoad = 0.0;
  std::unique_ptr<editorhost::HostWindows> mWindows;
  IPlugView* mView = nullptr;
  IPtr<PlugFrame> mFrame;
  void* mTop = nullptr;
};

} // namespace

int RunLiveHost(int argc, char** argv)
{
  Options opt;
  if (!ParseOptions(argc, argv, opt))
    return Usage();
  return LiveHost(std::move(opt)).Run();
}

} // namespace qhost
