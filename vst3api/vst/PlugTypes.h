// Class categories and sub-category strings written into the factory's class records.
#pragma once

#include "vst3api/vst/VstTypes.h"

namespace Steinberg {
namespace Vst {

static constexpr const char8* kVstAudioEffectClass = "Audio Module Class";
static constexpr const char8* kVstComponentControllerClass = "Component Controller Class";

static constexpr int32 kDefaultFactoryFlags = 1 << 4; // PFactoryInfo::kUnicode

namespace PlugType {
static constexpr CString kFx = "Fx";
static constexpr CString kFxAnalyzer = "Fx|Analyzer";
static constexpr CString kFxBass = "Fx|Bass";
static constexpr CString kFxChannelStrip = "Fx|Channel Strip";
static constexpr CString kFxDelay = "Fx|Delay";
static constexpr CString kFxDistortion = "Fx|Distortion";
static constexpr CString kFxDrums = "Fx|Drums";
static constexpr CString kFxDynamics = "Fx|Dynamics";
static constexpr CString kFxEQ = "Fx|EQ";
static constexpr CString kFxFilter = "Fx|Filter";
static constexpr CString kFxGenerator = "Fx|Generator";
static constexpr CString kFxGuitar = "Fx|Guitar";
static constexpr CString kFxInstrument = "Fx|Instrument";
static constexpr CString kFxInstrumentExternal = "Fx|Instrument|External";
static constexpr CString kFxMastering = "Fx|Mastering";
static constexpr CString kFxMicrophone = "Fx|Microphone";
static constexpr CString kFxModulation = "Fx|Modulation";
static constexpr CString kFxNetwork = "Fx|Network";
static constexpr CString kFxPitchShift = "Fx|Pitch Shift";
static constexpr CString kFxRestoration = "Fx|Restoration";
static constexpr CString kFxReverb = "Fx|Reverb";
static constexpr CString kFxSpatial = "Fx|Spatial";
static constexpr CString kFxSurround = "Fx|Surround";
static constexpr CString kFxTools = "Fx|Tools";
static constexpr CString kFxVocals = "Fx|Vocals";
static constexpr CString kInstrument = "Instrument";
static constexpr CString kInstrumentDrum = "Instrument|Drum";
static constexpr CString kInstrumentExternal = "Instrument|External";
static constexpr CString kInstrumentPiano = "Instrument|Piano";
static constexpr CString kInstrumentSampler = "Instrument|Sampler";
static constexpr CString kInstrumentSynth = "Instrument|Synth";
static constexpr CString kInstrumentSynthSampler = "Instrument|Synth|Sampler";
static constexpr CString kAmbisonics = "Ambisonics";
static constexpr CString kAnalyzer = "Analyzer";
static constexpr CString kNoOfflineProcess = "NoOfflineProcess";
static constexpr CString kOnlyARA = "OnlyARA";
static constexpr CString kOnlyOfflineProcess = "OnlyOfflineProcess";
static constexpr CString kOnlyRealTime = "OnlyRT";
static constexpr CString kSpatial = "Spatial";
static constexpr CString kSpatialFx = "Spatial|Fx";
static constexpr CString kUpDownMix = "Up-Downmix";
static constexpr CString kMono = "Mono";
static constexpr CString kStereo = "Stereo";
static constexpr CString kSurround = "Surround";
} // namespace PlugType

} // namespace Vst
} // namespace Steinberg
