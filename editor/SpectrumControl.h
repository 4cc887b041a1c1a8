#pragma once
// The editor's main graph: the live input spectrum on a logarithmic frequency axis, the combined
// response of the active notches and one draggable handle per notch. Edits leave as notch
// commands through the exchange's queue.

#include "editor/EditorExchange.h"
#include "graphics/IControl.h"

#include <vector>

class SpectrumControl : public plugfw::ui::IControl
{
public:
  SpectrumControl(const plugfw::ui::IRect& bounds, const EditorExchange& exchange);

  void Draw(plugfw::ui::ICanvas& g) override;
  void OnPress(float x, float y, const plugfw::ui::IMouseMod& mod) override;
  void OnDrag(float x, float y, float dX, float dY, const plugfw::ui::IMouseMod& mod) override;
  void OnDoubleClick(float x, float y, const plugfw::ui::IMouseMod& mod) override;
  void OnWheel(float x, float y, const plugfw::ui::IMouseMod& mod, float d) override;

  // Plot geometry over the current rectangle and sample rate.
  float FreqToX(float f) const;
  float LevelToY(float d) const;
  float XToFreq(float x) const;
  float YToLevel(float y) const;
  float MaxFrequency() const;

  // The handle nearest to the point, closer than 16 pixels (ties to the lower slot); -1 if none.
  int HitHandle(float x, float y) const;

  int DragSlot() const { return mDragSlot; }
  double SampleRate() const { return mSampleRate; }
  const std::vector<NotchSlot>& Slots() const { return mSnapshot.slots; }

  // Response in dB at f of one peaking notch (centre f0, width q, depth g) at sample rate fs.
  static float NotchResponseDb(double f, double f0, double q, double g, double fs);

private:
  float PlotWidth() const;
  float PlotHeight() const;

  EditorExchange mExchange;
  double mSampleRate = 48000.0;
  float mBinSpacing = 0.0f;
  int mDragSlot = -1;
  // Kept between draws: the copy reuses this storage.
  SnapshotData mSnapshot;
};
