// Event dispatch of the graphics context: hit testing, capture, mouse-over,
// gestures, the host parameter menu, prompts and key routing.

#include "GraphicsTestSupport.h"

#include <gtest/gtest.h>

using namespace gtest_support;

TEST(HitTest, SkipsHiddenDisabledIgnoredAndAllZeroControls)
{
  Rig r;
  auto* bg = r.g.AttachControl(new ProbeControl(IRect(0, 0, 400, 300)));
  auto* a =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 100, 100))));
  auto* b =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(50, 50, 150, 150))));
  EXPECT_EQ(r.g.GetMouseControl(60, 60, false), b); // later attachments lie on top
  b->Hide(true);
  EXPECT_EQ(r.g.GetMouseControl(60, 60, false), a);
  b->Hide(false);
  b->SetDisabled(true);
  EXPECT_EQ(r.g.GetMouseControl(60, 60, false), a);
  b->SetMouseEventsWhenDisabled(true);
  EXPECT_EQ(r.g.GetMouseControl(60, 60, false), b);
  b->SetIgnorePointer(true);
  EXPECT_EQ(r.g.GetMouseControl(60, 60, false), a);
  // Right and bottom edges are exclusive.
  EXPECT_EQ(r.g.GetMouseControl(100, 20, false), bg);
  a->SetTargetRECT(IRect());
  EXPECT_EQ(r.g.GetMouseControl(0, 0, false), bg);
  EXPECT_EQ(r.g.GetMouseControl(20, 20, false), bg);
}

TEST(HitTest, BackgroundNeverTakesMouseOverAndTrackingCanBeOff)
{
  Rig r;
  auto* bg = static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(0, 0, 400, 300))));
  auto* a =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 100, 100))));
  r.g.MoveTo(20, 20);
  EXPECT_EQ(a->overs, 0); // tracking is off by default
  r.g.EnableMouseOver(true);
  r.g.MoveTo(20, 20);
  EXPECT_EQ(a->overs, 1);
  EXPECT_TRUE(a->GetMouseIsOver());
  EXPECT_EQ(r.g.GetMouseOverIdx(), 1);
  r.g.MoveTo(200, 200);
  EXPECT_EQ(a->outs, 1);
  EXPECT_FALSE(a->GetMouseIsOver());
  EXPECT_EQ(bg->overs, 0);
  EXPECT_EQ(r.g.GetMouseOverControl(), nullptr);
  EXPECT_EQ(r.g.GetMouseOverIdx(), -1);
  // The background still takes presses.
  r.g.Click(200, 200);
  EXPECT_EQ(bg->presses, 1);
}

TEST(Capture, DragsAndReleasesGoToThePressedControlAndEmptyPressesCaptureNothing)
{
  Rig r;
  auto* a = static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 50, 50))));
  auto* b =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(100, 10, 150, 50))));
  r.g.Press(20, 20);
  r.g.DragTo(120, 20); // over b, still a's drag
  r.g.DragTo(120, 20); // zero delta is not passed on
  r.g.Release(120, 20);
  EXPECT_EQ(a->drags, 1);
  EXPECT_FLOAT_EQ(a->lastDX, 100.f);
  EXPECT_EQ(a->releases, 1);
  EXPECT_EQ(b->drags + b->releases + b->presses, 0);
  EXPECT_FALSE(r.g.ControlIsCaptured());

  r.g.Press(300, 200);
  EXPECT_FALSE(r.g.ControlIsCaptured());
  r.g.DragTo(20, 20);
  r.g.Release(20, 20);
  EXPECT_EQ(a->drags, 1);
  EXPECT_EQ(a->releases, 1);
  EXPECT_TRUE(r.dlg.log.empty());
}

TEST(Capture, SecondTouchReachesOnlyControlsThatAcceptSeveralTouches)
{
  Rig r;
  auto* a =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 200, 200))));
  r.g.TouchDown(1, 20, 20);
  r.g.TouchDown(2, 40, 40);
  EXPECT_EQ(a->presses, 1);
  r.g.TouchUp(2, 40, 40);
  EXPECT_EQ(a->releases, 0);
  r.g.TouchUp(1, 20, 20);
  EXPECT_EQ(a->releases, 1);

  a->SetWantsMultiTouch(true);
  r.g.TouchDown(1, 20, 20);
  r.g.TouchDown(2, 40, 40);
  EXPECT_EQ(a->presses, 3);
  r.g.TouchUp(1, 20, 20);
  r.g.TouchUp(2, 40, 40);
  EXPECT_EQ(a->releases, 3);
}

TEST(Gestures, EveryPressOfABoundControlIsBracketed)
{
  Rig r;
  r.g.AttachControl(new IVectorSliderControl(IRect(0, 0, 200, 20), 0, "",
                                             DEFAULT_STYLE.WithShowValue(false),
                                             EDirection::Horizontal, 0.f));
  r.g.Press(100, 10);
  r.g.DragTo(120, 10);
  r.g.DragTo(140, 10);
  r.g.Release(140, 10);
  EXPECT_EQ(r.dlg.Log(), "B0 S0 S0 S0 E0 ");
  // A control bound to nothing sends nothing.
  r.dlg.log.clear();
  r.g.AttachControl(new ProbeControl(IRect(0, 100, 50, 150)));
  r.g.Click(10, 110);
  EXPECT_TRUE(r.dlg.log.empty());
}

