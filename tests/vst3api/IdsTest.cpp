#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "vst3api/Vst3Api.h"

using namespace Steinberg;

namespace {

std::string hexBytes(const TUID id)
{
  std::string s;
  char buf[4];
  for (int i = 0; i < 16; ++i)
  {
    std::snprintf(buf, sizeof(buf), "%02X", static_cast<unsigned>(static_cast<uint8>(id[i])));
    s += buf;
  }
  return s;
}

} // namespace

TEST(Ids, InterfaceBytesFollowThePlatformOrder)
{
#if SMTG_OS_WINDOWS
  EXPECT_EQ(hexBytes(Vst::IComponent::iid), "31FF31E8D5F20143928EBBEE25697802");
  EXPECT_EQ(hexBytes(IPluginFactory::iid), "1C814D7A11521F4AAED9D2EE0B43BF9F");
#else
  EXPECT_EQ(hexBytes(Vst::IComponent::iid), "E831FF31F2D54301928EBBEE25697802");
  EXPECT_EQ(hexBytes(IPluginFactory::iid), "7A4D811C52114A1FAED9D2EE0B43BF9F");
#endif
  const unsigned char unknownBytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_EQ(std::memcmp(FUnknown::iid.data, unknownBytes, 16), 0);
}

TEST(Ids, TextFormIsTheSameOnEveryPlatform)
{
  char text[33];
  Vst::IComponent::iid.toString(text);
  EXPECT_STREQ(text, "E831FF31F2D54301928EBBEE25697802");
  char reg[39];
  Vst::IComponentHandler3::iid.toRegistryString(reg);
  EXPECT_STREQ(reg, "{69F11617-D26B-400D-A4B6-B9647B6EBBAB}");
  EXPECT_EQ(Vst::IAudioProcessor::iid.getLong1(), 0x42043F99u);
  EXPECT_EQ(Vst::IAudioProcessor::iid.getLong2(), 0xB7DA453Cu);
  EXPECT_EQ(Vst::IAudioProcessor::iid.getLong3(), 0xA569E79Du);
  EXPECT_EQ(Vst::IAudioProcessor::iid.getLong4(), 0x9AAEC33Du);
}

TEST(Ids, ParsingTextGivesTheSameId)
{
  FUID parsed;
  ASSERT_TRUE(parsed.fromString("E831FF31F2D54301928EBBEE25697802"));
  EXPECT_TRUE(parsed == Vst::IComponent::iid);
  EXPECT_TRUE(parsed.fromString("e831ff31f2d54301928ebbee25697802"));
  EXPECT_TRUE(parsed == Vst::IComponent::iid);
  // Malformed text leaves the id unchanged.
  EXPECT_FALSE(parsed.fromString("E831FF31F2D54301928EBBEE2569780"));
  EXPECT_FALSE(parsed.fromString("E831FF31F2D54301928EBBEE256978020"));
  EXPECT_FALSE(parsed.fromString("X831FF31F2D54301928EBBEE25697802"));
  EXPECT_FALSE(parsed.fromString(nullptr));
  EXPECT_TRUE(parsed == Vst::IComponent::iid);
}

TEST(Ids, RawBytesReadBackPerPlatform)
{
  const char raw[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const FUID id = FUID::fromTUID(raw);
  char text[33];
  id.toString(text);
#if SMTG_OS_WINDOWS
  EXPECT_STREQ(text, "0403020106050807090A0B0C0D0E0F10");
#else
  EXPECT_STREQ(text, "0102030405060708090A0B0C0D0E0F10");
#endif
  TUID back;
  id.toTUID(back);
  EXPECT_EQ(std::memcmp(back, raw, 16), 0);
  EXPECT_TRUE(id.isValid());
  EXPECT_FALSE(FUID().isValid());
  EXPECT_FALSE(FUID::fromTUID(nullptr).isValid());
}

TEST(Ids, EqualityComparesAllSixteenBytes)
{
  EXPECT_FALSE(Vst::IEditController::iid == Vst::IEditController2::iid);
  EXPECT_TRUE(FUnknownPrivate::iidEqual(Vst::IUnitInfo::iid, Vst::IUnitInfo::iid.data));
  TUID almost;
  Vst::IUnitInfo::iid.toTUID(almost);
  almost[15] ^= 1;
  EXPECT_FALSE(FUnknownPrivate::iidEqual(Vst::IUnitInfo::iid, almost));
  EXPECT_FALSE(FUnknownPrivate::iidEqual(nullptr, almost));
}

TEST(ResultCodes, MatchThePlatformConvention)
{
#if SMTG_OS_WINDOWS
  EXPECT_EQ(static_cast<uint32>(kNoInterface), 0x80004002u);
  EXPECT_EQ(static_cast<uint32>(kNotImplemented), 0x80004001u);
  EXPECT_EQ(static_cast<uint32>(kInvalidArgument), 0x80070057u);
#else
  EXPECT_EQ(kNoInterface, -1);
  EXPECT_EQ(kNotImplemented, 3);
  EXPECT_EQ(kInvalidArgument, 2);
#endif
  EXPECT_EQ(kResultTrue, 0);
  EXPECT_EQ(kResultFalse, 1);
}
