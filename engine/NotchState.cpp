#include "engine/NotchState.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace notchstate {

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t U32At(const uint8_t* p)
{
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float FloatAt(const uint8_t* p)
{
  return std::bit_cast<float>(U32At(p));
}

bool Kept(const NotchSlot& s, bool keepAutomatic)
{
  return s.active && s.targetDepth < 0.0f && (s.manual || keepAutomatic);
}

} // namespace

void Write(const NotchBankImage& image, bool keepAutomatic, std::vector<uint8_t>& out)
{
  const int tables = std::clamp(image.channelCount, 0, NotchBankImage::kMaxChannels);
  out.insert(out.end(), kTag, kTag + 4);
  PutU32(out, kVersion);
  PutU32(out, static_cast<uint32_t>(tables));
  for (int ch = 0; ch < tables; ++ch)
  {
    const auto& table = image.channels[ch];
    const auto count = std::count_if(table.begin(), table.end(),
                                     [&](const NotchSlot& s) { return Kept(s, keepAutomatic); });
    PutU32(out, static_cast<uint32_t>(count));
    for (int i = 0; i < NotchBankImage::kSlotCount; ++i)
    {
      const NotchSlot& s = table[i];
      if (!Kept(s, keepAutomatic))
        continue;
      PutU32(out, static_cast<uint32_t>(i));
      PutU32(out, s.manual ? 1u : 0u);
      PutU32(out, std::bit_cast<uint32_t>(s.frequency));
      PutU32(out, std::bit_cast<uint32_t>(s.width));
      PutU32(out, std::bit_cast<uint32_t>(s.targetDepth));
    }
  }
}

ReadResult Read(const uint8_t* data, size_t size, NotchBankImage& image)
{
  if (data == nullptr || size == 0)
    return ReadResult::kAbsent;
  if (size < static_cast<size_t>(kHeaderBytes) || std::memcmp(data, kTag, 4) != 0 ||
      U32At(data + 4) != kVersion)
    return ReadResult::kIgnored;
  const uint32_t tables = U32At(data + 8);
  if (tables > static_cast<uint32_t>(NotchBankImage::kMaxChannels))
    return ReadResult::kIgnored;

  NotchBankImage read;
  read.channelCount = static_cast<int32_t>(tables);
  size_t pos = kHeaderBytes;
  for (uint32_t ch = 0; ch < tables; ++ch)
  {
    if (size - pos < 4)
      return ReadResult::kIgnored;
    const uint32_t count = U32At(data + pos);
    pos += 4;
    if (count > static_cast<uint32_t>(NotchBankImage::kSlotCount) ||
        size - pos < count * static_cast<size_t>(kEntryBytes))
      return ReadResult::kIgnored;
    for (uint32_t e = 0; e < count; ++e, pos += kEntryBytes)
    {
      const uint8_t* p = data + pos;
      const uint32_t slot = U32At(p);
      const uint32_t flags = U32At(p + 4);
      const float frequency = FloatAt(p + 8);
      const float width = FloatAt(p + 12);
      const float depth = FloatAt(p + 16);
      if (slot >= static_cast<uint32_t>(NotchBankImage::kSlotCount) || flags > 1u ||
          !std::isfinite(frequency) || !std::isfinite(width) || !std::isfinite(depth) ||
          !(depth < 0.0f))
        continue;
      NotchSlot& s = read.channels[ch][slot];
      if (s.active)
        continue; // the first entry for a slot wins
      s.active = true;
      s.manual = flags == 1u;
      s.frequency = std::max(frequency, 20.0f);
      s.targetDepth = std::max(depth, -40.0f);
      s.width = std::clamp(width, 0.5f, 60.0f);
    }
  }
  image = read;
  return ReadResult::kAccepted;
}

} // namespace notchstate
