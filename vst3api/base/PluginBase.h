// IPluginBase, the class factories and their information records.
#pragma once

#include "vst3api/base/FUnknown.h"

namespace Steinberg {

class IBStream;

class IPluginBase : public FUnknown
{
public:
  virtual tresult PLUGIN_API initialize(FUnknown* context) = 0;
  virtual tresult PLUGIN_API terminate() = 0;

  static constexpr FUID iid{0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625};
};

// Copies text into a fixed field: zero-filled, cut so that the last byte stays zero.
void copyFixedString(char8* dst, int32 size, const char8* src);
void copyFixedString(char16* dst, int32 size, const char16* src);

struct PFactoryInfo
{
  enum FactoryFlags : int32
  {
    kNoFlags = 0,
    kClassesDiscardable = 1 << 0,
    kLicenseCheck = 1 << 1,
    kComponentNonDiscardable = 1 << 3,
    kUnicode = 1 << 4,
  };
  enum
  {
    kURLSize = 256,
    kEmailSize = 128,
    kNameSize = 64
  };

  char8 vendor[kNameSize];
  char8 url[kURLSize];
  char8 email[kEmailSize];
  int32 flags;

  PFactoryInfo() { clear(); }
  // Strings are always UTF-16 in this layer's factories, so kUnicode is always added.
  PFactoryInfo(const char8* vendorName, const char8* urlText, const char8* emailText,
               int32 factoryFlags)
  {
    clear();
    copyFixedString(vendor, kNameSize, vendorName);
    copyFixedString(url, kURLSize, urlText);
    copyFixedString(email, kEmailSize, emailText);
    flags = factoryFlags | kUnicode;
  }
  void clear();
};

struct PClassInfo
{
  enum ClassCardinality
  {
    kManyInstances = 0x7FFFFFFF
  };
  enum
  {
    kCategorySize = 32,
    kNameSize = 64
  };

  TUID cid;
  int32 cardinality;
  char8 category[kCategorySize];
  char8 name[kNameSize];

  PClassInfo() { clear(); }
  PClassInfo(const TUID classId, int32 classCardinality, const char8* categoryText,
             const char8* nameText);
  void clear();
};

namespace Vst {
enum ComponentFlags : uint32
{
  kDistributable = 1 << 0,
  kSimpleModeSupported = 1 << 1
};
}

struct PClassInfo2
{
  enum
  {
    kCategorySize = 32,
    kNameSize = 64,
    kSubCategoriesSize = 128,
    kVendorSize = 64,
    kVersionSize = 64
  };

  TUID cid;
  int32 cardinality;
  char8 category[kCategorySize];
  char8 name[kNameSize];
  uint32 classFlags;
  char8 subCategories[kSubCategoriesSize];
  char8 vendor[kVendorSize];
  char8 version[kVersionSize];
  char8 sdkVersion[kVersionSize];

  PClassInfo2() { clear(); }
  PClassInfo2(const TUID classId, int32 classCardinality, const char8* categoryText,
              const char8* nameText, int32 flags, const char8* subCategoriesText,
              const char8* vendorText, const char8* versionText, const char8* sdkVersionText);
  void clear();
};

struct PClassInfoW
{
  enum
  {
    kCategorySize = 32,
    kNameSize = 64,
    kSubCategoriesSize = 128,
    kVendorSize = 64,
    kVersionSize = 64
  };

  TUID cid;
  int32 cardinality;
  char8 category[kCategorySize];
  char16 name[kNameSize];
  uint32 classFlags;
  char8 subCategories[kSubCategoriesSize];
  char16 vendor[kVendorSize];
  char16 version[kVersionSize];
  char16 sdkVersion[kVersionSize];

  PClassInfoW() { clear(); }
  void clear();
  // Widens each byte to one UTF-16 unit (ASCII survives; other bytes are not decoded).
  void fromAscii(const PClassInfo2& ci2);
};

class IPluginFactory : public FUnknown
{
public:
  virtual tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32 PLUGIN_API countClasses() = 0;
  virtual tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) = 0;
  // cid and _iid point at raw 16-byte ids, not at strings.
  virtual tresult PLUGIN_API createInstance(FIDString cid, FIDString _iid, void** obj) = 0;

  static constexpr FUID iid{0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F};
};

class IPluginFactory2 : public IPluginFactory
{
public:
  virtual tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) = 0;

  static constexpr FUID iid{0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB};
};

class IPluginFactory3 : public IPluginFactory2
{
public:
  virtual tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
  virtual tresult PLUGIN_API setHostContext(FUnknown* context) = 0;

  static constexpr FUID iid{0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931};
};

class IPluginCompatibility : public FUnknown
{
public:
  virtual tresult PLUGIN_API getCompatibilityJSON(IBStream* stream) = 0;

  static constexpr FUID iid{0x4AFD4B6A, 0x35D7C240, 0xA5C31414, 0xFB7D15E6};
};

static constexpr const char8* kPluginCompatibilityClass = "Plugin Compatibility Class";

} // namespace Steinberg
