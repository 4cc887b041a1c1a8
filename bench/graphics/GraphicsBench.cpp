// Cost of repainting the 740 x 726 sample editor through ICanvas and the renderer:
// a full redraw, the 642 x 170 spectrum area alone (one frame step with only the
// spectrum dirty), and a typical idle frame (spectrum, bank and meters dirty).
// Each reports the thread CPU time per frame and its share of the budget
// (budget_share = CPU time / budget): on a shared machine wall time also counts
// other processes' time slices.

#include "graphics/ICanvasHeadless.h"
#include "tools/gallery/SampleLayout.h"

#include <benchmark/benchmark.h>

#include <ctime>

using namespace plugfw::ui;

namespace {

double ThreadSeconds()
{
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

constexpr double kFullBudgetMs = 8.0;
constexpr double kSpectrumBudgetMs = 2.0;

struct Editor
{
  gallery::SampleDelegate dlg;
  ICanvasHeadless* g = nullptr;
  explicit Editor(float scale = 1.f) : dlg(scale)
  {
    dlg.OpenEditor(nullptr);
    g = static_cast<ICanvasHeadless*>(dlg.Canvas());
    g->DrawAll(); // warm the glyph cache
  }
  ~Editor() { dlg.CloseEditor(); }
};

void ReportBudget(benchmark::State& state, double totalSeconds, double budgetMs)
{
  const double perIterMs = 1000.0 * totalSeconds / static_cast<double>(state.iterations());
  state.counters["cpu_ms_per_frame"] = perIterMs;
  state.counters["budget_share"] = perIterMs / budgetMs;
}

void BM_FullRedraw(benchmark::State& state)
{
  Editor e(static_cast<float>(state.range(0)));
  auto* spectrum =
      static_cast<gallery::SampleSpectrumControl*>(e.g->GetControlWithTag(gallery::kSpectrumTag));
  double secs = 0.0;
  for (auto _ : state)
  {
    spectrum->Advance();
    const double t0 = ThreadSeconds();
    e.g->DrawAll();
    secs += ThreadSeconds() - t0;
    benchmark::DoNotOptimize(e.g->GetFrame().Data());
  }
  ReportBudget(state, secs,
               kFullBudgetMs * static_cast<double>(state.range(0)) *
                   static_cast<double>(state.range(0)));
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_SpectrumAreaFrame(benchmark::State& state)
{
  Editor e;
  auto* spectrum =
      static_cast<gallery::SampleSpectrumControl*>(e.g->GetControlWithTag(gallery::kSpectrumTag));
  double secs = 0.0;
  for (auto _ : state)
  {
    spectrum->Advance();
    const double t0 = ThreadSeconds();
    const IRectList rects = e.g->StepFrame();
    secs += ThreadSeconds() - t0;
    if (rects.size() != 1)
      state.SkipWithError("expected exactly the spectrum area to be dirty");
  }
  ReportBudget(state, secs, kSpectrumBudgetMs);
}
BENCHMARK(BM_SpectrumAreaFrame)->Unit(benchmark::kMillisecond);

void BM_IdleFrame(benchmark::State& state)
{
  Editor e;
  auto* spectrum =
      static_cast<gallery::SampleSpectrumControl*>(e.g->GetControlWithTag(gallery::kSpectrumTag));
  double secs = 0.0;
  for (auto _ : state)
  {
    spectrum->Advance();
    for (int tag = 1; tag <= 3; ++tag)
      e.g->GetControlWithTag(tag)->MarkDirty(false);
    const double t0 = ThreadSeconds();
    e.g->StepFrame();
    secs += ThreadSeconds() - t0;
  }
  ReportBudget(state, secs, kFullBudgetMs);
}
BENCHMARK(BM_IdleFrame)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
