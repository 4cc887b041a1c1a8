// Compile-time checks of the binary layout the hosts rely on. Any mismatch stops the build.
#include <cstddef>
#include <type_traits>

#include "vst3api/Vst3Api.h"

namespace Steinberg {
namespace {

using namespace Vst;

static_assert(sizeof(int8) == 1 && sizeof(TBool) == 1 && sizeof(char16) == 2 &&
              sizeof(tresult) == 4);
static_assert(sizeof(TUID) == 16 && sizeof(TSize) == 8 && sizeof(TPtrInt) == 8);
static_assert(std::is_same_v<char16, char16_t> && std::is_same_v<int8, char>);
static_assert(sizeof(String128) == 256 && sizeof(ParamValue) == 8 && sizeof(ParamID) == 4);
static_assert(sizeof(SpeakerArrangement) == 8 && sizeof(CtrlNumber) == 2);
static_assert(kResultOk == 0 && kResultTrue == 0 && kResultFalse == 1);
#if COM_COMPATIBLE
static_assert(kNoInterface == static_cast<int32>(0x80004002u) && kNotImplemented == -2147467263 &&
              kInvalidArgument == -2147024809 && kInternalError == -2147467259 &&
              kNotInitialized == -2147418113 && kOutOfMemory == -2147024882);
#else
static_assert(kNoInterface == -1 && kInvalidArgument == 2 && kNotImplemented == 3 &&
              kInternalError == 4 && kNotInitialized == 5 && kOutOfMemory == 6);
#endif

// An interface is a bare vtable pointer.
static_assert(sizeof(FUnknown) == 8 && sizeof(IComponent) == 8 && sizeof(IAudioProcessor) == 8);
static_assert(sizeof(IEditController) == 8 && sizeof(IPluginFactory3) == 8 &&
              sizeof(IPlugView) == 8);

#define CHECK_LAYOUT(T, size, align) static_assert(sizeof(T) == (size) && alignof(T) == (align), #T)
#define CHECK_OFFSET(T, field, off) static_assert(offsetof(T, field) == (off), #T "::" #field)

// offsetof on the types with constructors is conditionally supported; GCC handles it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

CHECK_LAYOUT(PFactoryInfo, 452, 4);
CHECK_OFFSET(PFactoryInfo, url, 64);
CHECK_OFFSET(PFactoryInfo, email, 320);
CHECK_OFFSET(PFactoryInfo, flags, 448);

CHECK_LAYOUT(PClassInfo, 116, 4);
CHECK_OFFSET(PClassInfo, cardinality, 16);
CHECK_OFFSET(PClassInfo, category, 20);
CHECK_OFFSET(PClassInfo, name, 52);

CHECK_LAYOUT(PClassInfo2, 440, 4);
CHECK_OFFSET(PClassInfo2, classFlags, 116);
CHECK_OFFSET(PClassInfo2, subCategories, 120);
CHECK_OFFSET(PClassInfo2, vendor, 248);
CHECK_OFFSET(PClassInfo2, version, 312);
CHECK_OFFSET(PClassInfo2, sdkVersion, 376);

CHECK_LAYOUT(PClassInfoW, 696, 4);
CHECK_OFFSET(PClassInfoW, category, 20);
CHECK_OFFSET(PClassInfoW, name, 52);
CHECK_OFFSET(PClassInfoW, classFlags, 180);
CHECK_OFFSET(PClassInfoW, subCategories, 184);
CHECK_OFFSET(PClassInfoW, vendor, 312);
CHECK_OFFSET(PClassInfoW, version, 440);
CHECK_OFFSET(PClassInfoW, sdkVersion, 568);

CHECK_LAYOUT(BusInfo, 276, 4);
CHECK_OFFSET(BusInfo, direction, 4);
CHECK_OFFSET(BusInfo, channelCount, 8);
CHECK_OFFSET(BusInfo, name, 12);
CHECK_OFFSET(BusInfo, busType, 268);
CHECK_OFFSET(BusInfo, flags, 272);
CHECK_LAYOUT(RoutingInfo, 12, 4);

CHECK_LAYOUT(ProcessSetup, 24, 8);
CHECK_OFFSET(ProcessSetup, maxSamplesPerBlock, 8);
CHECK_OFFSET(ProcessSetup, sampleRate, 16);

CHECK_LAYOUT(AudioBusBuffers, 24, 8);
CHECK_OFFSET(AudioBusBuffers, silenceFlags, 8);
CHECK_OFFSET(AudioBusBuffers, channelBuffers32, 16);
CHECK_OFFSET(AudioBusBuffers, channelBuffers64, 16);

CHECK_LAYOUT(ProcessData, 80, 8);
CHECK_OFFSET(ProcessData, numSamples, 8);
CHECK_OFFSET(ProcessData, numInputs, 12);
CHECK_OFFSET(ProcessData, numOutputs, 16);
CHECK_OFFSET(ProcessData, inputs, 24);
CHECK_OFFSET(ProcessData, outputs, 32);
CHECK_OFFSET(ProcessData, inputParameterChanges, 40);
CHECK_OFFSET(ProcessData, outputParameterChanges, 48);
CHECK_OFFSET(ProcessData, inputEvents, 56);
CHECK_OFFSET(ProcessData, outputEvents, 64);
CHECK_OFFSET(ProcessData, processContext, 72);

CHECK_LAYOUT(ProcessContext, 112, 8);
CHECK_OFFSET(ProcessContext, sampleRate, 8);
CHECK_OFFSET(ProcessContext, projectTimeSamples, 16);
CHECK_OFFSET(ProcessContext, systemTime, 24);
CHECK_OFFSET(ProcessContext, continousTimeSamples, 32);
CHECK_OFFSET(ProcessContext, projectTimeMusic, 40);
CHECK_OFFSET(ProcessContext, barPositionMusic, 48);
CHECK_OFFSET(ProcessContext, cycleStartMusic, 56);
CHECK_OFFSET(ProcessContext, cycleEndMusic, 64);
CHECK_OFFSET(ProcessContext, tempo, 72);
CHECK_OFFSET(ProcessContext, timeSigNumerator, 80);
CHECK_OFFSET(ProcessContext, timeSigDenominator, 84);
CHECK_OFFSET(ProcessContext, chord, 88);
CHECK_OFFSET(ProcessContext, smpteOffsetSubframes, 92);
CHECK_OFFSET(ProcessContext, frameRate, 96);
CHECK_OFFSET(ProcessContext, samplesToNextClock, 104);
CHECK_LAYOUT(Chord, 4, 2);
CHECK_LAYOUT(FrameRate, 8, 4);

CHECK_LAYOUT(ParameterInfo, 792, 8);
CHECK_OFFSET(ParameterInfo, title, 4);
CHECK_OFFSET(ParameterInfo, shortTitle, 260);
CHECK_OFFSET(ParameterInfo, units, 516);
CHECK_OFFSET(ParameterInfo, stepCount, 772);
CHECK_OFFSET(ParameterInfo, defaultNormalizedValue, 776);
CHECK_OFFSET(ParameterInfo, unitId, 784);
CHECK_OFFSET(ParameterInfo, flags, 788);

CHECK_LAYOUT(UnitInfo, 268, 4);
CHECK_OFFSET(UnitInfo, name, 8);
CHECK_OFFSET(UnitInfo, programListId, 264);
CHECK_LAYOUT(ProgramListInfo, 264, 4);
CHECK_OFFSET(ProgramListInfo, programCount, 260);
CHECK_LAYOUT(IContextMenuItem, 264, 4);
CHECK_OFFSET(IContextMenuItem, tag, 256);
CHECK_OFFSET(IContextMenuItem, flags, 260);
CHECK_LAYOUT(ViewRect, 16, 4);
CHECK_LAYOUT(KeyCode, 4, 2);

CHECK_LAYOUT(Event, 48, 8);
CHECK_OFFSET(Event, sampleOffset, 4);
CHECK_OFFSET(Event, ppqPosition, 8);
CHECK_OFFSET(Event, flags, 16);
CHECK_OFFSET(Event, type, 18);
CHECK_OFFSET(Event, noteOn, 24);
CHECK_OFFSET(Event, midiCCOut, 24);
CHECK_LAYOUT(NoteOnEvent, 20, 4);
CHECK_OFFSET(NoteOnEvent, tuning, 4);
CHECK_OFFSET(NoteOnEvent, noteId, 16);
CHECK_LAYOUT(NoteOffEvent, 16, 4);
CHECK_OFFSET(NoteOffEvent, tuning, 12);
CHECK_LAYOUT(DataEvent, 16, 8);
CHECK_OFFSET(DataEvent, bytes, 8);
CHECK_LAYOUT(PolyPressureEvent, 12, 4);
CHECK_LAYOUT(NoteExpressionValueEvent, 16, 8);
CHECK_LAYOUT(NoteExpressionTextEvent, 24, 8);
CHECK_OFFSET(NoteExpressionTextEvent, text, 16);
CHECK_LAYOUT(ChordEvent, 16, 8);
CHECK_OFFSET(ChordEvent, textLen, 6);
CHECK_LAYOUT(ScaleEvent, 16, 8);
CHECK_OFFSET(ScaleEvent, text, 8);
CHECK_LAYOUT(LegacyMIDICCOutEvent, 4, 1);

#pragma GCC diagnostic pop

// Constants hosts and plug-ins exchange as numbers.
static_assert(SpeakerArr::kMono == 0x80000 && SpeakerArr::kStereo == 0x3 &&
              SpeakerArr::k51 == 0x3F);
static_assert(SpeakerArr::k71Music == 0x63F && SpeakerArr::k71Cine == 0xFF &&
              SpeakerArr::k61Cine == 0x13F);
static_assert(kSpeakerLw == (1ull << 59) && kSpeakerBrr == (1ull << 37) &&
              kSpeakerPl == (1ull << 31));
static_assert(kLatencyChanged == 8 && kParamTitlesChanged == 16 && kParamIDMappingChanged == 2048);
static_assert(ParameterInfo::kIsBypass == 0x10000 && ParameterInfo::kIsProgramChange == 0x8000);
static_assert((ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass) ==
              0x10009);
static_assert(IContextMenuItem::kIsGroupStart == 10 && IContextMenuItem::kIsGroupEnd == 17);
static_assert(PFactoryInfo::kUnicode == 16 && kSimpleModeSupported == 2 &&
              PClassInfo::kManyInstances == 0x7FFFFFFF);
static_assert(IProcessContextRequirements::kNeedTransportState == 1024 &&
              ProcessContext::kChordValid == 0x40000);
static_assert(KEY_HELP == 23 && KEY_NUMPAD9 == 33 && KEY_F12 == 51 && KEY_ALT == 56 &&
              KEY_F13 == 65 && KEY_SUPER == 77);
static_assert(kPitchBend == 129 && kCtrlProgramChange == 130 && kCtrlPolyPressure == 131);
static_assert(Event::kLegacyMIDICCOutEvent == 65535 && kInfiniteTail == 0xFFFFFFFFu);

// Interface id bytes, checked against the platform's byte order.
constexpr bool sameBytes(const FUID& id, const unsigned char (&bytes)[16])
{
  for (int i = 0; i < 16; ++i)
    if (static_cast<unsigned char>(id.data[i]) != bytes[i])
      return false;
  return true;
}
#if COM_COMPATIBLE
static_assert(sameBytes(IComponent::iid, {0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43, 0x92,
                                          0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02}));
#else
static_assert(sameBytes(IComponent::iid, {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01, 0x92,
                                          0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02}));
#endif
static_assert(sameBytes(FUnknown::iid, {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}));

} // namespace
} // namespace Steinberg
