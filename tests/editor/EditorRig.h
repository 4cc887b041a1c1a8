#pragma once
// A real Quellor engine with the spectrum graph and the notch bank on a headless context, laid out
// where the editor puts them. Blocks are processed between events, as a host would.

#include "editor/BankControl.h"
#include "editor/EditorExchange.h"
#include "editor/SpectrumControl.h"
#include "graphics/ICanvasHeadless.h"
#include "graphics/IControls.h"
#include "quellor/Quellor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace editor_test {

using plugfw::ui::ICanvasHeadless;
using plugfw::ui::IColor;
using plugfw::ui::IRect;

inline EditorExchange ExchangeOf(Quellor& q)
{
  return EditorExchange{
      q.SnapshotLock,  q.DisplaySnapshot,  q.NotchCommandQueue,
      q.SelectedNotch, q.LastShownNotch,   q.InputPeak,
      q.OutputPeak,    q.ActiveNotchCount, [&q] { return q.GetEngineSampleRate(); }};
}

struct EditorRig
{
  explicit EditorRig(double sampleRate = 48000.0, int blockSize = 512)
      : block(blockSize),
        rate(sampleRate),
        in(static_cast<size_t>(blockSize)),
        out(static_cast<size_t>(blockSize))
  {
    q.PrepareWithoutHost(sampleRate, blockSize, 1);
    g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
    // The editor's background panel lies beneath, as in the layout.
    g.AttachControl(new plugfw::ui::IPanelControl(g.GetBounds(), IColor(255, 38, 45, 56)))
        ->SetIgnorePointer(true);
    spectrum = static_cast<SpectrumControl*>(
        g.AttachControl(new SpectrumControl(IRect(10, 10, 652, 180), ExchangeOf(q)), 0));
    bank = static_cast<BankControl*>(
        g.AttachControl(new BankControl(IRect(10, 186, 730, 208), ExchangeOf(q)), 1));
  }

  // Processes blocks of a sine (plus noise of amplitude `noise`) at hz; amplitude 0 gives near silence.
  void Process(int blocks, double hz = 2500.0, double amp = 0.0)
  {
    for (int b = 0; b < blocks; ++b)
    {
      for (size_t i = 0; i < in.size(); ++i, ++t)
      {
        seed = seed * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(seed >> 8) / 16777216.0 * 2.0 - 1.0) * noise;
        in[i] = hiss + amp * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(t) / rate);
      }
      double* ip = in.data();
      double* op = out.data();
      q.ProcessAudioBlock(&ip, &op, block);
    }
  }

  // The 2.5 kHz ring that Auto Catch answers with an automatic notch in slot 0.
  void RingUntilCaught()
  {
    Process(40, 2500.0, 0.4);
    ASSERT_EQ(q.ActiveNotchCount.load(), 1);
  }

  // One idle tick and the frame step after it.
  void Frame()
  {
    spectrum->MarkDirty(false);
    bank->MarkDirty(false);
    g.StepFrame();
  }

  NotchSlot Slot(int i) { return q.CopyNotchSlot(i); }
  int ActiveSlots()
  {
    int n = 0;
    for (int i = 0; i < SnapshotData::kSlotCount; ++i)
      n += Slot(i).active ? 1 : 0;
    return n;
  }

  IColor Pixel(float x, float y) const
  {
    uint8_t a, r, gg, b;
    g.GetFrame().GetStraight(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), a, r,
                             gg, b);
    return IColor(a, r, gg, b);
  }

  void Save(const std::string& name) const
  {
    if (const char* dir = std::getenv("QUELLOR_TEST_PNG_DIR"))
      g.WritePng(std::string(dir) + "/" + name);
  }

  Quellor q;
  ICanvasHeadless g{&q, 740, 726};
  SpectrumControl* spectrum = nullptr;
  BankControl* bank = nullptr;
  int block;
  double rate;
  std::vector<double> in, out;
  int64_t t = 0;
  double noise = 0.001;
  uint32_t seed = 7;
};

// Colour distance per channel, for anti-aliased edges and blending.
inline bool Near(const IColor& c, int r, int g, int b, int tol = 24)
{
  return std::abs(c.R - r) <= tol && std::abs(c.G - g) <= tol && std::abs(c.B - b) <= tol;
}

inline std::string Str(const IColor& c)
{
  return std::to_string(c.A) + "," + std::to_string(c.R) + "," + std::to_string(c.G) + "," +
         std::to_string(c.B);
}

} // namespace editor_test
