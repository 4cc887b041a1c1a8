// Whole-editor pictures compared with committed references: the editor before any audio, the
// feedback scene with its automatic notch, and the about panel open. A picture may differ from
// its reference in a few pixels only.
//
// QUELLOR_EDITOR_PICTURES=DIR writes every picture drawn here into DIR (to look at them, or to
// replace the references after an intended change of the editor's looks).

#include "tests/editor/EditorFixture.h"

#include "render/IPixmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace editor_test;

namespace {

// Pixels may differ in a channel by this much without counting (rounding in blending).
constexpr int kChannelTolerance = 8;
// At most this many pixels may differ beyond that.
constexpr int kMaxDifferentPixels = 200;

IPixmap ReadPng(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
  return IPixmap::Decode(bytes.data(), bytes.size());
}

// Number of pixels whose straight-alpha channels differ by more than the tolerance; -1 when the
// sizes differ.
int DifferentPixels(const IPixmap& a, const IPixmap& b)
{
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return -1;
  int count = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
    {
      uint8_t pa[4], pb[4];
      a.GetStraight(x, y, pa[0], pa[1], pa[2], pa[3]);
      b.GetStraight(x, y, pb[0], pb[1], pb[2], pb[3]);
      for (int c = 0; c < 4; ++c)
        if (std::abs(pa[c] - pb[c]) > kChannelTolerance)
        {
          ++count;
          break;
        }
    }
  return count;
}

void ExpectLikeReference(const OpenEditor& e, const std::string& name)
{
  const IPixmap& frame = e.g->GetFrame();
  if (const char* dir = std::getenv("QUELLOR_EDITOR_PICTURES"))
    frame.WritePng(std::string(dir) + "/" + name);
  const IPixmap reference = ReadPng(std::string(QUELLOR_EDITOR_REFERENCE_DIR) + "/" + name);
  ASSERT_FALSE(reference.Empty()) << "missing reference " << name;
  const int differing = DifferentPixels(frame, reference);
  EXPECT_GE(differing, 0) << name << ": " << frame.Width() << "x" << frame.Height()
                          << " against a reference of " << reference.Width() << "x"
                          << reference.Height();
  EXPECT_LE(differing, kMaxDifferentPixels) << name << ": " << differing << " pixels differ";
}

} // namespace

TEST(EditorPictures, BeforeAudio)
{
  OpenEditor e;
  e.Tick();
  ExpectLikeReference(e, "editor-before-audio.png");
}

TEST(EditorPictures, FeedbackWithItsNotch)
{
  OpenEditor e;
  for (int b = 0; b < 150; ++b) // programme-like noise before the ring
    e.Block(440.0, 0.05, 0.05);
  ASSERT_TRUE(e.Ring());
  for (int b = 0; b < 20; ++b)
    e.Block(2500.0, 0.3);
  e.Tick();
  EXPECT_EQ(e.Text(kTagActiveCountLine), "Active filters: 1");
  ExpectLikeReference(e, "editor-feedback.png");
}

TEST(EditorPictures, AboutPanelOpen)
{
  OpenEditor e;
  e.Tick();
  e.g->Click(701, 707);
  e.Tick();
  ExpectLikeReference(e, "editor-about.png");
}

TEST(EditorPictures, ComparisonCountsDifferingPixels)
{
  IPixmap a(20, 10), b(20, 10);
  EXPECT_EQ(DifferentPixels(a, b), 0);
  b.Data()[3] = 255;                                              // one opaque pixel
  b.Data()[4 * 25 + 3] = static_cast<uint8_t>(kChannelTolerance); // within the tolerance
  EXPECT_EQ(DifferentPixels(a, b), 1);
  EXPECT_EQ(DifferentPixels(a, IPixmap(20, 11)), -1);
}
