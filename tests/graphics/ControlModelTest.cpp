// Behaviour of the stock control bases: switch cycling, button flash, slider
// press/drag/wheel rules for continuous and stepped parameters, value slots.

#include "GraphicsTestSupport.h"

#include <gtest/gtest.h>

using namespace gtest_support;

TEST(SwitchControl, TwoStatesToggleOnlyFromExactZeroAndManyStatesWrap)
{
  Rig r;
  auto* two = static_cast<ISwitchControlBase*>(
      r.g.AttachControl(new IVectorSwitchControl(IRect(0, 0, 50, 20))));
  EXPECT_EQ(two->GetNumStates(), 2);
  two->OnPress(1, 1, IMouseMod());
  EXPECT_EQ(two->GetValue(), 1.0);
  two->OnPress(1, 1, IMouseMod());
  EXPECT_EQ(two->GetValue(), 0.0);
  two->SetValue(0.3); // anything but exactly 0 counts as on
  two->OnPress(1, 1, IMouseMod());
  EXPECT_EQ(two->GetValue(), 0.0);

  // Bound to a three-item enum: three states, 0 -> 0.5 -> 1 -> 0.
  auto* three = static_cast<ISwitchControlBase*>(
      r.g.AttachControl(new IVectorSwitchControl(IRect(0, 30, 90, 50), 2)));
  EXPECT_EQ(three->GetNumStates(), 3);
  three->SetValue(0.5);
  three->OnPress(1, 31, IMouseMod());
  EXPECT_EQ(three->GetValue(), 1.0);
  EXPECT_TRUE(three->IsPressed());
  three->OnRelease(1, 31, IMouseMod());
  EXPECT_FALSE(three->IsPressed());
  three->OnPress(1, 31, IMouseMod());
  EXPECT_EQ(three->GetValue(), 0.0);

  // Bound to a five-value stepped parameter: 0.25 steps accumulate to exactly 1 then wrap.
  auto* five = static_cast<ISwitchControlBase*>(
      r.g.AttachControl(new IVectorSwitchControl(IRect(0, 60, 90, 80), 1)));
  EXPECT_EQ(five->GetNumStates(), 5);
  double seen[5];
  for (double& s : seen)
  {
    five->OnPress(1, 61, IMouseMod());
    s = five->GetValue();
  }
  EXPECT_DOUBLE_EQ(seen[0], 0.25);
  EXPECT_DOUBLE_EQ(seen[3], 1.0);
  EXPECT_EQ(seen[4], 0.0);
}

TEST(SwitchControl, PressOnBoundSwitchReachesTheParameter)
{
  Rig r;
  r.g.AttachControl(new IVectorToggleControl(IRect(10, 10, 40, 40), 3));
  r.g.Click(20, 20);
  EXPECT_EQ(r.dlg.GetParam(3)->GetValue(), 1.0);
  EXPECT_EQ(r.dlg.Log(), "B3 S3 E3 ");
}

TEST(ButtonControl, PressSetsOneRunsActionAndFallsBackAtAnimationEnd)
{
  Rig r;
  int actions = 0;
  auto* b = static_cast<IVectorButtonControl*>(r.g.AttachControl(
      new IVectorButtonControl(IRect(0, 0, 80, 30), "Go", [&](IControl*) { ++actions; })));
  EXPECT_TRUE(b->GetMouseDblAsSingleClick());
  r.g.Click(10, 10);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(b->GetValue(), 1.0);
  EXPECT_TRUE(b->HasAnimation());
  b->OnEndAnimation();
  EXPECT_EQ(b->GetValue(), 0.0);
  EXPECT_FALSE(b->HasAnimation());
  // A double-click counts as another press.
  r.g.DoubleClick(10, 10);
  EXPECT_EQ(actions, 2);
}

