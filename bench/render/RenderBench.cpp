// Renderer speed: a full editor-sized frame and the spectrum area alone, as redrawn by the
// editor's frame step. Set QUELLOR_RENDER_BENCH_PNG=<file> to also save the full frame.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/render/EditorScene.h"

using namespace plugfw::ui;

namespace {

void BM_FullEditorFrame(benchmark::State& state)
{
  const float scale = static_cast<float>(state.range(0));
  IRenderer r;
  r.SetScale(scale, 1.f);
  r.SetLogicalSize(740, 726);
  rbench::EditorScene scene(r);
  for (auto _ : state)
  {
    r.BeginFrame(IRect(0, 0, 740, 726));
    scene.DrawAll();
    benchmark::DoNotOptimize(r.EndFrame());
  }
  state.counters["Mpix/s"] = benchmark::Counter(double(r.Frame().Width()) * r.Frame().Height() *
                                                    static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
  if (const char* png = std::getenv("QUELLOR_RENDER_BENCH_PNG"); png && scale == 1.f)
    r.Frame().WritePng(png);
}
BENCHMARK(BM_FullEditorFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_SpectrumArea(benchmark::State& state)
{
  IRenderer r;
  r.SetLogicalSize(740, 726);
  rbench::EditorScene scene(r);
  for (auto _ : state)
  {
    r.BeginFrame(IRect(10, 10, 652, 180));
    scene.DrawSpectrum();
    benchmark::DoNotOptimize(r.EndFrame());
  }
}
BENCHMARK(BM_SpectrumArea)->Unit(benchmark::kMillisecond);

void BM_FillFullFrameRect(benchmark::State& state)
{
  IRenderer r;
  r.SetLogicalSize(740, 726);
  for (auto _ : state)
  {
    r.FillRect(IColor(255, 38, 45, 56), IRect(0, 0, 740, 726));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillFullFrameRect)->Unit(benchmark::kMicrosecond);

void BM_TextLine(benchmark::State& state)
{
  IRenderer r;
  r.SetLogicalSize(740, 60);
  rbench::EditorScene scene(r); // loads the font
  for (auto _ : state)
  {
    r.DrawText("Roboto-Regular", 15, IColor(255, 220, 224, 230), IRect(10, 10, 730, 40),
               ITextAlign::kNear, ITextVAlign::kMiddle,
               "Feedback suppressor: truly zero-latency.  Hushen / Drytail add up to ~10 ms.");
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TextLine)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
