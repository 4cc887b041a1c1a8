// Shared set-up of the module tests: the bundle is loaded once per test program, each test gets
// a fresh instance with its own host context and component handler.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/host/ComponentHandler.h"
#include "tools/host/HostObjects.h"
#include "tools/host/MemoryStream.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "tools/host/ProcessObjects.h"
#include "vst3api/Vst3Api.h"

namespace moduletest {

// The class id's text form, the same on every platform.
constexpr const char* kQuellorClassIdText = "F2AEE70D00DE4F4E56616E55516C7278";
extern const Steinberg::FUID kQuellorClassId;
constexpr Steinberg::Vst::ParamID kBypassId = 65536;
constexpr int kNumParams = 10;
enum
{
  kSensitivity,
  kAutoCut,
  kAutoWidth,
  kMasterTrim,
  kMasterWidth,
  kHushen,
  kDrytail,
  kGain,
  kHold,
  kBypassParam
};

// The module loaded by the test environment (null if loading failed).
qhost::Module* loadedModule();

// A deterministic stereo test signal: a ringing tone that builds up, speech-like noise bursts and
// a low hum; every sample is exactly representable as a float.
std::vector<std::vector<double>> makeSignal(int channels, int frames, double sampleRate,
                                            unsigned seed = 1);

class PluginTest : public ::testing::Test
{
protected:
  void SetUp() override;
  void TearDown() override;

  // Creates a host context with this application name and initialises the instance with it.
  Steinberg::tresult initialize(const std::u16string& hostName = u"Quellor Module Test");
  // initialise, handler, arrangement, buses, setup, start.
  void prepare(Steinberg::int32 sampleSize, double rate = 48000., Steinberg::int32 maxBlock = 512,
               Steinberg::Vst::SpeakerArrangement arr = Steinberg::Vst::SpeakerArr::kStereo);

  // Processes a whole signal in blocks of `block` samples; returns the output (doubles, from
  // floats in 32-bit mode). Parameter changes, when given, go with the first block only.
  std::vector<std::vector<double>> run(const std::vector<std::vector<double>>& input, int block,
                                       qhost::ParameterChanges* firstBlockChanges = nullptr);

  // Plain value of a parameter as the controller reports it.
  double plainValue(Steinberg::Vst::ParamID id);

  qhost::PluginInstance plug;
  Steinberg::IPtr<qhost::HostApplication> host;
  Steinberg::IPtr<qhost::ComponentHandler> handler;
  Steinberg::int32 sampleSize = Steinberg::Vst::kSample32;
};

std::string utf8(const Steinberg::char16* s, size_t max = 128);

} // namespace moduletest
