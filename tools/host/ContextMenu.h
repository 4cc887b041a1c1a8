// The host's parameter context menu: keeps what the plug-in adds (with a reference to each of
// its targets, as a host must) and reports the popup instead of showing a menu.
#pragma once

#include <functional>
#include <vector>

#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/ContextMenu.h"

namespace qhost {

class ContextMenu : public Steinberg::FObject, public Steinberg::Vst::IContextMenu
{
public:
  // Called on popup with the parameter the menu was made for, the point and the item count.
  using PopupReport = std::function<void(Steinberg::Vst::ParamID id, Steinberg::UCoord x,
                                         Steinberg::UCoord y, Steinberg::int32 items)>;

  ContextMenu(Steinberg::Vst::ParamID id, PopupReport report);

  Steinberg::int32 PLUGIN_API getItemCount() override;
  // The target handed out is borrowed: the menu keeps its reference.
  Steinberg::tresult PLUGIN_API getItem(Steinberg::int32 index, Item& item,
                                        Steinberg::Vst::IContextMenuTarget** target) override;
  Steinberg::tresult PLUGIN_API addItem(const Item& item,
                                        Steinberg::Vst::IContextMenuTarget* target) override;
  Steinberg::tresult PLUGIN_API removeItem(const Item& item,
                                           Steinberg::Vst::IContextMenuTarget* target) override;
  Steinberg::tresult PLUGIN_API popup(Steinberg::UCoord x, Steinberg::UCoord y) override;

  // Runs an item's target as the host does when the user picks it; false without a target.
  bool choose(Steinberg::int32 index);

  DEFINE_INTERFACES
  DEF_INTERFACE(IContextMenu)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  struct Entry
  {
    Item item;
    Steinberg::IPtr<Steinberg::Vst::IContextMenuTarget> target;
  };
  Steinberg::Vst::ParamID mId;
  PopupReport mReport;
  std::vector<Entry> mEntries;
};

} // namespace qhost
