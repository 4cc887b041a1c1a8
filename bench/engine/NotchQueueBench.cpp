// The notch command queue on its own: the editor pushes a burst, the audio thread drains it into
// a stereo bank. Reported as commands carried per second.

#include "engine/NotchChannel.h"
#include "engine/NotchExchange.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<NotchChannel> Stereo()
{
  std::vector<NotchChannel> ch(2);
  for (auto& c : ch)
    c.Initialise(48000.0);
  return ch;
}

// A width change is the cheapest command to apply, so the figure is mostly the queue's own cost.
NotchCommand WidthCommand(int i)
{
  return {kNotchSetWidth, i % NotchChannel::kFilterCount, static_cast<float>(1 + i % 50), 0, 0};
}

void BM_NotchQueuePushDrain(benchmark::State& state)
{
  const int burst = static_cast<int>(state.range(0));
  auto ch = Stereo();
  NotchQueue q;
  for (auto _ : state)
  {
    for (int i = 0; i < burst; ++i)
      q.Push(WidthCommand(i));
    q.Drain(ch.data(), 2);
    benchmark::DoNotOptimize(ch[0].filters[0].width);
  }
  if (q.Pending() != 0)
    state.SkipWithError("commands left after the drain");
  state.counters["commands_per_s"] =
      benchmark::Counter(static_cast<double>(burst) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NotchQueuePushDrain)->ArgName("burst")->Arg(1)->Arg(20)->Arg(255);

// The reset path: a full burst discarded by a clear, three new commands, one drain.
void BM_NotchQueueClearThenDrain(benchmark::State& state)
{
  auto ch = Stereo();
  NotchQueue q;
  for (auto _ : state)
  {
    for (int i = 0; i < 200; ++i)
      q.Push(WidthCommand(i));
    q.Clear();
    for (int i = 0; i < 3; ++i)
      q.Push(WidthCommand(i));
    q.Drain(ch.data(), 2);
    benchmark::DoNotOptimize(ch[0].filters[0].width);
  }
  if (q.Pending() != 0)
    state.SkipWithError("commands left after the drain");
  state.counters["commands_per_s"] = benchmark::Counter(
      203.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NotchQueueClearThenDrain);

} // namespace
