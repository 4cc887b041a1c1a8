#include <gtest/gtest.h>

#include "vst3api/Sdk.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int gDestroyed = 0;

class Counted : public FObject
{
public:
  ~Counted() override { ++gDestroyed; }
  OBJ_METHODS(Counted, FObject)
};

class Derived : public Counted
{
public:
  OBJ_METHODS(Derived, Counted)
};

class Listener : public FObject
{
public:
  void PLUGIN_API update(FUnknown* changed, int32 message) override
  {
    last = changed;
    lastMessage = message;
    ++calls;
  }
  FUnknown* last = nullptr;
  int32 lastMessage = -1;
  int calls = 0;
};

class Sender : public FObject
{
public:
  void updateDone(int32 message) override { done = message; }
  int32 done = -1;
};

} // namespace

TEST(FObject, CountsReferencesAndDestroysAtZero)
{
  gDestroyed = 0;
  auto* o = new Counted;
  EXPECT_EQ(o->getRefCount(), 1);
  EXPECT_EQ(o->addRef(), 2u);
  EXPECT_EQ(o->release(), 1u);
  EXPECT_EQ(gDestroyed, 0);
  EXPECT_EQ(o->release(), 0u);
  EXPECT_EQ(gDestroyed, 1);
}

TEST(FObject, QueryGivesOneIdentityAndRefusesOthers)
{
  IPtr<Counted> o = owned(new Counted);
  void* a = nullptr;
  void* b = nullptr;
  ASSERT_EQ(o->queryInterface(FUnknown::iid, &a), kResultOk);
  ASSERT_EQ(o->queryInterface(IDependent::iid, &b), kResultOk);
  EXPECT_EQ(a, b);
  EXPECT_EQ(o->getRefCount(), 3);
  static_cast<FUnknown*>(a)->release();
  static_cast<FUnknown*>(b)->release();

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(o->queryInterface(IComponent::iid, &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(o->queryInterface(IComponent::iid, nullptr), kInvalidArgument);
  EXPECT_EQ(o->getRefCount(), 1);
}

TEST(FObject, ClassNameQueriesFollowTheChain)
{
  IPtr<Derived> d = owned(new Derived);
  EXPECT_STREQ(d->isA(), "Derived");
  EXPECT_TRUE(d->isA("Derived"));
  EXPECT_FALSE(d->isA("Counted")); // isA does not ask the base classes
  EXPECT_TRUE(d->isTypeOf("Counted"));
  EXPECT_TRUE(d->isTypeOf("FObject"));
  EXPECT_FALSE(d->isTypeOf("Counted", false));
  EXPECT_FALSE(d->isTypeOf("Other"));

  FUnknown* unknown = d->unknownCast();
  EXPECT_EQ(FCast<Counted>(unknown), d.get());
  EXPECT_EQ(FCast<Derived>(unknown), d.get());
  EXPECT_EQ(d->getRefCount(), 1); // FCast's result is borrowed
  IPtr<Counted> c = owned(new Counted);
  EXPECT_EQ(FCast<Derived>(static_cast<FObject*>(c.get())), nullptr);
  EXPECT_EQ(FCast<Derived>(static_cast<FUnknown*>(nullptr)), nullptr);

  // The bus classes report their names as written.
  IPtr<AudioBus> bus = owned(new AudioBus(u"In", kMain, 0, SpeakerArr::kStereo));
  EXPECT_STREQ(bus->isA(), "Vst::AudioBus");
  EXPECT_TRUE(bus->isTypeOf("Vst::Bus"));
}

TEST(FObject, DependentsHearChangesImmediatelyOrDeferred)
{
  UpdateHandler* handler = UpdateHandler::instance();
  ASSERT_EQ(FObject::getUpdateHandler(), handler);
  IPtr<Sender> sender = owned(new Sender);
  IPtr<Listener> listener = owned(new Listener);
  sender->addDependent(listener);
  EXPECT_EQ(handler->dependentCount(sender->unknownCast()), 1u);

  sender->changed();
  EXPECT_EQ(listener->calls, 1);
  EXPECT_EQ(listener->last, sender->unknownCast());
  EXPECT_EQ(listener->lastMessage, IDependent::kChanged);
  EXPECT_EQ(sender->done, IDependent::kChanged);

  sender->deferUpdate(IDependent::kWillChange);
  sender->deferUpdate(IDependent::kWillChange); // queued once
  EXPECT_EQ(listener->calls, 1);
  EXPECT_EQ(sender->getRefCount(), 2); // the queue holds the sender
  handler->triggerDeferedUpdates();
  EXPECT_EQ(listener->calls, 2);
  EXPECT_EQ(listener->lastMessage, IDependent::kWillChange);
  EXPECT_EQ(sender->getRefCount(), 1);

  sender->removeDependent(listener);
  sender->changed();
  EXPECT_EQ(listener->calls, 2);
  EXPECT_EQ(handler->dependentCount(sender->unknownCast()), 0u);
}

TEST(PluginView, KeepsSizeFrameAndParent)
{
  class Frame : public FObject, public IPlugFrame
  {
  public:
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultTrue; }
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugFrame)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
  };
  const ViewRect initial(0, 0, 740, 726);
  IPtr<CPluginView> view = owned(new CPluginView(&initial));
  ViewRect r;
  EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);
  ASSERT_EQ(view->getSize(&r), kResultTrue);
  EXPECT_EQ(r.getWidth(), 740);
  EXPECT_EQ(r.getHeight(), 726);

  IPtr<Frame> frame = owned(new Frame);
  EXPECT_EQ(view->setFrame(frame), kResultTrue);
  EXPECT_EQ(frame->getRefCount(), 2);
  EXPECT_EQ(view->setFrame(nullptr), kResultTrue);
  EXPECT_EQ(frame->getRefCount(), 1);

  int parent = 0;
  EXPECT_EQ(view->attached(&parent, kPlatformTypeHWND), kResultOk);
  EXPECT_TRUE(view->isAttached());
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_FALSE(view->isAttached());
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kNotImplemented);

  ViewRect bigger(0, 0, 800, 800);
  EXPECT_EQ(view->onSize(&bigger), kResultTrue);
  EXPECT_EQ(view->onSize(nullptr), kResultTrue);
  EXPECT_EQ(view->getRect().getWidth(), 800);

  void* obj = nullptr;
  ASSERT_EQ(view->queryInterface(IPlugView::iid, &obj), kResultOk);
  void* unknown = nullptr;
  ASSERT_EQ(static_cast<IPlugView*>(obj)->queryInterface(FUnknown::iid, &unknown), kResultOk);
  EXPECT_EQ(unknown, view->unknownCast());
  static_cast<FUnknown*>(unknown)->release();
  static_cast<IPlugView*>(obj)->release();
}
