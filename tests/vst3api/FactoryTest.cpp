#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vst3api/Sdk.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int gCreated = 0;
int gDestroyed = 0;

class Plug : public SingleComponentEffect
{
public:
  Plug() { ++gCreated; }
  ~Plug() override { ++gDestroyed; }
  static FUnknown* create(void*) { return static_cast<IAudioProcessor*>(new Plug); }
};

FUnknown* createNothing(void*)
{
  return nullptr;
}

const FUID kPlugId(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const FUID kOtherId(0x55555555, 0x22222222, 0x33333333, 0x44444444);

IPtr<CPluginFactory> makeFactory()
{
  IPtr<CPluginFactory> f =
      owned(new CPluginFactory(PFactoryInfo("Vendor", "https://example.invalid", "a@b.c", 0)));
  PClassInfo2 info(kPlugId, PClassInfo::kManyInstances, kVstAudioEffectClass, "Plug",
                   kSimpleModeSupported, PlugType::kFxRestoration, "", "1.0.9", kVstVersionString);
  EXPECT_TRUE(f->registerClass(&info, &Plug::create));
  return f;
}

} // namespace

TEST(PluginFactory, ReportsFactoryAndClassInfo)
{
  IPtr<CPluginFactory> f = makeFactory();
  PFactoryInfo fi;
  EXPECT_EQ(f->getFactoryInfo(&fi), kResultOk);
  EXPECT_EQ(f->getFactoryInfo(nullptr), kResultOk);
  EXPECT_STREQ(fi.vendor, "Vendor");
  EXPECT_EQ(fi.flags, PFactoryInfo::kUnicode);

  ASSERT_EQ(f->countClasses(), 1);
  PClassInfo ci;
  ASSERT_EQ(f->getClassInfo(0, &ci), kResultOk);
  EXPECT_EQ(std::memcmp(ci.cid, kPlugId.data, 16), 0);
  EXPECT_STREQ(ci.category, "Audio Module Class");
  EXPECT_EQ(f->getClassInfo(1, &ci), kInvalidArgument);
  EXPECT_EQ(f->getClassInfo(0, nullptr), kInvalidArgument);

  PClassInfo2 ci2;
  ASSERT_EQ(f->getClassInfo2(0, &ci2), kResultOk);
  EXPECT_EQ(ci2.classFlags, 2u);
  EXPECT_STREQ(ci2.subCategories, "Fx|Restoration");
  EXPECT_STREQ(ci2.sdkVersion, "VST 3.7.14");

  PClassInfoW ciw;
  ASSERT_EQ(f->getClassInfoUnicode(0, &ciw), kResultOk);
  EXPECT_EQ(std::u16string(ciw.name), u"Plug");
  EXPECT_EQ(std::u16string(ciw.version), u"1.0.9");
  EXPECT_STREQ(ciw.subCategories, "Fx|Restoration");
  EXPECT_EQ(ciw.classFlags, 2u);
  EXPECT_EQ(f->getClassInfoUnicode(-1, &ciw), kInvalidArgument);
}

TEST(PluginFactory, TextFieldsAreCutWithATerminator)
{
  const std::string longName(100, 'x');
  PClassInfo2 info(kPlugId, 1, kVstAudioEffectClass, longName.c_str(), 0, "", nullptr, "1", "2");
  EXPECT_EQ(std::strlen(info.name), 63u);
  EXPECT_EQ(info.name[63], 0);
  EXPECT_EQ(info.vendor[0], 0);
  PFactoryInfo fi(longName.c_str(), nullptr, nullptr, PFactoryInfo::kClassesDiscardable);
  EXPECT_EQ(std::strlen(fi.vendor), 63u);
  EXPECT_EQ(fi.flags, PFactoryInfo::kClassesDiscardable | PFactoryInfo::kUnicode);
}

TEST(PluginFactory, UnicodeOnlyClassesRefuseTheEightBitQueries)
{
  IPtr<CPluginFactory> f = owned(new CPluginFactory(PFactoryInfo("V", "", "", 0)));
  PClassInfoW w;
  std::memcpy(w.cid, kOtherId.data, 16);
  copyFixedString(w.name, PClassInfoW::kNameSize, u"Wide \u00e9");
  EXPECT_TRUE(f->registerClass(&w, &Plug::create));
  EXPECT_FALSE(f->registerClass(&w, nullptr));
  EXPECT_FALSE(f->registerClass(static_cast<PClassInfoW*>(nullptr), &Plug::create));
  PClassInfo2 ci2;
  std::memset(static_cast<void*>(&ci2), 0x55, sizeof(ci2));
  EXPECT_EQ(f->getClassInfo2(0, &ci2), kResultFalse);
  EXPECT_EQ(ci2.name[0], 0);
  PClassInfoW back;
  ASSERT_EQ(f->getClassInfoUnicode(0, &back), kResultOk);
  EXPECT_EQ(std::u16string(back.name), u"Wide \u00e9");
}

TEST(PluginFactory, CreatesOnlyKnownClassesWithTheRequestedInterface)
{
  IPtr<CPluginFactory> f = makeFactory();
  gCreated = gDestroyed = 0;
  void* obj = reinterpret_cast<void*>(1);
  ASSERT_EQ(f->createInstance(kPlugId, IComponent::iid, &obj), kResultOk);
  ASSERT_NE(obj, nullptr);
  auto* component = static_cast<IComponent*>(obj);
  void* check = nullptr;
  ASSERT_EQ(component->queryInterface(IComponent::iid, &check), kResultOk);
  EXPECT_EQ(check, obj); // really the IComponent part
  component->release();
  EXPECT_EQ(component->release(), 0u); // the host held the only reference
  EXPECT_EQ(gDestroyed, 1);

  obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->createInstance(kOtherId, IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  // A known class asked for an interface it lacks: the new object does not leak.
  obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->createInstance(kPlugId, IPlugView::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(gCreated, 2);
  EXPECT_EQ(gDestroyed, 2);
  EXPECT_EQ(f->createInstance(kPlugId, IComponent::iid, nullptr), kInvalidArgument);
  EXPECT_EQ(f->createInstance(nullptr, IComponent::iid, &obj), kNoInterface);

  PClassInfo2 broken(kOtherId, 1, kVstAudioEffectClass, "Broken", 0, "", "", "", "");
  ASSERT_TRUE(f->registerClass(&broken, &createNothing));
  EXPECT_EQ(f->createInstance(kOtherId, IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

TEST(PluginFactory, CountsReferencesAndAnswersAllFactoryInterfaces)
{
  auto* f = new CPluginFactory(PFactoryInfo("V", "", "", 0));
  gPluginFactory = f;
  void* obj = nullptr;
  ASSERT_EQ(f->queryInterface(IPluginFactory2::iid, &obj), kResultOk);
  EXPECT_EQ(obj, static_cast<IPluginFactory3*>(f));
  EXPECT_EQ(f->getRefCount(), 2);
  EXPECT_EQ(f->queryInterface(IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(f->release(), 1u);
#if SMTG_OS_LINUX
  EXPECT_EQ(f->setHostContext(nullptr), kResultTrue);
#else
  EXPECT_EQ(f->setHostContext(nullptr), kNotImplemented);
#endif
  EXPECT_EQ(f->getRunLoop(), nullptr);
  EXPECT_EQ(f->release(), 0u);
  EXPECT_EQ(gPluginFactory, nullptr);
}
