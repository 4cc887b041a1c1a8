#pragma once
// A 740 x 726 sample editor built from the stock controls (with simple stand-ins
// for the program's own spectrum, bank and meter controls), used by the gallery
// tool and the drawing benchmarks.

#include "graphics/ICanvas.h"
#include "plugin/ICanvasEditorDelegate.h"

namespace gallery {

constexpr int kSampleWidth = 740;
constexpr int kSampleHeight = 726;
// The spectrum area of the sample layout.
constexpr float kSpecL = 10.f, kSpecT = 10.f, kSpecR = 652.f, kSpecB = 180.f;
constexpr int kSpectrumTag = 0;

// A delegate with ten parameters shaped like the plug-in's; opening its editor
// makes a headless canvas at the given draw scale and lays out the sample editor.
class SampleDelegate : public plugfw::ICanvasEditorDelegate
{
public:
  explicit SampleDelegate(float scale = 1.f);
  // The open canvas, or null.
  plugfw::ui::ICanvas* Canvas() const;
};

// Loads the font and attaches every control of the sample editor.
void BuildSampleLayout(plugfw::ui::ICanvas& g);

// A stand-in for the spectrum graph: grid, labels, a filled spectrum and notch handles.
class SampleSpectrumControl : public plugfw::ui::IControl
{
public:
  explicit SampleSpectrumControl(const plugfw::ui::IRect& r);
  void Draw(plugfw::ui::ICanvas& g) override;
  // Shifts the synthetic spectrum so that successive frames differ.
  void Advance()
  {
    ++mPhase;
    MarkDirty(false);
  }

private:
  int mPhase = 0;
};

} // namespace gallery