TEST(HostMenu, RightClickOnBoundControlOpensHostMenuInsteadOfAGesture)
{
  Rig r;
  r.g.Resize(400, 300, 1.5f);
  r.g.SetScreenScale(2.f);
  auto* c =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 100, 100), 2)));
  c->extraItems = {{"Learn", IPopupMenu::kNoFlags},
                   {"", IPopupMenu::kSeparator},
                   {"Locked", IPopupMenu::kDisabled | IPopupMenu::kChecked}};
  r.g.Press(20, 30, ICanvasHeadless::Right());
  EXPECT_EQ(c->presses, 0);
  EXPECT_TRUE(r.dlg.log.empty());
  EXPECT_FALSE(r.g.ControlIsCaptured());
  ASSERT_EQ(r.dlg.menuRequests, std::vector<int>{2});
  ASSERT_EQ(r.dlg.menuItems.size(), 3u);
  EXPECT_EQ(r.dlg.menuItems[0].text, "Learn");
  EXPECT_EQ(r.dlg.menuItems[0].tag, 0);
  EXPECT_EQ(r.dlg.menuItems[0].flags, 0);
  EXPECT_EQ(r.dlg.menuItems[1].flags, 1);
  EXPECT_EQ(r.dlg.menuItems[2].flags, 6);
  EXPECT_EQ(r.dlg.menuItems[2].tag, 2);
  EXPECT_EQ(r.dlg.popX, 60); // 20 x 1.5 x 2
  EXPECT_EQ(r.dlg.popY, 90);
  EXPECT_EQ(r.dlg.menusReleased, 1);
  // The host calls back through the menu target.
  EXPECT_TRUE(r.dlg.menuItems[0].target->ExecuteMenuItem(0));
  EXPECT_EQ(c->chosenTag, 0);
  r.g.Release(20, 30, ICanvasHeadless::Right());
  EXPECT_TRUE(r.dlg.log.empty());
}

TEST(HostMenu, SubmenusBecomeGroupsAndAMissingHostMenuDoesNothing)
{
  struct Sub : ProbeControl
  {
    using ProbeControl::ProbeControl;
    void CreateContextMenu(IPopupMenu& m) override
    {
      auto sub = std::make_unique<IPopupMenu>();
      sub->AddItem("a");
      m.AddSubmenu("More", std::move(sub));
      m.AddItem("Last");
    }
  };
  Rig r;
  r.g.AttachControl(new Sub(IRect(0, 0, 50, 50), 0));
  r.g.Press(5, 5, ICanvasHeadless::Right());
  ASSERT_EQ(r.dlg.menuItems.size(), 4u);
  EXPECT_EQ(r.dlg.menuItems[0].flags, 10);
  EXPECT_EQ(r.dlg.menuItems[1].text, "a");
  EXPECT_EQ(r.dlg.menuItems[2].flags, 17);
  EXPECT_EQ(r.dlg.menuItems[3].tag, 3);

  r.dlg.offerMenu = false;
  r.dlg.menuItems.clear();
  r.g.Press(5, 5, ICanvasHeadless::Right());
  EXPECT_TRUE(r.dlg.menuItems.empty());
  EXPECT_TRUE(r.dlg.log.empty());
}

TEST(Prompts, CaptionOfEnumOpensCheckedMenuAndSelectionIsOneEdit)
{
  Rig r;
  r.dlg.GetParam(2)->SetValue(1.0);
  auto* cap = r.g.AttachControl(new ICaptionControl(IRect(0, 0, 80, 20), 2));
  r.g.SetParamValueFromDelegate(2, r.dlg.GetParam(2)->GetNormalValue());
  r.g.Click(10, 10);
  ASSERT_EQ(r.g.PopupMenus().size(), 1u);
  IPopupMenu* m = r.g.PopupMenus()[0].menu;
  ASSERT_EQ(m->NItems(), 3);
  EXPECT_EQ(m->GetItem(2)->text, "High");
  EXPECT_FALSE(m->GetItem(0)->IsChecked());
  EXPECT_TRUE(m->GetItem(1)->IsChecked());
  r.dlg.log.clear();
  r.g.ChoosePopupItem(2);
  EXPECT_EQ(cap->GetValue(), 1.0);
  EXPECT_EQ(r.dlg.GetParam(2)->GetValue(), 2.0);
  EXPECT_EQ(r.dlg.Log(), "B2 S2 E2 ");
  EXPECT_FALSE(r.g.PopupMenuPending());

  // Dismissing changes nothing.
  r.g.Click(10, 10);
  r.dlg.log.clear();
  r.g.ChoosePopupItem(-1);
  EXPECT_EQ(r.dlg.GetParam(2)->GetValue(), 2.0);
  EXPECT_EQ(r.dlg.Log(), "B2 E2 ");
}

