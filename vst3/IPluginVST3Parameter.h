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

  void toString(Steinberg::Vst::ParamValue normalized,
                Steinberg::Vst::String128 string) const override; // [UI thread]
  bool fromString(const Steinberg::Vst::TChar* string,
                  Steinberg::Vst::ParamValue& normalized) const override; // [UI thread]
  Steinberg::Vst::ParamValue
  toPlain(Steinberg::Vst::ParamValue normalized) const override; // [any thread]
  Steinberg::Vst::ParamValue
  toNormalized(Steinberg::Vst::ParamValue plainValue) const override; // [any thread]

  IParam* GetIParam() const { return mIParam; }

  // Class-name queries: also true for the plain base names.
  static Steinberg::FClassID getFClassID() { return "IPluginVST3Parameter"; }
  Steinberg::FClassID isA() const override { return getFClassID(); }            // [any thread]
  bool isA(Steinberg::FClassID s) const override { return isTypeOf(s, false); } // [any thread]
  bool isTypeOf(Steinberg::FClassID s, bool askBaseClass = true) const override // [any thread]
  {
    return classIDsEqual(s, getFClassID()) ||
           (askBaseClass &&
            (classIDsEqual(s, "Parameter") || Steinberg::Vst::Parameter::isTypeOf(s, true)));
  }

private:
  IParam* mIParam; // not owned
};

class IPluginVST3BypassParameter : public Steinberg::Vst::StringListParameter
{
public:
  IPluginVST3BypassParameter();

  static Steinberg::FClassID getFClassID() { return "IPluginVST3BypassParameter"; }
  Steinberg::FClassID isA() const override { return getFClassID(); }            // [any thread]
  bool isA(Steinberg::FClassID s) const override { return isTypeOf(s, false); } // [any thread]
  bool isTypeOf(Steinberg::FClassID s, bool askBaseClass = true) const override // [any thread]
  {
    return classIDsEqual(s, getFClassID()) ||
           (askBaseClass &&
            (classIDsEqual(s, "StringListParameter") || classIDsEqual(s, "Parameter") ||
             Steinberg::Vst::StringListParameter::isTypeOf(s, true)));
  }
};

// Each 8-bit character widened to one UTF-16 unit; cut to destChars including the terminator.
void WidenBytes(Steinberg::Vst::TChar* dest, const char* src, int destChars);

} // namespace plugfw
