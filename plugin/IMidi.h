#pragma once
// Short MIDI messages and SysEx blocks as they travel between the audio side and the editor.

#include <cstdint>

namespace plugfw {

struct IMidiMsg
{
  int mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {}

  int StatusMsg() const { return mStatus >> 4; }
  int Channel() const { return mStatus & 0x0F; }
};

struct ISysEx
{
  static constexpr int kMaxSize = 512;
  int mOffset = 0;
  int mSize = 0;
  uint8_t mData[kMaxSize] = {};
};

} // namespace plugfw
