// PNG encode/decode and bitmap drawing.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/render/RenderTestUtil.h"

using namespace plugfw::ui;
using rtest::At;

namespace {

IPixmap Checker()
{
  // 2 x 2: red, green / blue, half-transparent white.
  IRenderer r;
  r.SetFrameSize(2, 2);
  r.FillRect(IColor(255, 255, 0, 0), IRect(0, 0, 1, 1));
  r.FillRect(IColor(255, 0, 255, 0), IRect(1, 0, 2, 1));
  r.FillRect(IColor(255, 0, 0, 255), IRect(0, 1, 1, 2));
  r.FillRect(IColor(128, 255, 255, 255), IRect(1, 1, 2, 2));
  return r.Frame();
}

TEST(RenderImage, PngRoundTripIsExactEvenWithPartialAlpha)
{
  IRenderer r;
  r.SetFrameSize(37, 23);
  r.FillCircle(IColor(200, 30, 160, 250), 15, 11, 9);
  r.FillRect(IPattern::Linear(0, 0, 37, 0, IColor(10, 255, 0, 0), IColor(240, 0, 0, 255)),
             IRect(20, 2, 36, 20));
  const std::vector<uint8_t> png = r.Frame().EncodePng();
  ASSERT_GT(png.size(), 8u);
  const IPixmap back = IPixmap::Decode(png.data(), png.size());
  ASSERT_EQ(back.Width(), 37);
  ASSERT_EQ(back.Height(), 23);
  EXPECT_EQ(rtest::Hash(back), rtest::Hash(r.Frame()));

  // Straight-alpha read-back of a premultiplied pixel.
  uint8_t a, cr, cg, cb;
  back.GetStraight(15, 11, a, cr, cg, cb);
  EXPECT_EQ(a, 200);
  EXPECT_NEAR(cr, 30, 1);
  EXPECT_NEAR(cg, 160, 1);
  EXPECT_NEAR(cb, 250, 1);
  back.GetStraight(-1, 5, a, cr, cg, cb);
  EXPECT_EQ(a, 0);
}

TEST(RenderImage, FilesAndBadData)
{
  const IPixmap src = Checker();
  const std::string path = testing::TempDir() + "render_image_test.png";
  ASSERT_TRUE(src.WritePng(path));
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF)
    bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  std::remove(path.c_str());
  const IPixmap back = IPixmap::Decode(bytes.data(), bytes.size());
  EXPECT_EQ(rtest::Hash(back), rtest::Hash(src));

  EXPECT_FALSE(src.WritePng(testing::TempDir() + "no/such/dir/x.png"));
  EXPECT_TRUE(IPixmap().EncodePng().empty());
  EXPECT_TRUE(IPixmap::Decode(nullptr, 10).Empty());
  EXPECT_TRUE(IPixmap::Decode(bytes.data(), 0).Empty());
  for (size_t cut : {size_t(4), size_t(20), bytes.size() / 2, bytes.size() - 5})
  {
    EXPECT_TRUE(IPixmap::Decode(bytes.data(), cut).Empty()) << cut;
  }
  std::vector<uint8_t> garbage(bytes.size(), 0x5A);
  EXPECT_TRUE(IPixmap::Decode(garbage.data(), garbage.size()).Empty());
  // A header that claims an enormous image is refused before decoding.
  std::vector<uint8_t> huge = bytes;
  huge[16] = 0x00;
  huge[17] = 0x01;
  huge[18] = 0x00;
  huge[19] = 0x00; // width 65536
  EXPECT_TRUE(IPixmap::Decode(huge.data(), huge.size()).Empty());
}

TEST(RenderImage, BitmapIsScaledIntoTheRectangle)
{
  IBitmap bmp(Checker(), 1, 1, "checker");
  ASSERT_TRUE(bmp.IsValid());
  IRenderer r;
  r.SetFrameSize(40, 40);
  r.DrawBitmap(bmp, IRect(10, 10, 30, 30));
  // Quadrant centres show the source pixels; outside the rectangle nothing is drawn.
  EXPECT_EQ(At(r, 13, 13).r, 255);
  EXPECT_EQ(At(r, 13, 13).g, 0);
  EXPECT_EQ(At(r, 26, 13).g, 255);
  EXPECT_EQ(At(r, 13, 26).b, 255);
  EXPECT_NEAR(At(r, 26, 26).a, 128, 1);
  EXPECT_EQ(At(r, 9, 13).a, 0);
  EXPECT_EQ(At(r, 30, 13).a, 0);
  EXPECT_EQ(At(r, 29, 13).a, 255);
  EXPECT_EQ(At(r, 20, 9).a, 0);
  // Between quadrants the colours are filtered, not snapped.
  const rtest::Px mid = At(r, 19, 13);
  EXPECT_GT(mid.r, 100);
  EXPECT_GT(mid.g, 60);

  IRenderer w;
  w.SetFrameSize(40, 40);
  w.DrawBitmap(bmp, IRect(10, 10, 30, 30), 0, 0.5f);
  EXPECT_NEAR(At(w, 13, 13).r, 128, 1);
  w.DrawBitmap(bmp, IRect(30, 30, 10, 10)); // inverted rectangle: nothing
  w.DrawBitmap(IBitmap(), IRect(0, 0, 40, 40));
  EXPECT_EQ(At(w, 35, 35).a, 0);
}

TEST(RenderImage, FramesAreStackedVertically)
{
  IBitmap strip(Checker(), 2, 1, "strip"); // frame 0 = top row, frame 1 = bottom row
  EXPECT_EQ(strip.Frames(), 2);
  IRenderer r;
  r.SetFrameSize(20, 10);
  r.DrawBitmap(strip, IRect(0, 0, 20, 10), 1);
  EXPECT_EQ(At(r, 3, 5).b, 255);
  EXPECT_EQ(At(r, 3, 5).r, 0);
  r.DrawBitmap(strip, IRect(0, 0, 20, 10), 99); // clamped to the last frame
  EXPECT_EQ(At(r, 3, 5).b, 255);
  EXPECT_EQ(IBitmap(Checker(), 50, 1, "x").Frames(), 2); // never more frames than rows
}

} // namespace
