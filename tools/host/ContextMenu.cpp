#include "tools/host/ContextMenu.h"

#include <algorithm>
#include <utility>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

ContextMenu::ContextMenu(ParamID id, PopupReport report) : mId(id), mReport(std::move(report)) {}

int32 PLUGIN_API ContextMenu::getItemCount()
{
  return static_cast<int32>(mEntries.size());
}

tresult PLUGIN_API ContextMenu::getItem(int32 index, Item& item, IContextMenuTarget** target)
{
  if (index < 0 || index >= getItemCount())
    return kInvalidArgument;
  const Entry& e = mEntries[static_cast<size_t>(index)];
  item = e.item;
  if (target)
    *target = e.target.get();
  return kResultOk;
}

tresult PLUGIN_API ContextMenu::addItem(const Item& item, IContextMenuTarget* target)
{
  mEntries.push_back(Entry{item, target});
  return kResultOk;
}

tresult PLUGIN_API ContextMenu::removeItem(const Item& item, IContextMenuTarget* target)
{
  const auto it = std::find_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) {
    return e.item.tag == item.tag && e.target.get() == target;
  });
  if (it == mEntries.end())
    return kResultFalse;
  mEntries.erase(it);
  return kResultOk;
}

tresult PLUGIN_API ContextMenu::popup(UCoord x, UCoord y)
{
  if (mReport)
    mReport(mId, x, y, getItemCount());
  return kResultOk;
}

bool ContextMenu::choose(int32 index)
{
  if (index < 0 || index >= getItemCount())
    return false;
  const Entry& e = mEntries[static_cast<size_t>(index)];
  return e.target && e.target->executeMenuItem(e.item.tag) == kResultOk;
}

} // namespace qhost
