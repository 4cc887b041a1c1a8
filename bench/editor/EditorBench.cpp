// Steady cost of an open Quellor editor: one idle tick (live controls marked, status texts
// refreshed) plus the frame step that follows it (spectrum, bank, meters and changed texts
// redrawn), at draw scale 1 and 2, while the engine runs a feedback scene between frames: a
// 2.5 kHz ring over programme-like noise, notched by Auto Catch, and a manual notch selected.
// Only the editor's work is timed, as thread CPU time per frame; budget_share is that time over
// the target (1.5 ms at scale 1, 4 ms at scale 2), so 1.0 means the target is just met.

#include "editor/EditorStyle.h"
#include "graphics/ICanvasHeadless.h"
#include "quellor/Quellor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <numbers>
#include <vector>

using namespace plugfw::ui;

namespace {

double ThreadSeconds()
{
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

class FeedbackScene
{
public:
  static constexpr int kBlock = 256;
  static constexpr double kRate = 48000.0;

  explicit FeedbackScene(float scale)
  {
    q.PrepareWithoutHost(kRate, kBlock, 2);
    q.SetMakeGraphicsFunc([this, scale]() -> plugfw::IGraphicsContext* {
      return new ICanvasHeadless(&q, 740, 726, 30, scale);
    });
    q.OpenEditor(nullptr);
    g = static_cast<ICanvasHeadless*>(q.GetUI());
    for (auto& c : mIn)
      c.assign(kBlock, 0.0);
    for (auto& c : mOut)
      c.assign(kBlock, 0.0);
    for (int b = 0; b < 400 && q.ActiveNotchCount.load() == 0; ++b)
      Blocks(1);
    q.PushNotchCommand(kNotchAdd, 0, 700.f, -12.f, 8.f);
    Blocks(1);
    q.SelectedNotch.exchange(1);
    q.OnIdleTick();
    g->DrawAll(); // fonts and glyphs in place
  }
  ~FeedbackScene() { q.CloseEditor(); }

  // Audio between two frames at 30 frames per second: 1600 samples.
  void Blocks(int n)
  {
    for (int b = 0; b < n; ++b)
    {
      for (int i = 0; i < kBlock; ++i, ++mT)
      {
        mSeed = mSeed * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(mSeed >> 8) / 16777216.0) * 2.0 - 1.0;
        const double t = static_cast<double>(mT) / kRate;
        const double v = 0.05 * noise + 0.1 * std::sin(2.0 * std::numbers::pi * 220.0 * t) +
                         0.3 * std::sin(2.0 * std::numbers::pi * 2500.0 * t);
        mIn[0][static_cast<size_t>(i)] = v;
        mIn[1][static_cast<size_t>(i)] = v;
      }
      double* in[2] = {mIn[0].data(), mIn[1].data()};
      double* out[2] = {mOut[0].data(), mOut[1].data()};
      q.ProcessAudioBlock(in, out, kBlock);
    }
  }

  Quellor q;
  ICanvasHeadless* g = nullptr;

private:
  std::vector<double> mIn[2], mOut[2];
  int64_t mT = 0;
  uint32_t mSeed = 11;
};

void BM_EditorIdleFrame(benchmark::State& state)
{
  const float scale = static_cast<float>(state.range(0));
  const double budgetMs = scale > 1.f ? 4.0 : 1.5;
  FeedbackScene scene(scale);
  if (scene.g->GetFrame().Width() != static_cast<int>(740.f * scale))
    state.SkipWithError("the frame is not drawn at the requested scale");
  double seconds = 0.0;
  for (auto _ : state)
  {
    scene.Blocks(6);
    const double t0 = ThreadSeconds();
    scene.q.OnIdleTick();
    const IRectList rects = scene.g->StepFrame();
    seconds += ThreadSeconds() - t0;
    benchmark::DoNotOptimize(rects.data());
  }
  const double perFrameMs = 1000.0 * seconds / static_cast<double>(state.iterations());
  state.counters["cpu_ms_per_frame"] = perFrameMs;
  state.counters["budget_share"] = perFrameMs / budgetMs;
  state.counters["core_share_at_30fps"] = perFrameMs * 30.0 / 1000.0;
  if (scene.q.ActiveNotchCount.load() < 2)
    state.SkipWithError("the scene lost its notches");
}
BENCHMARK(BM_EditorIdleFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
