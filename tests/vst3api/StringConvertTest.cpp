#include <gtest/gtest.h>

#include <string>

#include "vst3api/sdk/StringConvert.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(StringConvert, RoundTripsEveryPlane)
{
  const std::string utf8 =
      "Quellor \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA4"; // e-acute, euro, microphone
  const std::u16string wide = StringConvert::convert(utf8);
  EXPECT_EQ(wide, u"Quellor \u00e9 \u20ac \U0001F3A4");
  EXPECT_EQ(wide.size(), 14u); // the microphone is a surrogate pair
  EXPECT_EQ(StringConvert::convert(std::u16string_view(wide)), utf8);
}

TEST(StringConvert, MalformedInputBecomesReplacementCharacters)
{
  EXPECT_EQ(StringConvert::convert(std::string_view("a\xFF"
                                                    "b")),
            u"a\uFFFDb");
  EXPECT_EQ(StringConvert::convert(std::string_view("\xC3")), u"\uFFFD");     // cut sequence
  EXPECT_EQ(StringConvert::convert(std::string_view("\xC0\xAF")), u"\uFFFD"); // overlong
  EXPECT_EQ(StringConvert::convert(std::string_view("\xED\xA0\x80")),
            u"\uFFFD"); // encoded surrogate
  EXPECT_EQ(StringConvert::convert(std::string_view("\xE2\x82"
                                                    "A")),
            u"\uFFFDA"); // resumes after
  const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00, 0};
  EXPECT_EQ(StringConvert::convert(std::u16string_view(lone)), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
  EXPECT_EQ(StringConvert::convert(static_cast<const char16*>(nullptr), 10), "");
}

TEST(StringConvert, FixedBuffersAreCutAtCharacterBoundaries)
{
  char16 buf[4];
  EXPECT_TRUE(StringConvert::convert("abc", buf, 4));
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_FALSE(StringConvert::convert("abcdef", buf, 4));
  EXPECT_EQ(std::u16string(buf), u"abc");
  // "ab" + a surrogate pair does not fit in 3 units: the pair is dropped whole.
  EXPECT_FALSE(StringConvert::convert("ab\xF0\x9F\x8E\xA4", buf, 4));
  EXPECT_EQ(std::u16string(buf), u"ab");
  EXPECT_FALSE(StringConvert::convert("x", buf, 0));
  EXPECT_TRUE(StringConvert::convert("", nullptr, 0));

  const char16 text[] = u"abcdef";
  EXPECT_EQ(StringConvert::convert(text, 3), "abc");
  EXPECT_EQ(strnlen16(text, 2), 2u);
  EXPECT_EQ(strlen16(text), 6u);
  EXPECT_EQ(strlen16(nullptr), 0u);
  strncpy16(buf, text, 4);
  EXPECT_EQ(std::u16string(buf), u"abc");
  strncpy16(buf, nullptr, 4);
  EXPECT_EQ(buf[0], 0);
  widenAscii(buf, "\xE9z", 4);
  EXPECT_EQ(buf[0], 0xE9); // byte widened, not decoded
  EXPECT_EQ(buf[1], u'z');
}
