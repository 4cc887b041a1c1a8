#include "vst3api/base/PluginBase.h"

#include <cstring>

namespace Steinberg {

void copyFixedString(char8* dst, int32 size, const char8* src)
{
  if (!dst || size <= 0)
    return;
  std::memset(dst, 0, static_cast<size_t>(size));
  if (!src)
    return;
  for (int32 i = 0; i < size - 1 && src[i] != 0; ++i)
    dst[i] = src[i];
}

void copyFixedString(char16* dst, int32 size, const char16* src)
{
  if (!dst || size <= 0)
    return;
  std::memset(dst, 0, static_cast<size_t>(size) * sizeof(char16));
  if (!src)
    return;
  for (int32 i = 0; i < size - 1 && src[i] != 0; ++i)
    dst[i] = src[i];
}

void PFactoryInfo::clear()
{
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

PClassInfo::PClassInfo(const TUID classId, int32 classCardinality, const char8* categoryText,
                       const char8* nameText)
{
  clear();
  if (classId)
    std::memcpy(cid, classId, sizeof(TUID));
  cardinality = classCardinality;
  copyFixedString(category, kCategorySize, categoryText);
  copyFixedString(name, kNameSize, nameText);
}

void PClassInfo::clear()
{
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

PClassInfo2::PClassInfo2(const TUID classId, int32 classCardinality, const char8* categoryText,
                         const char8* nameText, int32 flags, const char8* subCategoriesText,
                         const char8* vendorText, const char8* versionText,
                         const char8* sdkVersionText)
{
  clear();
  if (classId)
    std::memcpy(cid, classId, sizeof(TUID));
  cardinality = classCardinality;
  copyFixedString(category, kCategorySize, categoryText);
  copyFixedString(name, kNameSize, nameText);
  classFlags = static_cast<uint32>(flags);
  copyFixedString(subCategories, kSubCategoriesSize, subCategoriesText);
  copyFixedString(vendor, kVendorSize, vendorText);
  copyFixedString(version, kVersionSize, versionText);
  copyFixedString(sdkVersion, kVersionSize, sdkVersionText);
}

void PClassInfo2::clear()
{
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

void PClassInfoW::clear()
{
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

namespace {
template <int N, int M>
void widen(char16 (&dst)[N], const char8 (&src)[M])
{
  static_assert(N == M);
  for (int i = 0; i < N; ++i)
    dst[i] = static_cast<char16>(static_cast<uint8>(src[i]));
  dst[N - 1] = 0;
}
} // namespace

void PClassInfoW::fromAscii(const PClassInfo2& ci2)
{
  std::memcpy(cid, ci2.cid, sizeof(TUID));
  cardinality = ci2.cardinality;
  std::memcpy(category, ci2.category, sizeof(category));
  widen(name, ci2.name);
  classFlags = ci2.classFlags;
  std::memcpy(subCategories, ci2.subCategories, sizeof(subCategories));
  widen(vendor, ci2.vendor);
  widen(version, ci2.version);
  widen(sdkVersion, ci2.sdkVersion);
}

} // namespace Steinberg