TEST(SliderControl, ContinuousPressJumpsStepppedPressDoesNot)
{
  Rig r;
  // Horizontal track from 10 to 210 (handle 0).
  auto* cont = static_cast<ISliderControlBase*>(r.g.AttachControl(
      new IVectorSliderControl(IRect(10, 0, 210, 20), 0, "", DEFAULT_STYLE.WithShowValue(false),
                               EDirection::Horizontal, 0.f)));
  r.g.Press(60, 10);
  EXPECT_NEAR(cont->GetValue(), 0.25, 1e-9);
  EXPECT_NEAR(r.dlg.GetParam(0)->GetValue(), -30.0, 1e-9);
  r.g.Release(60, 10);

  auto* stepped = static_cast<ISliderControlBase*>(r.g.AttachControl(
      new IVectorSliderControl(IRect(10, 40, 210, 60), 1, "", DEFAULT_STYLE.WithShowValue(false),
                               EDirection::Horizontal, 0.f)));
  r.dlg.log.clear();
  r.g.Press(200, 50);
  EXPECT_EQ(stepped->GetValue(), 0.0);
  EXPECT_EQ(r.dlg.Log(), "B1 ");
  // Relative drag with gearing 4: 200 px track, 4 * 0.25 * 200 = 200 px needed for one step of 0.25.
  r.g.DragTo(260, 50); // +60 px -> 0.075 raw, still rounds to step 0
  EXPECT_EQ(stepped->GetValue(), 0.0);
  r.g.DragTo(300, 50); // +100 px total -> 0.125 raw -> rounds half away to 0.25
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.25);
  EXPECT_EQ(r.dlg.GetParam(1)->GetValue(), 1.0);
  r.g.Release(300, 50);
  EXPECT_EQ(r.dlg.Log(), "B1 S1 E1 ");
}

TEST(SliderControl, HiddenCursorDragIsRelativeWithGearingAndShiftIsTenTimesFiner)
{
  Rig r;
  auto* s = static_cast<ISliderControlBase*>(r.g.AttachControl(
      new IVectorSliderControl(IRect(0, 0, 20, 200), 0, "", DEFAULT_STYLE.WithShowValue(false),
                               EDirection::Vertical, 0.f, 2.f, 2.0)));
  ASSERT_TRUE(s->GetHideCursorOnDrag());
  r.g.Press(10, 100);
  EXPECT_NEAR(s->GetValue(), 0.5, 1e-9);
  EXPECT_TRUE(r.g.PlatformCursorHidden());
  r.g.DragTo(10, 60); // up 40 px / 200 / 2 = +0.1
  EXPECT_NEAR(s->GetValue(), 0.6, 1e-9);
  r.g.DragTo(10, 20, ICanvasHeadless::Left(true)); // up 40 with shift: +0.01
  EXPECT_NEAR(s->GetValue(), 0.61, 1e-9);
  r.g.DragTo(10, -5000); // clamps at the top
  EXPECT_EQ(s->GetValue(), 1.0);
  r.g.Release(10, -5000);
  EXPECT_FALSE(r.g.PlatformCursorHidden());

  // With the cursor shown the drag follows the pointer.
  s->SetHideCursorOnDrag(false);
  r.g.Press(10, 150);
  r.g.DragTo(10, 50);
  EXPECT_NEAR(s->GetValue(), 0.75, 1e-9);
  r.g.Release(10, 50);
}

