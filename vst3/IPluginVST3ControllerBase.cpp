#include "vst3/IPluginVST3ControllerBase.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "vst3api/sdk/StringConvert.h"
#include "vst3api/vst/ChannelContext.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace plugfw {

const char* GetMidiCCName(int n, char (&buf)[16])
{
  static const struct
  {
    int n;
    const char* name;
  } kNames[] = {
      {0, "BankSel.MSB"},  {1, "Modulation"},    {2, "BreathCtrl"},   {4, "Foot Ctrl"},
      {5, "Porta.Time"},   {6, "DataEntMSB"},    {7, "MainVolume"},   {8, "Balance"},
      {10, "Pan"},         {11, "Expression"},   {12, "FXControl1"},  {13, "FXControl2"},
      {16, "Gen.Purp.1"},  {17, "Gen.Purp.2"},   {18, "Gen.Purp.3"},  {19, "Gen.Purp.4"},
      {32, "BankSel.LSB"}, {33, "Modul. LSB"},   {34, "BrthCt LSB"},  {36, "FootCt LSB"},
      {37, "Port.T LSB"},  {38, "DataEntLSB"},   {39, "MainVolLSB"},  {40, "BalanceLSB"},
      {42, "Pan LSB"},     {43, "Expr. LSB"},    {48, "Gen.P.1LSB"},  {49, "Gen.P.2LSB"},
      {50, "Gen.P.3LSB"},  {51, "Gen.P.4LSB"},   {64, "Damper Ped"},  {65, "Porta. Ped"},
      {66, "Sostenuto "},  {67, "Soft Pedal"},   {68, "Legato Sw"},   {69, "Hold 2"},
      {70, "SoundCont 1"}, {71, "SoundCont 2"},  {72, "SoundCont 3"}, {73, "SoundCont 4"},
      {74, "SoundCont 5"}, {75, "SoundCont 6"},  {76, "SoundCont 7"}, {77, "SoundCont 8"},
      {78, "SoundCont 9"}, {79, "SoundCont 10"}, {80, "Gen.Purp.5"},  {81, "Gen.Purp.6"},
      {82, "Gen.Purp.7"},  {83, "Gen.Purp.8"},   {84, "Portamento"},  {91, "FX 1 Depth"},
      {92, "FX 2 Depth"},  {93, "FX 3 Depth"},   {94, "FX 4 Depth"},  {95, "FX 5 Depth"},
      {96, "Data Incr"},   {97, "Data Decr"},    {98, "Non-RegLSB"},  {99, "Non-RegMSB"},
      {100, "Reg LSB"},    {101, "Reg MSB"},     {121, "Reset Ctrl"}, {122, "Local Ctrl"},
      {123, "AllNoteOff"}, {124, "OmniModOff"},  {125, "OmniModeOn"}, {126, "MonoModeOn"},
      {127, "PolyModeOn"},
  };
  for (const auto& e : kNames)
    if (e.n == n)
      return e.name;
  std::snprintf(buf, sizeof(buf), "Contr. %d", n);
  return buf;
}

namespace {

Unit* MakeUnit(const char* name, UnitID id, UnitID parent)
{
  String128 name16 = {};
  StringConvert::convert(name, name16, 128);
  return new Unit(name16, id, parent, kNoProgramListId);
}

} // namespace

