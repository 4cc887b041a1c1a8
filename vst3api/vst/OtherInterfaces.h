// Interfaces a host may ask for that this layer only needs to recognise (and usually refuse).
#pragma once

#include "vst3api/vst/VstTypes.h"

namespace Steinberg {
namespace Vst {

enum ePrefetchableSupport
{
  kIsNeverPrefetchable = 0,
  kIsYetPrefetchable,
  kIsNotYetPrefetchable,
  kNumPrefetchableSupport
};

class IPrefetchableSupport : public FUnknown
{
public:
  virtual tresult PLUGIN_API getPrefetchableSupport(PrefetchableSupport& prefetchable) = 0;

  static constexpr FUID iid{0x8AE54FDA, 0xE93046B9, 0xA28555BC, 0xDC98E21E};
};

// Offered by a view that can tell which parameter lies under a point.
class IParameterFinder : public FUnknown
{
public:
  virtual tresult PLUGIN_API findParameter(int32 xPos, int32 yPos, ParamID& resultTag) = 0;

  static constexpr FUID iid{0x0F618302, 0x215D4587, 0xA512073C, 0x77B9D383};
};

// Ids only: the methods of these interfaces are never called or implemented here, so they are
// deliberately not declared. A class listing one of them in queryInterface would need them.
struct KnownInterfaceIds
{
  static constexpr FUID INoteExpressionController{0xB7F8F859, 0x41234872, 0x91169581, 0x4F3721A3};
  static constexpr FUID IProgramListData{0x8683B01F, 0x7B354F70, 0xA2651DEC, 0x353AF4FF};
  static constexpr FUID IUnitData{0x6C389611, 0xD391455D, 0xB870B833, 0x94A0EFDD};
  static constexpr FUID IKeyswitchController{0x1F2F76D3, 0xBFFB4B96, 0xB99527A5, 0x5EBCCEF4};
  static constexpr FUID INoteExpressionPhysicalUIMapping{0xB03078FF, 0x94D24AC8, 0x90CCD303,
                                                         0xD4133324};
  static constexpr FUID IMidiLearn{0x6B2449CC, 0x419740B5, 0xAB3C79DA, 0xC5FE5C86};
  static constexpr FUID IParameterFunctionName{0x6D21E1DC, 0x91199D4B, 0xA2A02FEF, 0x6C1AE55C};
  static constexpr FUID IAutomationState{0xB4E8287F, 0x1BB346AA, 0x83A46667, 0x68937BAB};
  static constexpr FUID IRemapParamID{0x2B88021E, 0x6286B646, 0xB49DF76A, 0x5663061C};
  static constexpr FUID IXmlRepresentationController{0xA81A0471, 0x48C34DC4, 0xAC30C9E1,
                                                     0x3C8393D5};
  static constexpr FUID IDataExchangeReceiver{0x45A759DC, 0x84FA4907, 0xABCB6175, 0x2FC786B6};
  static constexpr FUID IComponentHandlerBusActivation{0x067D02C1, 0x5B4E274D, 0xA92D90FD,
                                                       0x6EAF7240};
  static constexpr FUID IProgress{0x00C9DC5B, 0x9D904254, 0x91A388C8, 0xB4E91B69};
  static constexpr FUID IComponentHandlerSystemTime{0xF9E53056, 0xD1554CD5, 0xB7695E1B, 0x7B0F7745};
  static constexpr FUID IUnitHandler2{0xF89F8CDF, 0x699E4BA5, 0x96AAC9A4, 0x81452B01};
  static constexpr FUID IDataExchangeHandler{0x36D551BD, 0x6FF54F08, 0xB48E830D, 0x8BD5A03B};
  static constexpr FUID IVst3ToVst2Wrapper{0x29633AEC, 0x1D1C47E2, 0xBB85B97B, 0xD36EAC61};
  static constexpr FUID IVst3ToAUWrapper{0xA3B8C6C5, 0xC0954688, 0xB0916F0B, 0xB697AA44};
  static constexpr FUID IVst3ToAAXWrapper{0x6D319DC6, 0x60C56242, 0xB32C951B, 0x93BEF4C6};
  static constexpr FUID IVst3WrapperMPESupport{0x44149067, 0x42CF4BF9, 0x8800B750, 0xF7359FE3};
  static constexpr FUID IUpdateManager{0x030B780C, 0xD6E6418D, 0x8CE00BC2, 0x09C834D4};
};

} // namespace Vst
} // namespace Steinberg