TEST(SliderControl, WheelStepsAndClamps)
{
  Rig r;
  auto* cont = static_cast<ISliderControlBase*>(r.g.AttachControl(new IVectorSliderControl(
      IRect(0, 0, 200, 20), 0, "", DEFAULT_STYLE, EDirection::Horizontal)));
  cont->SetValue(0.5);
  r.g.Wheel(50, 10, 1.f);
  EXPECT_NEAR(cont->GetValue(), 0.51, 1e-12);
  r.g.Wheel(50, 10, 1.f, ICanvasHeadless::Left(true));
  EXPECT_NEAR(cont->GetValue(), 0.511, 1e-12);
  IMouseMod ctl;
  ctl.C = true;
  r.g.Wheel(50, 10, -2.f, ctl);
  EXPECT_NEAR(cont->GetValue(), 0.509, 1e-12);
  cont->SetValue(0.995);
  r.g.Wheel(50, 10, 3.f);
  EXPECT_EQ(cont->GetValue(), 1.0);
  // The wheel edit reaches the host bracketed.
  r.dlg.log.clear();
  r.g.Wheel(50, 10, -1.f);
  EXPECT_EQ(r.dlg.Log(), "B0 S0 E0 ");

  auto* stepped = static_cast<ISliderControlBase*>(r.g.AttachControl(new IVectorSliderControl(
      IRect(0, 40, 200, 60), 1, "", DEFAULT_STYLE, EDirection::Horizontal)));
  r.g.Wheel(50, 50, 1.f, ICanvasHeadless::Left(true)); // one parameter step, shift or not
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.25);
  r.g.Wheel(50, 50, -1.f);
  r.g.Wheel(50, 50, -1.f);
  EXPECT_EQ(stepped->GetValue(), 0.0);
  r.g.Wheel(50, 50, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(stepped->GetValue(), 0.0);
}

TEST(ControlValues, DelegateValuesAreIgnoredWhileCapturedAndUserValuesRunTheAction)
{
  Rig r;
  int actions = 0;
  auto* c = r.g.AttachControl(new ProbeControl(IRect(0, 0, 50, 50), 0));
  c->SetActionFunction([&](IControl*) { ++actions; });
  c->MarkClean();
  r.g.SetParamValueFromDelegate(0, 0.7);
  EXPECT_EQ(c->GetValue(), 0.7);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_EQ(actions, 0);
  r.g.Press(10, 10);
  r.g.SetParamValueFromDelegate(0, 0.2);
  EXPECT_EQ(c->GetValue(), 0.7);
  r.g.Release(10, 10);
  c->SetValueFromUserInput(0.7); // unchanged: nothing happens
  EXPECT_EQ(actions, 0);
  c->SetValueFromUserInput(0.4);
  EXPECT_EQ(actions, 1);
  EXPECT_NEAR(r.dlg.GetParam(0)->GetNormalValue(), 0.4, 1e-9);
  // Double-click restores the parameter's default (-10 dB of [-40, 0]).
  r.g.DoubleClick(10, 10);
  EXPECT_NEAR(c->GetValue(), 0.75, 1e-12);
  EXPECT_NEAR(r.dlg.GetParam(0)->GetValue(), -10.0, 1e-9);
}

TEST(ControlGeometry, MoveAndSizeClampNegativeValues)
{
  ProbeControl c(IRect(10, 10, 30, 40));
  c.SetPosition(-5, 7);
  EXPECT_EQ(c.GetRECT(), IRect(0, 7, 20, 37));
  EXPECT_EQ(c.GetTargetRECT(), c.GetRECT());
  c.SetSize(-3, 12);
  EXPECT_EQ(c.GetRECT(), IRect(0, 7, 0, 19));
  c.SetDisabled(true);
  EXPECT_EQ(c.GetBlend().weight, 0.25f);
  c.SetDisabled(false);
  EXPECT_EQ(c.GetBlend().weight, 1.f);
}

TEST(ControlValues, ValueFromPositionQuantisesAndClips)
{
  ProbeControl c(IRect(0, 0, 300, 10));
  c.ValueFromPosition(100.4f, 5, EDirection::Horizontal, IRect(0, 0, 300, 10));
  EXPECT_NEAR(c.GetValue(), 0.335, 1e-12);
  c.ValueFromPosition(-50, 5, EDirection::Horizontal, IRect(0, 0, 300, 10), 0, 0.1, 0.9);
  EXPECT_NEAR(c.GetValue(), 0.1, 1e-12);
  c.ValueFromPosition(0, 2.5f, EDirection::Vertical, IRect(0, 0, 300, 10));
  EXPECT_NEAR(c.GetValue(), 0.75, 1e-12);
  // A degenerate track never divides by zero.
  c.ValueFromPosition(5, 5, EDirection::Horizontal, IRect(5, 5, 5, 5));
  EXPECT_EQ(c.GetValue(), 0.0);
}