void IPluginVST3ControllerBase::Initialize(IPluginAPIBase& plug, EditControllerEx1& controller,
                                           ParameterContainer& parameters, bool plugIsInstrument,
                                           bool midiIn)
{
  mParameters = &parameters;
  if (!plugIsInstrument)
    mBypassParameter = static_cast<IPluginVST3BypassParameter*>(
        parameters.addParameter(new IPluginVST3BypassParameter()));

  controller.addUnit(MakeUnit("Root", kRootUnitId, kNoParentUnitId));

  std::vector<std::string> groups;
  for (int i = 0; i < plug.NParams(); ++i)
  {
    IParam* param = plug.GetParam(i);
    UnitID unitID = kRootUnitId;
    const char* group = param->GetGroup();
    if (group && group[0])
    {
      size_t pos = 0;
      while (pos < groups.size() && groups[pos] != group)
        ++pos;
      if (pos == groups.size())
      {
        groups.emplace_back(group);
        controller.addUnit(MakeUnit(group, static_cast<UnitID>(pos + 1), kRootUnitId));
      }
      unitID = static_cast<UnitID>(pos + 1);
    }
    parameters.addParameter(new IPluginVST3Parameter(param, static_cast<ParamID>(i), unitID));
  }

  if (midiIn)
  {
    const UnitID ccUnit = controller.getUnitCount() + 1;
    controller.addUnit(MakeUnit("MIDI CCs", ccUnit, kRootUnitId));
    const UnitID chUnit = controller.getUnitCount() + 1;
    char chName[16];
    std::snprintf(chName, sizeof(chName), "CH%i", 1);
    controller.addUnit(MakeUnit(chName, chUnit, ccUnit));
    for (int n = 0; n < 130; ++n)
    {
      char buf[16];
      const char* title =
          n == 128 ? "Channel Aftertouch" : (n == 129 ? "Pitch Bend" : GetMidiCCName(n, buf));
      String128 title16 = {};
      StringConvert::convert(title, title16, 128);
      parameters.addParameter(new Parameter(title16, kMIDICCParamStartIdx + n, nullptr,
                                            n == 129 ? 0.5 : 0.0, 0, ParameterInfo::kCanAutomate,
                                            chUnit));
    }
  }
}

void IPluginVST3ControllerBase::UpdateControllerValues(IPluginAPIBase& plug,
                                                       ParameterContainer& parameters, bool bypass)
{
  for (int i = 0; i < plug.NParams(); ++i)
    if (Parameter* p = parameters.getParameter(static_cast<ParamID>(i)))
      p->setNormalized(plug.GetParam(i)->GetNormalValue());
  if (mBypassParameter)
    mBypassParameter->setNormalized(bypass ? 1.0 : 0.0);
}

namespace {

// Reads a string attribute of at most maxChars units; false when absent.
bool ReadString(IAttributeList* list, const char* key, int64 lengthHint, std::string& out)
{
  constexpr int64 kMaxChars = 4096;
  int64 chars = lengthHint > 0 ? std::min(lengthHint, kMaxChars) : 256;
  std::vector<TChar> buf(static_cast<size_t>(chars) + 2, 0);
  if (list->getString(key, buf.data(), static_cast<uint32>((chars + 1) * sizeof(TChar))) !=
      kResultOk)
    return false;
  buf.back() = 0; // the host may leave a cut string unterminated
  out = StringConvert::convert(buf.data(), static_cast<size_t>(chars + 1));
  return true;
}

} // namespace

void IPluginVST3ControllerBase::SetChannelContextInfos(IAttributeList* list)
{
  if (!list)
    return;
  using namespace ChannelContext;
  int64 len = 0, v = 0;
  if (list->getInt(kChannelNameLengthKey, len) != kResultOk)
    len = 0;
  ReadString(list, kChannelNameKey, len, mChannelName);
  if (list->getInt(kChannelUIDLengthKey, len) != kResultOk)
    len = 0;
  ReadString(list, kChannelUIDKey, len, mChannelUID);
  if (list->getInt(kChannelIndexKey, v) == kResultOk)
    mChannelIndex = static_cast<int>(v);
  if (list->getInt(kChannelColorKey, v) == kResultOk)
    mChannelColor = static_cast<unsigned>(static_cast<uint32>(v));
  if (list->getInt(kChannelIndexNamespaceOrderKey, v) == kResultOk)
    mChannelNamespaceIndex = static_cast<int>(v);
  if (list->getInt(kChannelIndexNamespaceLengthKey, len) != kResultOk)
    len = 0;
  ReadString(list, kChannelIndexNamespaceKey, len, mChannelNamespace);
}

} // namespace plugfw
