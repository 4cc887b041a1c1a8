#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "tests/vst3/TestPlugin.h"
#include "QuellorVersion.h"
#include "vst3/VST3Factory.h"
#include "vst3api/sdk/PluginFactory.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(VST3Factory, ClassIdReadsTheSameOnEveryPlatform)
{
  TUID cid;
  plugfw::MakeVST3ClassID(plugfw::FourCC("VanU"), plugfw::FourCC("Qlrx"), cid);
  char text[33] = {};
  FUID::fromTUID(cid).toString(text);
  EXPECT_STREQ(text, "F2AEE70D00DE4F4E56616E55516C7278");
#if COM_COMPATIBLE
  const unsigned char expected[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F,
                                      'V',  'a',  'n',  'U',  'Q',  'l',  'r',  'x'};
#else
  const unsigned char expected[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                                      'V',  'a',  'n',  'U',  'Q',  'l',  'r',  'x'};
#endif
  EXPECT_EQ(std::memcmp(cid, expected, 16), 0);
}

TEST(VST3Factory, OneFactoryOneClassRecord)
{
  IPluginFactory* f1 = nullptr;
  IPluginFactory* f2 = nullptr;
  std::thread t([&] { f1 = plugfw::GetVST3PluginFactory(); });
  f2 = plugfw::GetVST3PluginFactory();
  t.join();
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1, f2);
  auto* cf = static_cast<CPluginFactory*>(f1);
  EXPECT_EQ(cf->getRefCount(), 2);
  IPluginFactory* f3 = plugfw::GetVST3PluginFactory();
  EXPECT_EQ(cf->getRefCount(), 3);
  f3->release();

  PFactoryInfo fi;
  f1->getFactoryInfo(&fi);
  EXPECT_STREQ(fi.vendor, "Vantu");
  EXPECT_EQ(fi.flags, 16);
  EXPECT_EQ(f1->countClasses(), 1);

  PClassInfo2 ci;
  ASSERT_EQ(static_cast<IPluginFactory2*>(f1)->getClassInfo2(0, &ci), kResultOk);
  EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(ci.category, "Audio Module Class");
  EXPECT_STREQ(ci.subCategories, "Fx|Restoration");
  EXPECT_STREQ(ci.version, quellor::kVersionString);
  EXPECT_STREQ(ci.sdkVersion, "VST 3.8.1");
  EXPECT_STREQ(ci.vendor, "");
  EXPECT_EQ(ci.classFlags, 2u);
  for (int i = static_cast<int>(std::strlen(ci.version)); i < 64; ++i)
    ASSERT_EQ(ci.version[i], 0); // zero-filled to the end of the field

  void* obj = nullptr;
  EXPECT_EQ(f1->createInstance(ci.cid, IComponent::iid, &obj), kResultOk);
  ASSERT_NE(obj, nullptr);
  auto* comp = static_cast<IComponent*>(obj);
  void* ec = nullptr;
  EXPECT_EQ(comp->queryInterface(IEditController::iid, &ec), kResultOk); // one object, both halves
  static_cast<FUnknown*>(ec)->release();
  EXPECT_EQ(comp->release(), 0u);

  TUID other = {};
  obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(f1->createInstance(other, IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);

  f2->release();
  f1->release(); // last reference: a new call makes a new factory
  EXPECT_EQ(gPluginFactory, nullptr);
}

TEST(VST3Factory, ModuleEntryCounting)
{
  const int base = plugfw::ModuleEntryCount();
  int handle = 0;
  EXPECT_TRUE(plugfw::EnterModule(&handle));
  EXPECT_TRUE(plugfw::EnterModule(nullptr));
  EXPECT_EQ(plugfw::GetModuleHandle(), base == 0 ? &handle : plugfw::GetModuleHandle());
  EXPECT_TRUE(plugfw::ExitModule());
  EXPECT_TRUE(plugfw::ExitModule());
  EXPECT_EQ(plugfw::ModuleEntryCount(), base);
  if (base == 0)
  {
    EXPECT_FALSE(plugfw::ExitModule()); // more exits than entries
    EXPECT_EQ(plugfw::ModuleEntryCount(), 0);
  }
}

TEST(VST3Factory, ConcurrentCreationIsSerialised)
{
  std::vector<std::thread> threads;
  std::atomic<int> ok{0};
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      for (int k = 0; k < 10; ++k)
      {
        FUnknown* u = plugfw::CreateVST3Instance(nullptr);
        if (u)
        {
          ++ok;
          u->release();
        }
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(ok.load(), 40);
}
