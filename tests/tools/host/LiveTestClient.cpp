// quellor-live-test-client: the other end of quellor-host --live in the JACK test. A JACK client
// with an output port "play" and an input port "rec": once both are connected it plays a WAV file
// (its first channel) from the start of the next cycle and records what comes back in the same
// cycles, then writes a two-channel 32-bit WAV: what it played and what it heard, frame by frame.
//
//   quellor-live-test-client --name NAME --play IN.wav --record OUT.wav [--tail SECONDS]
//
// Prints "ready" once its ports exist, then "done <frames> xruns <n>" at the end. The server is
// JACK_DEFAULT_SERVER's.

#include <jack/jack.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Client
{
  jack_port_t* play = nullptr;
  jack_port_t* rec = nullptr;
  std::vector<float> source;   // what to play
  std::vector<float> heard;    // sized up front: the callback only writes into it
  std::atomic<bool> go{false}; // set by the main thread once both ports are connected
  std::atomic<size_t> pos{0};
  std::atomic<long> xruns{0};
  std::atomic<bool> shutdown{false};
};

int Process(jack_nframes_t n, void* arg)
{
  Client& c = *static_cast<Client*>(arg);
  auto* out = static_cast<float*>(jack_port_get_buffer(c.play, n));
  const auto* in = static_cast<const float*>(jack_port_get_buffer(c.rec, n));
  size_t pos = c.pos.load(std::memory_order_relaxed);
  for (jack_nframes_t i = 0; i < n; ++i)
  {
    const bool running = c.go.load(std::memory_order_relaxed) && pos < c.heard.size();
    out[i] = running && pos < c.source.size() ? c.source[pos] : 0.0f;
    if (running)
      c.heard[pos++] = in[i];
  }
  c.pos.store(pos, std::memory_order_release);
  return 0;
}

int Xrun(void* arg)
{
  static_cast<Client*>(arg)->xruns.fetch_add(1);
  return 0;
}

void Shutdown(void* arg)
{
  static_cast<Client*>(arg)->shutdown.store(true);
}

} // namespace

int main(int argc, char** argv)
{
  std::string name = "livetest", playPath, recordPath;
  double tail = 0.3;
  for (int i = 1; i + 1 < argc; i += 2)
  {
    const std::string a = argv[i];
    if (a == "--name")
      name = argv[i + 1];
    else if (a == "--play")
      playPath = argv[i + 1];
    else if (a == "--record")
      recordPath = argv[i + 1];
    else if (a == "--tail")
      tail = std::atof(argv[i + 1]);
  }
  if (playPath.empty() || recordPath.empty())
  {
    std::fprintf(stderr, "usage: %s --name NAME --play IN.wav --record OUT.wav\n", argv[0]);
    return 2;
  }
  SF_INFO info{};
  SNDFILE* f = sf_open(playPath.c_str(), SFM_READ, &info);
  if (!f)
  {
    std::fprintf(stderr, "cannot read %s\n", playPath.c_str());
    return 1;
  }
  std::vector<float> frames(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, frames.data(), info.frames);
  sf_close(f);

  Client c;
  c.source.resize(static_cast<size_t>(info.frames));
  for (size_t i = 0; i < c.source.size(); ++i)
    c.source[i] = frames[i * static_cast<size_t>(info.channels)];
  c.heard.assign(c.source.size() + static_cast<size_t>(tail * info.samplerate), 0.0f);

  jack_status_t status{};
  jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
  if (!client)
  {
    std::fprintf(stderr, "no JACK server (status 0x%x)\n", static_cast<unsigned>(status));
    return 1;
  }
  if (jack_get_sample_rate(client) != static_cast<jack_nframes_t>(info.samplerate))
    std::fprintf(stderr, "note: the server runs at %u Hz, the file is at %d Hz\n",
                 jack_get_sample_rate(client), info.samplerate);
  c.play = jack_port_register(client, "play", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  c.rec = jack_port_register(client, "rec", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(client, Process, &c);
  jack_set_xrun_callback(client, Xrun, &c);
  jack_on_shutdown(client, Shutdown, &c);
  if (!c.play || !c.rec || jack_activate(client) != 0)
  {
    std::fprintf(stderr, "the server refused the test client\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!(jack_port_connected(c.play) > 0 && jack_port_connected(c.rec) > 0))
  {
    if (c.shutdown || std::chrono::steady_clock::now() > deadline)
    {
      std::fprintf(stderr, "the test client's ports were never connected\n");
      jack_client_close(client);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Let the host's first cycles pass before the programme starts.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const long xrunsBefore = c.xruns.load();
  c.go = true;
  while (c.pos.load(std::memory_order_acquire) < c.heard.size() && !c.shutdown)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const long xruns = c.xruns.load() - xrunsBefore;
  jack_deactivate(client);
  jack_client_close(client);

  SF_INFO out{};
  out.samplerate = info.samplerate;
  out.channels = 2;
  out.format = SF_FORMAT_WAV | SF_FORMAT_PCM_32;
  SNDFILE* g = sf_open(recordPath.c_str(), SFM_WRITE, &out);
  if (!g)
  {
    std::fprintf(stderr, "cannot write %s\n", recordPath.c_str());
    return 1;
  }
  std::vector<float> both(c.heard.size() * 2);
  for (size_t i = 0; i < c.heard.size(); ++i)
  {
    both[2 * i] = i < c.source.size() ? c.source[i] : 0.0f;
    both[2 * i + 1] = c.heard[i];
  }
  sf_writef_float(g, both.data(), static_cast<sf_count_t>(c.heard.size()));
  sf_close(g);
  std::printf("done %zu xruns %ld\n", c.pos.load(), xruns);
  return c.shutdown ? 1 : 0;
}
