#include <cstring>

#include "tests/module/ModuleFixture.h"
#include "QuellorVersion.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;

TEST(ModuleFactory, AnnouncesOneAudioEffectClass)
{
  qhost::Module* module = loadedModule();
  ASSERT_NE(module, nullptr);
  IPluginFactory* factory = module->factory();
  PFactoryInfo fi;
  ASSERT_EQ(factory->getFactoryInfo(&fi), kResultOk);
  EXPECT_STREQ(fi.vendor, "Vantu");
  EXPECT_EQ(fi.flags, PFactoryInfo::kUnicode);
  EXPECT_LT(std::strlen(fi.url), sizeof(fi.url));
  EXPECT_LT(std::strlen(fi.email), sizeof(fi.email));

  ASSERT_EQ(factory->countClasses(), 1);
  FUnknownPtr<IPluginFactory2> f2(factory);
  ASSERT_TRUE(f2);
  PClassInfo2 ci;
  ASSERT_EQ(f2->getClassInfo2(0, &ci), kResultOk);
  EXPECT_EQ(std::memcmp(ci.cid, kQuellorClassId, 16), 0);
  char text[33] = {};
  FUID::fromTUID(ci.cid).toString(text);
  EXPECT_STREQ(text, kQuellorClassIdText);
  // The bytes in the platform's layout: a GUID in memory on Windows, the text's order elsewhere.
#if COM_COMPATIBLE
  const unsigned char bytes[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F,
                                   'V',  'a',  'n',  'U',  'Q',  'l',  'r',  'x'};
#else
  const unsigned char bytes[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                                   'V',  'a',  'n',  'U',  'Q',  'l',  'r',  'x'};
#endif
  EXPECT_EQ(std::memcmp(ci.cid, bytes, 16), 0);
  EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(ci.category, "Audio Module Class");
  EXPECT_STREQ(ci.name, "Quellor");
  EXPECT_EQ(ci.classFlags, 2u);
  EXPECT_STREQ(ci.subCategories, "Fx|Restoration");
  EXPECT_STREQ(ci.vendor, "");
  EXPECT_STREQ(ci.version, quellor::kVersionString);
  EXPECT_STREQ(ci.sdkVersion, "VST 3.8.1");
  // Every text field is zero-filled behind its text.
  for (size_t i = std::strlen(ci.name); i < sizeof(ci.name); ++i)
    EXPECT_EQ(ci.name[i], 0) << i;
  for (size_t i = std::strlen(ci.subCategories); i < sizeof(ci.subCategories); ++i)
    EXPECT_EQ(ci.subCategories[i], 0) << i;

  PClassInfo c1;
  ASSERT_EQ(factory->getClassInfo(0, &c1), kResultOk);
  EXPECT_EQ(std::memcmp(c1.cid, kQuellorClassId, 16), 0);
  EXPECT_STREQ(c1.name, "Quellor");
  EXPECT_NE(factory->getClassInfo(1, &c1), kResultOk);

  FUnknownPtr<IPluginFactory3> f3(factory);
  ASSERT_TRUE(f3);
  PClassInfoW w;
  ASSERT_EQ(f3->getClassInfoUnicode(0, &w), kResultOk);
  EXPECT_EQ(utf8(w.name, 64), "Quellor");
  EXPECT_EQ(utf8(w.version, 64), quellor::kVersionString);
  EXPECT_EQ(utf8(w.sdkVersion, 64), "VST 3.8.1");
  EXPECT_STREQ(w.subCategories, "Fx|Restoration");
  EXPECT_EQ(w.classFlags, 2u);
}

TEST(ModuleFactory, EveryCallReturnsTheSameFactory)
{
  qhost::Module* module = loadedModule();
  ASSERT_NE(module, nullptr);
  IPluginFactory* a = module->getFactoryProc()();
  IPluginFactory* b = module->getFactoryProc()();
  EXPECT_EQ(a, module->factory());
  EXPECT_EQ(a, b);
  // Each call added one reference: two more than the one the host loader holds.
  EXPECT_EQ(a->addRef(), 4u);
  EXPECT_EQ(a->release(), 3u);
  a->release();
  b->release();
  void* obj = nullptr;
  ASSERT_EQ(a->queryInterface(FUnknown::iid, &obj), kResultOk);
  EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 1u);
}

TEST(ModuleFactory, EntryCallsNestAndUnknownClassesGiveNothing)
{
  qhost::Module* module = loadedModule();
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(module->callEntry());
  EXPECT_TRUE(module->callExit()); // back to the loader's count; the final exit happens at unload

  IPluginFactory* factory = module->factory();
  TUID other;
  std::memcpy(other, kQuellorClassId, 16);
  other[15] ^= 0x20;
  void* obj = reinterpret_cast<void*>(1);
  EXPECT_NE(factory->createInstance(other, IComponent::iid, &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);
  // The right class asked for an interface it does not have.
  obj = reinterpret_cast<void*>(1);
  EXPECT_NE(factory->createInstance(kQuellorClassId, IPlugFrame::iid, &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);

  // Created as IAudioProcessor, the same object answers IComponent and IEditController.
  obj = nullptr;
  ASSERT_EQ(factory->createInstance(kQuellorClassId, IAudioProcessor::iid, &obj), kResultOk);
  auto* processor = static_cast<IAudioProcessor*>(obj);
  FUnknownPtr<IComponent> component(processor);
  FUnknownPtr<IEditController> controller(processor);
  FUnknownPtr<IConnectionPoint> connection(processor);
  EXPECT_TRUE(component);
  EXPECT_TRUE(controller);
  EXPECT_FALSE(connection);
  TUID controllerId;
  EXPECT_NE(component->getControllerClassId(controllerId), kResultTrue);
  component = FUnknownPtr<IComponent>();
  controller = FUnknownPtr<IEditController>();
  EXPECT_EQ(processor->release(), 0u);
}
