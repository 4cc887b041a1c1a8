// The decoder's malformed-input rule is what the renderer draws and the VST 3 strings carry: one
// U+FFFD per broken sequence, decoding on from the byte that broke it.

#include "utf8/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<char32_t> DecodeAll(std::string_view s)
{
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size();)
    out.push_back(utf8::Decode(s, i));
  return out;
}

} // namespace

TEST(Utf8, DecodesEveryLengthAndReplacesMalformedSequencesOnce)
{
  EXPECT_EQ(DecodeAll("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xA4"),
            (std::vector<char32_t>{U'a', 0xE9, 0x20AC, 0x1F3A4}));
  // A cut sequence resumes at the byte that cut it; a bad lead byte is one replacement.
  EXPECT_EQ(DecodeAll("\xE2\x82"
                      "A\xFF"),
            (std::vector<char32_t>{0xFFFD, U'A', 0xFFFD}));
  // Overlong forms, encoded surrogates and values past U+10FFFF are one replacement each.
  EXPECT_EQ(DecodeAll("\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80"),
            (std::vector<char32_t>{0xFFFD, 0xFFFD, 0xFFFD}));
  // A lead byte at the very end.
  EXPECT_EQ(DecodeAll("x\xF0"), (std::vector<char32_t>{U'x', 0xFFFD}));
}

TEST(Utf8, CountsAndRemovesWholeCharacters)
{
  std::string s = "\xC2\xB5"
                  "a\xF0\x9F\x8E\xA4";
  EXPECT_EQ(utf8::CountCharacters(s), 3u);
  EXPECT_EQ(utf8::SequenceLength(0xF0), 4u);
  EXPECT_EQ(utf8::SequenceLength(0xA4), 1u); // a stray continuation byte steps by one
  utf8::PopCharacter(s);
  EXPECT_EQ(s, "\xC2\xB5"
               "a");
  utf8::PopCharacter(s);
  utf8::PopCharacter(s);
  EXPECT_TRUE(s.empty());
  utf8::PopCharacter(s); // nothing left: stays empty
  EXPECT_TRUE(s.empty());
}
