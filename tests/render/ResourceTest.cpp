// Embedded resources and the lookup of bitmap variants by display scale.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/IRenderer.h"
#include "render/IResourceSearch.h"
#include "resources/QuellorResources.h"

using namespace plugfw::ui;

namespace {

TEST(Resources, FontAndLogoAreEmbeddedAndMissingNamesAreNot)
{
  const uint8_t* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(FindQuellorResource("Roboto-Regular.ttf", data, size));
  ASSERT_GT(size, 100000u);
  EXPECT_EQ(data[0], 0x00); // TrueType outline tag 00 01 00 00
  EXPECT_EQ(data[1], 0x01);
  ASSERT_TRUE(FindQuellorResource("Quellor.png", data, size));
  ASSERT_GT(size, 8u);
  EXPECT_EQ(data[1], 'P');
  EXPECT_EQ(data[2], 'N');
  const IPixmap logo = IPixmap::Decode(data, size);
  EXPECT_GT(logo.Width(), 1);
  EXPECT_GT(logo.Height(), 1);
  ASSERT_TRUE(FindQuellorResource("Quellor@2x.png", data, size));
  const IPixmap logo2 = IPixmap::Decode(data, size);
  EXPECT_EQ(logo2.Width(), 2 * logo.Width());
  EXPECT_EQ(logo2.Height(), 2 * logo.Height());

  const uint8_t* untouched = reinterpret_cast<const uint8_t*>(&size);
  const uint8_t* d2 = untouched;
  size_t s2 = 77;
  for (const char* missing :
       {"", "Missing.png", "quellor.png", "Roboto-Regular", "Quellor@3x.png", "Quellor.png "})
  {
    EXPECT_FALSE(FindQuellorResource(missing, d2, s2)) << missing;
  }
  EXPECT_EQ(d2, untouched);
  EXPECT_EQ(s2, 77u);
}

TEST(Resources, ScaledNames)
{
  EXPECT_EQ(ScaledResourceName("Quellor.png", 1), "Quellor.png");
  EXPECT_EQ(ScaledResourceName("Quellor.png", 2), "Quellor@2x.png");
  EXPECT_EQ(ScaledResourceName("a.b.png", 3), "a.b@3x.png");
  EXPECT_EQ(ScaledResourceName("noext", 2), "noext@2x");
  EXPECT_EQ(ScaledResourceName("dir.v/img", 2), "dir.v/img@2x");
  EXPECT_EQ(ScaledResourceName("x.png", 0), "x.png");
}

TEST(Resources, ScaleSearchOrder)
{
  EXPECT_EQ(BitmapScaleSearchOrder(1), (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(BitmapScaleSearchOrder(2), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(BitmapScaleSearchOrder(3), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(BitmapScaleSearchOrder(4), (std::vector<int>{4, 3, 2, 1}));
  EXPECT_EQ(BitmapScaleSearchOrder(0), (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(BitmapScaleSearchOrder(-7), (std::vector<int>{1, 3, 2}));

  // The finder sees the candidate names in that order and the first hit wins.
  std::vector<std::string> asked;
  static const uint8_t kByte = 1;
  IResourceFinder finder = [&](std::string_view name, const uint8_t*& data, size_t& size) {
    asked.emplace_back(name);
    if (name != "logo@3x.png" && name != "logo.png")
      return false;
    data = &kByte;
    size = 1;
    return true;
  };
  IResourceHit hit = FindBitmapResource(finder, "logo.png", 2);
  EXPECT_EQ(asked, (std::vector<std::string>{"logo@2x.png", "logo@3x.png"}));
  EXPECT_EQ(hit.scale, 3);
  EXPECT_EQ(hit.name, "logo@3x.png");
  asked.clear();
  hit = FindBitmapResource(finder, "other.png", 1);
  EXPECT_EQ(asked, (std::vector<std::string>{"other.png", "other@3x.png", "other@2x.png"}));
  EXPECT_EQ(hit.scale, 0);
  EXPECT_EQ(hit.data, nullptr);
  EXPECT_EQ(FindBitmapResource(IResourceFinder(), "logo.png", 1).data, nullptr);
}

TEST(Resources, RendererLoadsTheVariantForItsScale)
{
  IRenderer r;
  IBitmap one = r.LoadBitmap(FindQuellorResource, "Quellor.png");
  ASSERT_TRUE(one.IsValid());
  EXPECT_EQ(one.Scale(), 1);
  EXPECT_EQ(one.Name(), "Quellor.png");
  r.SetScale(1.f, 2.f);
  IBitmap two = r.LoadBitmap(FindQuellorResource, "Quellor.png");
  ASSERT_TRUE(two.IsValid());
  EXPECT_EQ(two.Scale(), 2);
  EXPECT_EQ(two.Width(), 2 * one.Width());
  r.SetScale(3.f, 1.f); // no @3x: falls back to @2x
  EXPECT_EQ(r.LoadBitmap(FindQuellorResource, "Quellor.png").Name(), "Quellor@2x.png");
  EXPECT_FALSE(r.LoadBitmap(FindQuellorResource, "Absent.png").IsValid());
  // A resource that is not an image gives an invalid bitmap, not a crash.
  EXPECT_FALSE(r.LoadBitmap(FindQuellorResource, "Roboto-Regular.ttf").IsValid());
}

} // namespace
