#include "editor/BankControl.h"

#include "editor/EditorStyle.h"
#include "graphics/ICanvas.h"

#include <cmath>

using namespace plugfw::ui;

namespace {

constexpr const char* kCellNumbers[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                                        "11", "12", "13", "14", "15", "16", "17", "18", "19", "20"};
constexpr int kNumberedCells = static_cast<int>(std::size(kCellNumbers));

const IText& NumberStyle()
{
  static const IText style(10.f, IColor(255, 0, 0, 0), EAlign::Center, kEditorFont);
  return style;
}

} // namespace

BankControl::BankControl(const IRect& bounds, const EditorExchange& exchange)
    : IControl(bounds), mExchange(exchange)
{
  mSnapshot.slots.reserve(SnapshotData::kSlotCount);
}

IRect BankControl::CellRect(int i) const
{
  const float e = (mRECT.R - mRECT.L) / static_cast<float>(CellCount());
  const float fi = static_cast<float>(i);
  return IRect(mRECT.L + fi * e + 1.0f, mRECT.T + 1.0f, mRECT.L + (fi + 1.0f) * e - 1.0f,
               mRECT.B - 1.0f);
}

int BankControl::CellAt(float x) const
{
  const int n = CellCount();
  if (n <= 0)
    return -1;
  const float e = (mRECT.R - mRECT.L) / static_cast<float>(n);
  const float pos = e > 0.0f ? (x - mRECT.L) / e : 0.0f;
  // Truncation towards zero, then limited to the row (NaN counts as the first cell).
  if (!(pos >= 1.0f))
    return 0;
  if (pos >= static_cast<float>(n))
    return n - 1;
  return static_cast<int>(pos);
}

void BankControl::Draw(ICanvas& g)
{
  mExchange.CopySnapshot(mSnapshot);
  const int selected = mExchange.Selected();
  const int n = CellCount();
  const IBlend* blend = &mBlend;
  for (int i = 0; i < n; ++i)
  {
    const NotchSlot& s = mSnapshot.slots[static_cast<size_t>(i)];
    const IRect cell = CellRect(i);
    const IColor& fill =
        !s.active ? kColorFreeSlot : (s.manual ? kColorManualNotch : kColorAutoNotch);
    g.FillRoundRect(fill, cell, 3.0f, blend);
    if (i == selected)
      g.DrawRoundRect(kColorSelection, cell, 3.0f, blend, 2.0f);
    // The engine publishes exactly 20 slots; a longer table keeps its cells unnumbered.
    if (i < kNumberedCells)
      g.DrawText(NumberStyle(), kCellNumbers[i], cell, blend);
  }
}

void BankControl::OnPress(float x, float, const IMouseMod&)
{
  const int i = CellAt(x);
  if (i < 0)
    return;
  mExchange.Select(i);
  MarkDirty(false);
}
