#include "graphics/ITextEntryRules.h"
#include "plugin/IParam.h"

#include <gtest/gtest.h>

#include <string>

using namespace plugfw;
using namespace plugfw::ui;

namespace {

bool AcceptsAll(ETextEntryFilter f, const std::string& s)
{
  for (char c : s)
    if (!TextEntryAccepts(f, static_cast<unsigned char>(c)))
      return false;
  return true;
}

} // namespace

TEST(TextEntryRules, CharactersFilteredByParameterKind)
{
  IParam gain, mode, hold;
  gain.DeclareDouble("Gain", 0., -24., 24., 0.1, "dB");
  mode.DeclareEnum("Mode", 0, 3, "", 0, "", "A", "B", "C");
  hold.DeclareBool("Hold");
  const auto fd = TextEntryFilterFor(&gain);
  const auto fe = TextEntryFilterFor(&mode);
  const auto fb = TextEntryFilterFor(&hold);
  EXPECT_EQ(fd, ETextEntryFilter::Decimal);
  EXPECT_EQ(fe, ETextEntryFilter::Integer);
  EXPECT_EQ(fb, ETextEntryFilter::Integer);
  EXPECT_EQ(TextEntryFilterFor(nullptr), ETextEntryFilter::Any);

  EXPECT_TRUE(AcceptsAll(fe, "-12"));
  EXPECT_TRUE(AcceptsAll(fe, "+3"));
  EXPECT_FALSE(AcceptsAll(fe, "1.5"));
  EXPECT_FALSE(AcceptsAll(fe, "a"));
  EXPECT_TRUE(AcceptsAll(fd, "-12"));
  EXPECT_TRUE(AcceptsAll(fd, "1.5"));
  EXPECT_FALSE(AcceptsAll(fd, "1e5"));
  EXPECT_FALSE(AcceptsAll(fd, "1,5"));
  EXPECT_TRUE(AcceptsAll(ETextEntryFilter::Any, "Hello 1.5"));
  for (auto f : {ETextEntryFilter::Any, ETextEntryFilter::Integer, ETextEntryFilter::Decimal})
  {
    EXPECT_TRUE(TextEntryAccepts(f, 8)); // backspace
    EXPECT_FALSE(TextEntryAccepts(f, '\r'));
    EXPECT_FALSE(TextEntryAccepts(f, 0x1B));
    EXPECT_FALSE(TextEntryAccepts(f, 0));
  }
  EXPECT_TRUE(TextEntryAccepts(ETextEntryFilter::Any, U'\u00e9'));
  EXPECT_FALSE(TextEntryAccepts(ETextEntryFilter::Decimal, U'\u00e9'));
}

TEST(TextEntryRules, FilteringWholeStrings)
{
  EXPECT_EQ(FilterTextEntryText(ETextEntryFilter::Integer, "x-1\xC3\xA9"
                                                           "2.5"),
            "-125");
  EXPECT_EQ(FilterTextEntryText(ETextEntryFilter::Decimal, "-12.5 dB"), "-12.5");
  EXPECT_EQ(FilterTextEntryText(ETextEntryFilter::Any, "a\tb\xC3\xA9"), "ab\xC3\xA9");
  // A truncated multi-byte sequence at the end is dropped, not read past.
  EXPECT_EQ(FilterTextEntryText(ETextEntryFilter::Any, "ab\xE2\x82"), "ab");
  EXPECT_EQ(FilterTextEntryText(ETextEntryFilter::Decimal, ""), "");
}

TEST(TextEntryRules, CommitAndCancelDecisions)
{
  using S = ETextEntryState;
  using E = ETextEntryEvent;
  EXPECT_EQ(NextTextEntryState(S::Editing, E::Return), S::CommitRequested);
  EXPECT_EQ(NextTextEntryState(S::Editing, E::FocusLost), S::CommitRequested);
  EXPECT_EQ(NextTextEntryState(S::Editing, E::PressOutside), S::CommitRequested);
  EXPECT_EQ(NextTextEntryState(S::Drawn, E::PressOutside), S::Drawn);
  EXPECT_EQ(NextTextEntryState(S::Drawn, E::Escape), S::CancelRequested);
  EXPECT_EQ(NextTextEntryState(S::Drawn, E::Wheel), S::CancelRequested);
  EXPECT_EQ(NextTextEntryState(S::Drawn, E::FocusGained), S::Editing);
  // The first decision stands: Escape then the focus leaving the closed entry still cancels.
  EXPECT_EQ(NextTextEntryState(S::CancelRequested, E::FocusLost), S::CancelRequested);
  EXPECT_EQ(NextTextEntryState(S::CommitRequested, E::Escape), S::CommitRequested);
  // No entry: events change nothing.
  EXPECT_EQ(NextTextEntryState(S::None, E::Return), S::None);
  EXPECT_EQ(NextTextEntryState(S::None, E::FocusGained), S::None);

  EXPECT_EQ(TextEntryFrameAction(S::CancelRequested), ETextEntryAction::Cancel);
  EXPECT_EQ(TextEntryFrameAction(S::CommitRequested), ETextEntryAction::Commit);
  EXPECT_EQ(TextEntryFrameAction(S::Editing), ETextEntryAction::None);
  EXPECT_EQ(TextEntryFrameAction(S::Drawn), ETextEntryAction::None);
}

TEST(TextEntryRules, CommittedTextIsCutAtWholeCharacters)
{
  EXPECT_EQ(TextEntryCommitText("-12"), "-12");
  const std::string ascii(300, '7');
  EXPECT_EQ(TextEntryCommitText(ascii).size(), 256u);
  std::string wide;
  for (int i = 0; i < 300; ++i)
    wide += "\xC3\xA9";
  EXPECT_EQ(TextEntryCommitText(wide).size(), 512u);          // 256 two-byte characters
  EXPECT_EQ(TextEntryCommitText("ab\xE2\x82"), "ab\xE2\x82"); // short: unchanged
}