TEST(Prompts, TextEntryIsPrefilledParsedAndRespectsReadOnly)
{
  Rig r;
  auto* cap =
      static_cast<ICaptionControl*>(r.g.AttachControl(new ICaptionControl(IRect(0, 0, 80, 20), 0)));
  r.g.SetParamValueFromDelegate(0, r.dlg.GetParam(0)->GetNormalValue());
  EXPECT_EQ(cap->GetDisplayString(), "-10.0 dB");
  r.g.Click(10, 10);
  ASSERT_EQ(r.g.TextEntries().size(), 1u);
  EXPECT_EQ(r.g.TextEntries()[0].str, "-10.0 dB");
  EXPECT_EQ(r.g.TextEntries()[0].controlIdx, 0);
  r.g.SetControlValueAfterTextEdit("-100"); // clamps to the range
  EXPECT_EQ(r.dlg.GetParam(0)->GetValue(), -40.0);
  EXPECT_EQ(cap->GetValue(), 0.0);
  EXPECT_FALSE(r.g.TextEntryPending());
  // A completion without a pending entry is ignored.
  r.g.SetControlValueAfterTextEdit("-5");
  EXPECT_EQ(r.dlg.GetParam(0)->GetValue(), -40.0);

  cap->SetReadOnlyParamAccess(true);
  r.g.Click(10, 10);
  EXPECT_EQ(r.g.TextEntries().size(), 1u);

  // An unbound control asking for text receives the raw text.
  struct Raw : ProbeControl
  {
    using ProbeControl::ProbeControl;
    std::string got;
    void OnTextEntryCompletion(const char* s, int) override { got = s; }
  };
  auto* raw = static_cast<Raw*>(r.g.AttachControl(new Raw(IRect(0, 50, 50, 70))));
  r.g.CreateTextEntry(*raw, IText(), raw->GetRECT(), "abc");
  r.g.SetControlValueAfterTextEdit("typed");
  EXPECT_EQ(raw->got, "typed");
}

TEST(Prompts, WheelCancelsPendingEntryAndDragsAreHeldBack)
{
  Rig r;
  auto* cap = r.g.AttachControl(new ICaptionControl(IRect(0, 0, 80, 20), 0));
  auto* probe =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(100, 0, 200, 100))));
  r.g.Click(10, 10);
  ASSERT_TRUE(r.g.TextEntryPending());
  r.g.Press(150, 50);
  r.g.DragTo(160, 50);
  EXPECT_EQ(probe->drags, 0);
  r.g.Release(160, 50);
  const double before = cap->GetValue();
  r.g.Wheel(10, 10, 1.f);
  EXPECT_FALSE(r.g.TextEntryPending());
  EXPECT_EQ(cap->GetValue(), before);
}

TEST(Keys, GoToTheControlUnderTheMouseExceptTheBackgroundThenTheHandler)
{
  Rig r;
  auto* bg = static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(0, 0, 400, 300))));
  auto* a =
      static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 100, 100))));
  int handled = 0;
  r.g.SetKeyHandlerFunc([&](const IKeyPress&, bool isUp) {
    if (!isUp)
      ++handled;
    return true;
  });
  EXPECT_TRUE(r.g.OnKeyDown(20, 20, IKeyPress("a", 65)));
  EXPECT_EQ(a->keys, 1);
  EXPECT_EQ(handled, 0);
  a->handlesKeys = false;
  EXPECT_TRUE(r.g.OnKeyDown(20, 20, IKeyPress("a", 65)));
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(r.g.OnKeyDown(300, 200, IKeyPress(" ", 32)));
  EXPECT_EQ(bg->keys, 0);
  EXPECT_EQ(handled, 2);
  r.g.SetKeyHandlerFunc(nullptr);
  EXPECT_FALSE(r.g.OnKeyDown(300, 200, IKeyPress(" ", 32)));
}

TEST(Attach, TagsAreUniqueAndHooksRunInOrder)
{
  struct Hooks : ProbeControl
  {
    using ProbeControl::ProbeControl;
    std::string order;
    void OnInit() override { order += "i"; }
    void OnResize() override { order += "z"; }
    void OnRescale() override { order += "s"; }
    void OnAttached() override { order += "a"; }
  };
  Rig r;
  auto* h = static_cast<Hooks*>(r.g.AttachControl(new Hooks(IRect(0, 0, 10, 10)), 5, "grp"));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->order, "izsa");
  EXPECT_EQ(h->GetGroup(), "grp");
  EXPECT_EQ(h->GetUI(), &r.g);
  EXPECT_EQ(r.g.GetControlWithTag(5), h);
  EXPECT_EQ(r.g.AttachControl(new ProbeControl(IRect(0, 0, 5, 5)), 5), nullptr);
  EXPECT_EQ(r.g.NControls(), 1);
  r.g.SetControlValueFromDelegate(5, 0.25);
  EXPECT_EQ(h->GetValue(), 0.25);
  r.g.SetControlValueFromDelegate(99, 0.5); // unknown tags are ignored
}
