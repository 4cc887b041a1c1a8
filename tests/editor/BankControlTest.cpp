#include "tests/editor/EditorRig.h"

namespace editor_test {
namespace {

TEST(BankControl, PressSelectsTheCellWhoseSpanHoldsThePointer)
{
  EditorRig r;
  // Before the first draw there are no cells, so a press selects nothing.
  r.g.Press(100.0f, 195.0f);
  EXPECT_EQ(r.q.SelectedNotch.load(), -1);
  r.g.Release(100.0f, 195.0f);

  r.Process(1);
  r.Frame();
  ASSERT_EQ(r.bank->CellCount(), 20);
  // Cells are 36 wide from x = 10: cell 0 is drawn 11..45, cell 1 from 47.
  struct Case
  {
    float x, y;
    int cell;
  };
  const Case cases[] = {
      {10.0f, 186.0f, 0},   {45.5f, 207.9f, 0},   {46.0f, 190.0f, 1},
      {46.5f, 190.0f, 1},   {81.9f, 200.0f, 1},   {82.0f, 200.0f, 2},
      {693.9f, 200.0f, 18}, {694.0f, 200.0f, 19}, {729.9f, 197.0f, 19},
  };
  for (const Case& c : cases)
  {
    r.g.Press(c.x, c.y);
    EXPECT_EQ(r.q.SelectedNotch.load(), c.cell) << "x = " << c.x;
    r.g.Release(c.x, c.y);
  }
  EXPECT_EQ(r.bank->CellAt(-5.0f), 0);
  EXPECT_EQ(r.bank->CellAt(5000.0f), 19);
}

TEST(BankControl, CellsShowEachSlotsStateAndTheSelection)
{
  EditorRig r;
  r.RingUntilCaught();
  r.q.PushNotchCommand(kNotchAdd, 0, 800.0f, -12.0f, 25.0f);
  r.Process(1);
  // Selecting in the bank selects for the graph too.
  r.Frame();
  r.g.Press(r.bank->CellRect(1).MW(), 197.0f);
  r.g.Release(r.bank->CellRect(1).MW(), 197.0f);
  r.Frame();
  r.Save("bank.png");

  auto fillOf = [&](int i) {
    const IRect c = r.bank->CellRect(i);
    return r.Pixel(c.L + 5.0f, c.MH());
  };
  EXPECT_TRUE(Near(fillOf(0), 255, 200, 0)) << Str(fillOf(0));
  EXPECT_TRUE(Near(fillOf(1), 0, 150, 235)) << Str(fillOf(1));
  const IColor free = fillOf(2);
  // Half-transparent grey over the background panel.
  EXPECT_TRUE(Near(free, 64, 67, 73, 3)) << Str(free);

  // The frame lies on the selected cell's border only.
  const IRect sel = r.bank->CellRect(1);
  EXPECT_TRUE(Near(r.Pixel(sel.L + 0.5f, sel.MH()), 255, 255, 255, 30))
      << Str(r.Pixel(sel.L + 0.5f, sel.MH()));
  const IRect other = r.bank->CellRect(0);
  EXPECT_FALSE(Near(r.Pixel(other.L + 0.5f, other.MH()), 255, 255, 255, 60));

  // Every cell carries its dark number.
  for (int i = 0; i < 20; ++i)
  {
    const IRect c = r.bank->CellRect(i);
    const IColor cellFill = fillOf(i);
    const int fillSum = cellFill.R + cellFill.G + cellFill.B;
    int dark = 0;
    for (float y = c.T + 2.0f; y < c.B - 2.0f; y += 1.0f)
      for (float x = c.L + 3.0f; x < c.R - 3.0f; x += 1.0f)
      {
        const IColor p = r.Pixel(x, y);
        dark += (p.R + p.G + p.B) * 2 < fillSum ? 1 : 0;
      }
    EXPECT_GT(dark, 3) << "cell " << i + 1;
  }

  // The graph rings the slot the bank selected.
  const NotchSlot s = r.Slot(1);
  const float cx = r.spectrum->FreqToX(s.frequency);
  const float cy = r.spectrum->LevelToY(s.targetDepth);
  EXPECT_TRUE(Near(r.Pixel(cx + 7.0f, cy), 255, 255, 255, 40)) << Str(r.Pixel(cx + 7.0f, cy));
}

} // namespace
} // namespace editor_test
