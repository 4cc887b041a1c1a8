// Speaker bits and the common speaker arrangements.
#pragma once

#include "vst3api/vst/VstTypes.h"

namespace Steinberg {
namespace Vst {

static constexpr Speaker kSpeakerL = 1ull << 0;
static constexpr Speaker kSpeakerR = 1ull << 1;
static constexpr Speaker kSpeakerC = 1ull << 2;
static constexpr Speaker kSpeakerLfe = 1ull << 3;
static constexpr Speaker kSpeakerLs = 1ull << 4;
static constexpr Speaker kSpeakerRs = 1ull << 5;
static constexpr Speaker kSpeakerLc = 1ull << 6;
static constexpr Speaker kSpeakerRc = 1ull << 7;
static constexpr Speaker kSpeakerS = 1ull << 8;
static constexpr Speaker kSpeakerCs = kSpeakerS;
static constexpr Speaker kSpeakerSl = 1ull << 9;
static constexpr Speaker kSpeakerSr = 1ull << 10;
static constexpr Speaker kSpeakerTc = 1ull << 11;
static constexpr Speaker kSpeakerTfl = 1ull << 12;
static constexpr Speaker kSpeakerTfc = 1ull << 13;
static constexpr Speaker kSpeakerTfr = 1ull << 14;
static constexpr Speaker kSpeakerTrl = 1ull << 15;
static constexpr Speaker kSpeakerTrc = 1ull << 16;
static constexpr Speaker kSpeakerTrr = 1ull << 17;
static constexpr Speaker kSpeakerLfe2 = 1ull << 18;
static constexpr Speaker kSpeakerM = 1ull << 19;
static constexpr Speaker kSpeakerACN0 = 1ull << 20;
static constexpr Speaker kSpeakerACN1 = 1ull << 21;
static constexpr Speaker kSpeakerACN2 = 1ull << 22;
static constexpr Speaker kSpeakerACN3 = 1ull << 23;
static constexpr Speaker kSpeakerTsl = 1ull << 24;
static constexpr Speaker kSpeakerTsr = 1ull << 25;
static constexpr Speaker kSpeakerLcs = 1ull << 26;
static constexpr Speaker kSpeakerRcs = 1ull << 27;
static constexpr Speaker kSpeakerBfl = 1ull << 28;
static constexpr Speaker kSpeakerBfc = 1ull << 29;
static constexpr Speaker kSpeakerBfr = 1ull << 30;
static constexpr Speaker kSpeakerPl = 1ull << 31;
static constexpr Speaker kSpeakerPr = 1ull << 32;
static constexpr Speaker kSpeakerBsl = 1ull << 33;
static constexpr Speaker kSpeakerBsr = 1ull << 34;
static constexpr Speaker kSpeakerBrl = 1ull << 35;
static constexpr Speaker kSpeakerBrc = 1ull << 36;
static constexpr Speaker kSpeakerBrr = 1ull << 37;
// ACN4..ACN24 occupy bits 38..58.
static constexpr Speaker kSpeakerACN4 = 1ull << 38;
static constexpr Speaker kSpeakerACN24 = 1ull << 58;
static constexpr Speaker kSpeakerLw = 1ull << 59;
static constexpr Speaker kSpeakerRw = 1ull << 60;

namespace SpeakerArr {

static constexpr SpeakerArrangement kEmpty = 0;
static constexpr SpeakerArrangement kMono = kSpeakerM;
static constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;
static constexpr SpeakerArrangement kStereoSurround = kSpeakerLs | kSpeakerRs;
static constexpr SpeakerArrangement k30Cine = kSpeakerL | kSpeakerR | kSpeakerC;
static constexpr SpeakerArrangement k31Cine = k30Cine | kSpeakerLfe;
static constexpr SpeakerArrangement k40Music = kSpeakerL | kSpeakerR | kSpeakerLs | kSpeakerRs;
static constexpr SpeakerArrangement k41Music = k40Music | kSpeakerLfe;
static constexpr SpeakerArrangement k50 =
    kSpeakerL | kSpeakerR | kSpeakerC | kSpeakerLs | kSpeakerRs;
static constexpr SpeakerArrangement k51 = k50 | kSpeakerLfe;
static constexpr SpeakerArrangement k60Cine = k50 | kSpeakerCs;
static constexpr SpeakerArrangement k61Cine = k60Cine | kSpeakerLfe;
static constexpr SpeakerArrangement k70Cine = k50 | kSpeakerLc | kSpeakerRc;
static constexpr SpeakerArrangement k71Cine = k70Cine | kSpeakerLfe;
static constexpr SpeakerArrangement k70Music = k50 | kSpeakerSl | kSpeakerSr;
static constexpr SpeakerArrangement k71Music = k70Music | kSpeakerLfe;

static constexpr const char8* kStringEmpty = "";
static constexpr const char8* kStringMono = "Mono";
static constexpr const char8* kStringStereo = "Stereo";

// Channel count = number of set bits.
constexpr int32 getChannelCount(SpeakerArrangement arr)
{
  int32 count = 0;
  while (arr)
  {
    arr &= arr - 1;
    ++count;
  }
  return count;
}

// Index of a speaker inside an arrangement = number of set bits below it; -1 when absent.
constexpr int32 getSpeakerIndex(SpeakerArrangement arr, Speaker speaker)
{
  if ((arr & speaker) == 0 || (speaker & (speaker - 1)) != 0)
    return -1;
  return getChannelCount(arr & (speaker - 1));
}

} // namespace SpeakerArr
} // namespace Vst
} // namespace Steinberg
