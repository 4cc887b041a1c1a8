// Basic types of the Steinberg::Vst namespace.
#pragma once

#include "vst3api/base/FUnknown.h"

namespace Steinberg {
namespace Vst {

using TChar = char16;
using String128 = TChar[128];
using CString = const char8*; // 8-bit, unlike Steinberg::CString

using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;
using ProgramListID = int32;
using ParamValue = double;
using ParamID = uint32;
using CtrlNumber = int16;
using TQuarterNotes = double;
using TSamples = int64;
using ColorSpec = uint32;
using Sample32 = float;
using Sample64 = double;
using SampleRate = double;
using SpeakerArrangement = uint64;
using Speaker = uint64;
using KnobMode = int32;
using NoteExpressionTypeID = uint32;
using NoteExpressionValue = double;
using KeyswitchTypeID = uint32;
using PrefetchableSupport = uint32;

static constexpr ParamID kNoParamId = 0xFFFFFFFF;
static constexpr ParamID kMinParamId = 0;
static constexpr ParamID kMaxParamId = 0x7FFFFFFF;

static constexpr UnitID kRootUnitId = 0;
static constexpr UnitID kNoParentUnitId = -1;
static constexpr ProgramListID kNoProgramListId = -1;
static constexpr int32 kAllProgramInvalid = -1;

static constexpr const char8* kVstVersionString = "VST 3.7.14";
static constexpr int32 kVstVersionMajor = 3;
static constexpr int32 kVstVersionMinor = 7;
static constexpr int32 kVstVersionSub = 14;

} // namespace Vst
} // namespace Steinberg
