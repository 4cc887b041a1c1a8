#pragma once
// The compiled-in configuration record a plug-in hands to the framework constructors.

#include <cstdint>

namespace plugfw {

// Four characters packed with the first one in the most significant byte: FourCC("Qlrx").
constexpr int FourCC(const char (&s)[5])
{
  return static_cast<int>((static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
                          (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
                          (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
                          static_cast<uint32_t>(static_cast<uint8_t>(s[3])));
}

enum EPlugType
{
  kEffect = 0,
  kInstrument = 1,
  kMIDIEffect = 2
};

struct Config
{
  int nParams = 0;
  int nPresets = 0;
  const char* channelIOStr = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* mfrName = "";
  int vendorVersion = 0;
  int uniqueID = 0;
  int mfrID = 0;
  int latency = 0;
  bool plugDoesMidiIn = false;
  bool plugDoesMidiOut = false;
  bool plugDoesMPE = false;
  bool plugDoesChunks = false;
  int plugType = kEffect;
  bool plugHasUI = false;
  int plugWidth = 0;
  int plugHeight = 0;
  int plugMinWidth = 0;
  int plugMaxWidth = 0;
  int plugMinHeight = 0;
  int plugMaxHeight = 0;
  bool plugHostResize = false;
  const char* bundleID = "";
  const char* appGroupID = "";
};

} // namespace plugfw
