#pragma once
// The host's view of one IParam, and the binding's own bypass parameter.

#include "plugin/IParam.h"
#include "vst3api/sdk/Parameter.h"

namespace plugfw {

constexpr Steinberg::Vst::ParamID kBypassParamID = 65536;
constexpr Steinberg::Vst::ParamID kPresetParamID = 65537;
constexpr Steinberg::Vst::ParamID kMIDICCParamStartIdx = 65538;

class IPluginVST3Parameter : public Steinberg::Vst::Parameter
{
public:
  IPluginVST3Parameter(IParam* pParam, Steinberg::Vst::ParamID tag, Steinberg::Vst::UnitID unitID);

  void toString(Steinberg::Vst::ParamValue valueNormalized, Steinberg::Vst::String128 string) const override;
  bool fromString(const Steinberg::Vst::TChar* string, Steinberg::Vst::ParamValue& valueNormalized) const override;
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue valueNormalized) const override;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const override;

  IParam* GetIParam() const { return mIParam; }

  OBJ_METHODS(IPluginVST3Parameter, Steinberg::Vst::Parameter)

private:
  IParam* mIParam; // not owned
};

class IPluginVST3BypassParameter : public Steinberg::Vst::StringListParameter
{
public:
  IPluginVST3BypassParameter();

  OBJ_METHODS(IPluginVST3BypassParameter, Steinberg::Vst::StringListParameter)
};

// UTF-16 text narrowed to 8-bit text in the system's ANSI code page (Windows); elsewhere each
// unit below 256 is kept as one byte and anything else becomes '?'.
std::string NarrowToAnsi(const Steinberg::Vst::TChar* string, int maxChars);
// Each 8-bit character widened to one UTF-16 unit; cut to destChars including the terminator.
void WidenBytes(Steinberg::Vst::TChar* dest, const char* src, int destChars);

} // namespace plugfw
