// Parameter objects of the edit controller: the plain Parameter and the StringListParameter.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/EditController.h"

namespace Steinberg {
namespace Vst {

class Parameter : public FObject
{
public:
  Parameter();
  explicit Parameter(const ParameterInfo& info);
  Parameter(const TChar* title, ParamID tag, const TChar* units = nullptr,
            ParamValue defaultValueNormalized = 0., int32 stepCount = 0,
            int32 flags = ParameterInfo::kCanAutomate, UnitID unitID = kRootUnitId,
            const TChar* shortTitle = nullptr);

  virtual const ParameterInfo& getInfo() const { return info; }
  virtual ParameterInfo& getInfo() { return info; }
  virtual void setUnitID(UnitID id) { info.unitId = id; }
  virtual UnitID getUnitID() { return info.unitId; }

  virtual ParamValue getNormalized() const
  {
    return valueNormalized.load(std::memory_order_relaxed);
  }
  // Clamps to [0, 1]; true (and changed() sent) when the value changed. NaN is refused.
  virtual bool setNormalized(ParamValue v);

  // A toggle (stepCount 1) reads "On"/"Off"; otherwise the plain value with `precision` decimals.
  virtual void toString(ParamValue valueNormalized, String128 string) const;
  // Parses a number; false for text without one. The result is clamped to [0, 1].
  virtual bool fromString(const TChar* string, ParamValue& valueNormalized) const;
  virtual ParamValue toPlain(ParamValue normalized) const { return normalized; }
  virtual ParamValue toNormalized(ParamValue plainValue) const { return plainValue; }

  int32 getPrecision() const { return precision; }
  void setPrecision(int32 digits) { precision = digits < 0 ? 0 : (digits > 16 ? 16 : digits); }

  OBJ_METHODS(Vst::Parameter, FObject)

protected:
  ParameterInfo info;
  std::atomic<ParamValue> valueNormalized{0.};
  int32 precision = 4;
};

class StringListParameter : public Parameter
{
public:
  StringListParameter(const TChar* title, ParamID tag, const TChar* units = nullptr,
                      int32 flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList,
                      UnitID unitID = kRootUnitId, const TChar* shortTitle = nullptr);
  explicit StringListParameter(const ParameterInfo& info);

  // Each string adds one step: N strings give stepCount N - 1.
  virtual void appendString(const TChar* string);
  virtual bool replaceString(int32 index, const TChar* string);
  void clear();
  int32 getStringCount() const { return static_cast<int32>(strings.size()); }

  void toString(ParamValue valueNormalized, String128 string) const override;
  // Exact match of one of the strings.
  bool fromString(const TChar* string, ParamValue& valueNormalized) const override;
  ParamValue toPlain(ParamValue valueNormalized) const override;
  ParamValue toNormalized(ParamValue plainValue) const override;

  OBJ_METHODS(Vst::StringListParameter, Parameter)

protected:
  std::vector<std::u16string> strings;
};

// Owns the controller's parameters and finds them by index or id.
class ParameterContainer
{
public:
  ParameterContainer() = default;
  ParameterContainer(const ParameterContainer&) = delete;
  ParameterContainer& operator=(const ParameterContainer&) = delete;

  void init(int32 initialSize = 10)
  {
    params.reserve(static_cast<size_t>(initialSize > 0 ? initialSize : 0));
  }

  // Takes over the caller's reference. A null pointer, or an id already present, gives null
  // (the refused object is released).
  Parameter* addParameter(Parameter* p);
  Parameter* addParameter(const ParameterInfo& info);
  // A negative tag means id = current count; a null title gives null.
  Parameter* addParameter(const TChar* title, const TChar* units = nullptr, int32 stepCount = 0,
                          ParamValue defaultValueNormalized = 0.,
                          int32 flags = ParameterInfo::kCanAutomate, int32 tag = -1,
                          UnitID unitID = kRootUnitId, const TChar* shortTitle = nullptr);

  Parameter* getParameter(ParamID tag) const;
  Parameter* getParameterByIndex(int32 index) const;
  int32 getParameterCount() const { return static_cast<int32>(params.size()); }
  void removeAll();

private:
  std::vector<IPtr<Parameter>> params;
  std::vector<std::pair<ParamID, int32>> idToIndex; // sorted by id
};

} // namespace Vst
} // namespace Steinberg
