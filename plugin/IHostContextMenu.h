#pragma once
// The seam through which the graphics context opens the host's context menu
// for a parameter. The plug-in binding implements it with the host's component
// handler, its current view and the host's context-menu interface; the graphics
// context only fills the menu and pops it up.

#include <cstdint>
#include <memory>

namespace plugfw::ui {

// A receiver of the commands of the host's context menu.
class IContextMenuTarget
{
public:
  virtual ~IContextMenuTarget() = default;
  virtual std::uint32_t AddRef() = 0;  // [any thread]
  virtual std::uint32_t Release() = 0; // [any thread]
  // The host calls this with the tag of an item the control added.
  virtual bool ExecuteMenuItem(int tag) = 0; // [UI thread]
};

// One host context menu; destroying it releases the host's menu.
class IHostContextMenu
{
public:
  // Item flags as the host's menu takes them.
  enum EItemFlags
  {
    kItemNormal = 0,
    kItemSeparator = 1,
    kItemDisabled = 2,
    kItemChecked = 4,
    kItemGroupStart = 10, // starts a sub-menu (drawn disabled in flat menus)
    kItemGroupEnd = 17,   // ends a sub-menu (a separator)
  };

  virtual ~IHostContextMenu() = default;
  // text is UTF-8; the host interface limits it to 127 UTF-16 units.
  virtual void AddItem(const char* text, int tag, int flags,
                       IContextMenuTarget* target) = 0; // [UI thread]
  // Pops the menu up at a point in the view's device pixels.
  virtual void Popup(int x, int y) = 0; // [UI thread]
};

class IHostContextMenuSource
{
public:
  virtual ~IHostContextMenuSource() = default;
  // A menu for the parameter, or null when the host gives no component handler,
  // no view, or no context-menu interface, or declines to create one.
  virtual std::unique_ptr<IHostContextMenu> CreateHostContextMenu(int paramIdx) = 0; // [UI thread]
};

} // namespace plugfw::ui
