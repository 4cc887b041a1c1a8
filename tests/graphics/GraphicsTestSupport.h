#pragma once
// A recording editor delegate and a headless canvas for the graphics tests.

#include "graphics/ICanvasHeadless.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "plugin/IEditorDelegate.h"

#include <memory>
#include <string>
#include <vector>

namespace gtest_support {

using namespace plugfw;
using namespace plugfw::ui;

struct FakeHostMenu : IHostContextMenu
{
  struct Item
  {
    std::string text;
    int tag;
    int flags;
    IContextMenuTarget* target;
  };
  std::vector<Item>* items;
  int* popX;
  int* popY;
  int* released;
  FakeHostMenu(std::vector<Item>* i, int* x, int* y, int* r)
      : items(i), popX(x), popY(y), released(r)
  {}
  ~FakeHostMenu() override { ++*released; }
  void AddItem(const char* text, int tag, int flags, IContextMenuTarget* target) override
  {
    items->push_back({text, tag, flags, target});
  }
  void Popup(int x, int y) override
  {
    *popX = x;
    *popY = y;
  }
};

// Records the UI-side parameter traffic as strings such as "B0", "S0=0.5", "E0".
class RecordingDelegate : public IEditorDelegate, public IHostContextMenuSource
{
public:
  explicit RecordingDelegate(int nParams = 4) : IEditorDelegate(nParams)
  {
    SetSizeConstraints(256, 8192, 256, 8192);
  }

  void Note(char kind, int idx)
  {
    std::string e(1, kind);
    e += std::to_string(idx);
    log.push_back(e);
  }
  void BeginParameterChangeFromUI(int idx) override { Note('B', idx); }
  void SetParameterValueFromUI(int idx, double v) override
  {
    IEditorDelegate::SetParameterValueFromUI(idx, v);
    lastValue = v;
    Note('S', idx);
  }
  void EndParameterChangeFromUI(int idx) override { Note('E', idx); }
  bool EditorResizeFromUI(int w, int h, bool needs) override
  {
    resizes.push_back({w, h});
    (void)needs;
    return true;
  }

  std::unique_ptr<IHostContextMenu> CreateHostContextMenu(int paramIdx) override
  {
    menuRequests.push_back(paramIdx);
    if (!offerMenu)
      return nullptr;
    return std::make_unique<FakeHostMenu>(&menuItems, &popX, &popY, &menusReleased);
  }

  std::string Log() const
  {
    std::string s;
    for (const auto& e : log)
    {
      s += e;
      s += ' ';
    }
    return s;
  }

  std::vector<std::string> log;
  double lastValue = -1.0;
  std::vector<std::pair<int, int>> resizes;
  bool offerMenu = true;
  std::vector<int> menuRequests;
  std::vector<FakeHostMenu::Item> menuItems;
  int popX = -1, popY = -1, menusReleased = 0;
};

// Parameters: 0 double [-40, 0] step 0.1 "dB"; 1 stepped double [0, 4] step 1;
// 2 enum of three texts; 3 bool.
inline void DeclareTestParams(IEditorDelegate& d)
{
  d.GetParam(0)->DeclareDouble("Cut", -10.0, -40.0, 0.0, 0.1, "dB");
  d.GetParam(1)->DeclareDouble("Steps", 0.0, 0.0, 4.0, 1.0, "", IParam::kFlagStepped);
  d.GetParam(2)->DeclareEnum("Mode", 0, 3, "", 0, "", "Low", "Mid", "High");
  d.GetParam(3)->DeclareBool("Hold");
}

// A plain control that counts what reaches it.
class ProbeControl : public IControl
{
public:
  explicit ProbeControl(const IRect& r, int paramIdx = -1) : IControl(r, paramIdx) {}
  void Draw(ICanvas& g) override
  {
    ++draws;
    g.FillRect(color, mRECT, &mBlend);
  }
  void OnPress(float x, float y, const IMouseMod& mod) override
  {
    ++presses;
    IControl::OnPress(x, y, mod);
  }
  void OnRelease(float, float, const IMouseMod&) override { ++releases; }
  void OnDrag(float, float, float dX, float, const IMouseMod&) override
  {
    ++drags;
    lastDX = dX;
  }
  void OnPointerOver(float x, float y, const IMouseMod& mod) override
  {
    ++overs;
    IControl::OnPointerOver(x, y, mod);
  }
  void OnPointerOut() override
  {
    ++outs;
    IControl::OnPointerOut();
  }
  bool OnKeyDown(float, float, const IKeyPress&) override
  {
    ++keys;
    return handlesKeys;
  }
  void CreateContextMenu(IPopupMenu& menu) override
  {
    for (auto& it : extraItems)
      menu.AddItem(it.first.c_str(), it.second);
  }
  void OnContextSelection(int tag) override { chosenTag = tag; }

  int draws = 0, presses = 0, releases = 0, drags = 0, overs = 0, outs = 0, keys = 0;
  float lastDX = 0.f;
  bool handlesKeys = true;
  int chosenTag = -100;
  IColor color{255, 200, 30, 30};
  std::vector<std::pair<std::string, int>> extraItems;
};

struct Rig
{
  RecordingDelegate dlg;
  ICanvasHeadless g;
  explicit Rig(int w = 400, int h = 300) : dlg(4), g(&dlg, w, h) { DeclareTestParams(dlg); }
};

} // namespace gtest_support
