#include "tools/host/ComponentHandler.h"
#include "tools/host/ContextMenu.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A plug-in's menu entry target: counts the tags it runs and tells when it is destroyed.
class Target : public FObject, public IContextMenuTarget
{
public:
  Target(std::vector<int32>& ran, bool& gone) : mRan(ran), mGone(gone) {}
  ~Target() override { mGone = true; }
  tresult PLUGIN_API executeMenuItem(int32 tag) override
  {
    mRan.push_back(tag);
    return kResultOk;
  }
  DEFINE_INTERFACES
  DEF_INTERFACE(IContextMenuTarget)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

private:
  std::vector<int32>& mRan;
  bool& mGone;
};

IContextMenuItem Item(int32 tag, int32 flags = 0)
{
  IContextMenuItem item{};
  item.name[0] = u'A';
  item.tag = tag;
  item.flags = flags;
  return item;
}

IContextMenu* MenuFrom(qhost::ComponentHandler& handler, const ParamID* id)
{
  FUnknownPtr<IComponentHandler3> h3(static_cast<IComponentHandler*>(&handler));
  return h3 ? h3->createContextMenu(nullptr, id) : nullptr;
}

} // namespace

// What the plug-in puts in the menu stays there, with its targets alive, until the menu goes; the
// popup is recorded with the parameter, the point and the item count.
TEST(HostContextMenu, KeepsItemsAndTargetsAndRecordsThePopup)
{
  IPtr<qhost::ComponentHandler> handler = owned(new qhost::ComponentHandler);
  const ParamID id = 7;
  IContextMenu* raw = MenuFrom(*handler, &id);
  ASSERT_NE(raw, nullptr);
  auto* menu = static_cast<qhost::ContextMenu*>(raw);

  std::vector<int32> ran;
  bool gone = false;
  auto* target = new Target(ran, gone);
  EXPECT_EQ(menu->addItem(Item(3), target), kResultOk);
  EXPECT_EQ(menu->addItem(Item(4, IContextMenuItem::kIsChecked), target), kResultOk);
  EXPECT_EQ(menu->addItem(Item(0, IContextMenuItem::kIsSeparator), nullptr), kResultOk);
  target->release(); // as the plug-in does right after adding: the menu holds it now
  EXPECT_FALSE(gone);
  ASSERT_EQ(menu->getItemCount(), 3);

  IContextMenuItem item{};
  IContextMenuTarget* got = nullptr;
  ASSERT_EQ(menu->getItem(1, item, &got), kResultOk);
  EXPECT_EQ(item.tag, 4);
  EXPECT_EQ(item.flags, IContextMenuItem::kIsChecked);
  EXPECT_EQ(got, static_cast<IContextMenuTarget*>(target));
  EXPECT_EQ(menu->getItem(3, item, &got), kInvalidArgument);
  EXPECT_EQ(menu->getItem(-1, item, &got), kInvalidArgument);

  EXPECT_TRUE(menu->choose(1));
  EXPECT_FALSE(menu->choose(2)); // the separator has no target
  EXPECT_FALSE(menu->choose(9));
  EXPECT_EQ(ran, std::vector<int32>{4});

  // Removal matches tag and target; an entry that is not there is refused.
  EXPECT_EQ(menu->removeItem(Item(3), nullptr), kResultFalse);
  EXPECT_EQ(menu->removeItem(Item(3), target), kResultOk);
  EXPECT_EQ(menu->getItemCount(), 2);

  EXPECT_EQ(menu->popup(120, 45), kResultOk);
  const auto popups = handler->callsOf(qhost::HandlerCall::kContextMenu);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].id, id);
  EXPECT_EQ(popups[0].x, 120);
  EXPECT_EQ(popups[0].y, 45);
  EXPECT_EQ(popups[0].items, 2);

  raw->release();
  EXPECT_TRUE(gone);
}

// A menu for no parameter is recorded as such, and it keeps the handler it reports to alive.
TEST(HostContextMenu, WithoutParameterAndOutlivingThePluginsHandler)
{
  IPtr<qhost::ComponentHandler> handler = owned(new qhost::ComponentHandler);
  IContextMenu* menu = MenuFrom(*handler, nullptr);
  ASSERT_NE(menu, nullptr);
  const int32 before = handler->getRefCount();
  EXPECT_GT(before, 1);
  menu->popup(0, 0);
  const auto popups = handler->callsOf(qhost::HandlerCall::kContextMenu);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].id, kNoParamId);
  EXPECT_EQ(popups[0].items, 0);
  menu->release();
  EXPECT_EQ(handler->getRefCount(), before - 1);
}
