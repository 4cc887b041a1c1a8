#pragma once
// One row of numbered cells, one per notch slot, coloured by the slot's state, with the selected
// slot framed. A press selects the slot under the pointer.

#include "editor/EditorExchange.h"
#include "graphics/IControl.h"

#include <vector>

class BankControl : public plugfw::ui::IControl
{
public:
  BankControl(const plugfw::ui::IRect& bounds, const EditorExchange& exchange);

  void Draw(plugfw::ui::ICanvas& g) override;
  void OnPress(float x, float y, const plugfw::ui::IMouseMod& mod) override;

  // The cell whose span contains x (limited to the row), or -1 while there are no cells.
  int CellAt(float x) const;
  // Cell i's drawn rectangle.
  plugfw::ui::IRect CellRect(int i) const;
  int CellCount() const { return static_cast<int>(mSnapshot.slots.size()); }
  const std::vector<NotchSlot>& Slots() const { return mSnapshot.slots; }

private:
  EditorExchange mExchange;
  // Kept between draws: the copy reuses this storage (the spectrum part is not shown).
  SnapshotData mSnapshot;
};
