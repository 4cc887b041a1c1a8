#include "vst3/HostContextMenu.h"

#include "plugin/IHostContextMenu.h"
#include "vst3api/sdk/FObject.h"
#include "vst3api/sdk/StringConvert.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace plugfw {

namespace {

// The host-facing target of one entry: forwards the chosen tag to the control's target.
class MenuTarget : public FObject, public Vst::IContextMenuTarget
{
public:
  explicit MenuTarget(ui::IContextMenuTarget* target) : mTarget(target)
  {
    if (mTarget)
      mTarget->AddRef();
  }
  ~MenuTarget() override
  {
    if (mTarget)
      mTarget->Release();
  }
  tresult PLUGIN_API executeMenuItem(int32 tag) override
  {
    return (mTarget && mTarget->ExecuteMenuItem(tag)) ? kResultTrue : kResultFalse;
  }

  DEFINE_INTERFACES
  DEF_INTERFACE(Vst::IContextMenuTarget)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

private:
  ui::IContextMenuTarget* mTarget;
};

class HostMenu : public ui::IHostContextMenu
{
public:
  explicit HostMenu(IContextMenu* menu) : mMenu(owned(menu)) {}

  void AddItem(const char* text, int tag, int flags, ui::IContextMenuTarget* target) override
  {
    IContextMenuItem item{};
    StringConvert::convert(text ? text : "", item.name, 128);
    item.tag = tag;
    item.flags = flags;
    auto* hostTarget = new MenuTarget(target);
    mMenu->addItem(item, hostTarget); // the host keeps its own reference
    hostTarget->release();
  }

  void Popup(int x, int y) override { mMenu->popup(x, y); }

private:
  IPtr<IContextMenu> mMenu;
};

} // namespace

std::unique_ptr<ui::IHostContextMenu> WrapHostContextMenu(IContextMenu* menu)
{
  if (!menu)
    return nullptr;
  return std::make_unique<HostMenu>(menu);
}

} // namespace plugfw
