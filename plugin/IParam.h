#pragma once
// One automatable value of the plug-in: its range, step, display and parse rules,
// and the atomic current value shared by the host, the editor and the audio thread.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plugfw {

class IParam;

// Maps plain values to and from [0, 1]. Owned by its IParam, copied by cloning.
class Shape
{
public:
  virtual ~Shape() = default;
  virtual Shape* Clone() const = 0;                                                // [UI thread]
  virtual void Init(const IParam& param);                                          // [UI thread]
  virtual int GetDisplayShape() const;                                             // [any thread]
  virtual double FromNormalized(double normalized, const IParam& param) const = 0; // [any thread]
  virtual double ToNormalized(double plain, const IParam& param) const = 0;        // [any thread]
};

class ShapeLinear : public Shape
{
public:
  Shape* Clone() const override { return new ShapeLinear(*this); }              // [UI thread]
  void Init(const IParam& param) override;                                      // [UI thread]
  int GetDisplayShape() const override { return 0; }                            // [any thread]
  double FromNormalized(double normalized, const IParam& param) const override; // [any thread]
  double ToNormalized(double plain, const IParam& param) const override;        // [any thread]
};

class IParam
{
public:
  enum EParamType
  {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeEnum = 3,
    kTypeDouble = 4
  };

  enum EFlags
  {
    kFlagsNone = 0,
    kFlagCannotAutomate = 1,
    kFlagStepped = 2,
    kFlagNegateDisplay = 4,
    kFlagSignDisplay = 8,
  };

  static constexpr int kUnitCustom = 21;
  static constexpr int kTextSize = 32;      // bytes per text field, terminator included
  static constexpr int kMaxDisplayLen = 32; // characters written by FormatDisplay

  using DisplayFunc = std::function<void(double value, std::string& out)>;

  struct DisplayText
  {
    double mValue;
    char mText[kTextSize];
  };

  IParam();
  ~IParam() = default;
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  void DeclareDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                     const char* label = "", int flags = 0, const char* group = "",
                     const Shape& shape = ShapeLinear(), DisplayFunc displayFunc = nullptr);

  // listItems and the following variadic arguments are nItems const char* texts; a null
  // first text means no texts.
  void DeclareEnum(const char* name, int defaultVal, int nItems, const char* label = "",
                   int flags = 0, const char* group = "", const char* listItems = nullptr, ...);

  void DeclareBool(const char* name);

  double ClampValue(double v) const;
  void SetValue(double v);
  double GetValue() const { return mValue.load(std::memory_order_acquire); }

  double PlainToNormal(double v) const;
  double NormalToPlain(double n) const;
  void SetNormalValue(double n);
  double GetNormalValue() const { return PlainToNormal(GetValue()); }

  double DefaultValue(bool normalized = false) const;

  void FormatDisplay(double value, bool normalized, std::string& out,
                     bool useDisplayTexts = true) const;
  std::string FormatDisplay(double value, bool normalized, bool useDisplayTexts = true) const;
  double ParseDisplay(const char* text) const;

  // Appends a display text; texts longer than 31 characters are cut.
  void SetDisplayText(double value, const char* text);

  EParamType Type() const { return mType; }
  int Unit() const { return mUnit; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetRange() const { return mMax - mMin; }
  double GetStep() const { return mStep; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  int GetFlags() const { return mFlags; }
  bool GetCanAutomate() const { return !(mFlags & kFlagCannotAutomate); }
  bool GetStepped() const { return mFlags & kFlagStepped; }
  bool GetNegateDisplay() const { return mFlags & kFlagNegateDisplay; }
  bool GetSignDisplay() const { return mFlags & kFlagSignDisplay; }
  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  const char* GetGroup() const { return mGroup; }
  const Shape& GetShape() const { return *mShape; }
  bool HasDisplayFunc() const { return static_cast<bool>(mDisplayFunc); }
  int NDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  const DisplayText& GetDisplayText(int idx) const { return mDisplayTexts[idx]; }
  // The text shown for value, or null when no display text has exactly this value.
  const char* GetDisplayTextForValue(double value) const;

private:
  double Quantize(double v) const;

  EParamType mType = kTypeNone;
  int mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  char mGroup[kTextSize] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunc;
  std::vector<DisplayText> mDisplayTexts;
};

// Locale-independent number text helpers, identical on every build.
// Fixed notation with `precision` decimals, correctly rounded from the exact binary value.
std::string FormatFixed(double value, int precision, bool forceSign = false);
// Reads the longest leading decimal number (after blanks, with optional sign); no number gives 0.
double ParseLeadingNumber(const char* text);

} // namespace plugfw
