// Basic types, platform switches and result codes of the VST 3 binary interface.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define SMTG_OS_WINDOWS 1
#define SMTG_OS_LINUX 0
#define COM_COMPATIBLE 1
#define PLUGIN_API __stdcall
#define SMTG_EXPORT_SYMBOL __declspec(dllexport)
#elif defined(__linux__) || defined(__gnu_linux__)
#define SMTG_OS_WINDOWS 0
#define SMTG_OS_LINUX 1
#define COM_COMPATIBLE 0
#define PLUGIN_API
#define SMTG_EXPORT_SYMBOL __attribute__((visibility("default")))
#else
#error "vst3api supports Windows x64 and Linux x86_64 only"
#endif

#if defined(_WIN64) || defined(__LP64__)
#define SMTG_PLATFORM_64 1
#else
#error "vst3api supports 64-bit targets only"
#endif

namespace Steinberg {

using int8 = char;
using uint8 = std::uint8_t;
using uchar = unsigned char;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using TSize = int64;
using tresult = int32;
using TBool = uint8;
using TPtrInt = uint64;
using char8 = char;
using char16 = char16_t;
using tchar = char16;
using CStringA = const char8*;
using CStringW = const char16*;
using CString = const tchar*;
using FIDString = const char8*;
using UCoord = int32;
using TUID = char[16];
using LARGE_INT = int64;

static constexpr int32 kMaxInt32 = INT32_MAX;
static constexpr int32 kMinInt32 = INT32_MIN;
static constexpr uint32 kMaxInt32u = UINT32_MAX;
static constexpr int64 kMaxInt64 = INT64_MAX;
static constexpr int64 kMinInt64 = INT64_MIN;
static constexpr uint64 kMaxInt64u = UINT64_MAX;
static constexpr UCoord kMaxCoord = 0x7FFFFFFF;
static constexpr UCoord kMinCoord = -0x7FFFFFFF;

#if SMTG_OS_WINDOWS
static constexpr const char8* kPlatformString = "WIN";
#else
static constexpr const char8* kPlatformString = "Linux";
#endif

// Windows hosts compare against the COM HRESULT values; elsewhere the codes are a small enum.
#if COM_COMPATIBLE
enum : int32
{
  kNoInterface = static_cast<int32>(0x80004002u),
  kResultOk = 0,
  kResultTrue = kResultOk,
  kResultFalse = 1,
  kInvalidArgument = static_cast<int32>(0x80070057u),
  kNotImplemented = static_cast<int32>(0x80004001u),
  kInternalError = static_cast<int32>(0x80004005u),
  kNotInitialized = static_cast<int32>(0x8000FFFFu),
  kOutOfMemory = static_cast<int32>(0x8007000Eu),
};
#else
enum : int32
{
  kNoInterface = -1,
  kResultOk = 0,
  kResultTrue = kResultOk,
  kResultFalse = 1,
  kInvalidArgument = 2,
  kNotImplemented = 3,
  kInternalError = 4,
  kNotInitialized = 5,
  kOutOfMemory = 6,
};
#endif

} // namespace Steinberg
