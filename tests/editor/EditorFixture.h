#pragma once
// An opened Quellor editor on the headless context, with the real engine behind it: audio blocks
// are processed between editor events, idle ticks and frames as a host would run them.

#include "editor/EditorStyle.h"
#include "graphics/ICanvasHeadless.h"
#include "graphics/IControls.h"
#include "quellor/Quellor.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace editor_test {

using namespace plugfw::ui;

class OpenEditor
{
public:
  static constexpr int kBlock = 256;

  explicit OpenEditor(double sampleRate = 48000.0, float scale = 1.f) : mRate(sampleRate)
  {
    q.PrepareWithoutHost(sampleRate, kBlock, 1);
    // The plug-in's own layout callable, on a context that draws into memory.
    q.SetMakeGraphicsFunc([this, scale]() -> plugfw::IGraphicsContext* {
      return new ICanvasHeadless(&q, 740, 726, 30, scale);
    });
    q.OpenEditor(nullptr);
    g = dynamic_cast<ICanvasHeadless*>(q.GetUI());
    mIn.assign(kBlock, 0.0);
    mOut.assign(kBlock, 0.0);
  }
  ~OpenEditor() { q.CloseEditor(); }
  OpenEditor(const OpenEditor&) = delete;
  OpenEditor& operator=(const OpenEditor&) = delete;

  // One block of a sine (amplitude amp) over light noise.
  void Block(double hz, double amp, double noise = 0.003)
  {
    for (int i = 0; i < kBlock; ++i, ++mT)
    {
      mSeed = mSeed * 1664525u + 1013904223u;
      const double r = (static_cast<double>(mSeed >> 8) / 16777216.0) * 2.0 - 1.0;
      mIn[static_cast<size_t>(i)] =
          noise * r + amp * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(mT) / mRate);
    }
    double* in = mIn.data();
    double* out = mOut.data();
    q.ProcessAudioBlock(&in, &out, kBlock);
  }
  // Blocks of constant level (linear peak) for the meters.
  void Level(double amp)
  {
    for (int i = 0; i < kBlock; ++i)
      mIn[static_cast<size_t>(i)] = (i % 2 ? amp : -amp);
    double* in = mIn.data();
    double* out = mOut.data();
    q.ProcessAudioBlock(&in, &out, kBlock);
  }
  void Silence(int blocks)
  {
    for (int b = 0; b < blocks; ++b)
      Block(1000.0, 0.0, 0.0);
  }
  // A 2.5 kHz ring that Auto Catch notches; returns once the notch is in the table.
  bool Ring(double hz = 2500.0)
  {
    for (int b = 0; b < 400; ++b)
    {
      Block(hz, 0.3);
      if (q.ActiveNotchCount.load() > 0)
        return true;
    }
    return false;
  }
  // Closes the editor and opens a new one, as a host does when the user closes and reopens it.
  bool Reopen()
  {
    q.CloseEditor();
    q.OpenEditor(nullptr);
    g = dynamic_cast<ICanvasHeadless*>(q.GetUI());
    return g != nullptr;
  }
  // The idle timer's tick followed by the next frame step.
  void Tick()
  {
    q.OnIdleTick();
    g->StepFrame();
  }

  IControl* Tag(int tag) const { return g->GetControlWithTag(tag); }
  std::string Text(int tag) const
  {
    IControl* c = Tag(tag);
    return c ? c->GetStr() : std::string("<no control>");
  }
  // The first text control showing exactly this text.
  IControl* TextControl(const std::string& s) const
  {
    for (int i = 0; i < g->NControls(); ++i)
      if (auto* t = dynamic_cast<ITextControl*>(g->GetControl(i)); t && t->GetStr() == s)
        return t;
    return nullptr;
  }
  NotchSlot Slot(int i) { return q.CopyNotchSlot(i); }

  Quellor q;
  ICanvasHeadless* g = nullptr;

private:
  double mRate;
  int64_t mT = 0;
  uint32_t mSeed = 7;
  std::vector<double> mIn, mOut;
};

} // namespace editor_test
