#pragma once
// The notch section of the saved state, stored after the parameters and the bypass flag:
//
//   tag "Qnch" (4 bytes), version (uint32, 1), channel count (uint32, at most 8), then per channel
//   a notch count (uint32, at most 20) and that many entries of 20 bytes: slot (int32, 0..19),
//   flags (uint32, bit 0 = manual, no other bit), frequency in Hz, width in Q, depth in dB (three
//   float32). Every number is little-endian.
//
// It holds the notches worth keeping across sessions: every manual notch, and the automatic ones
// only while Hold is on (the locked ring-out).

#include "engine/NotchExchange.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace notchstate {

constexpr char kTag[4] = {'Q', 'n', 'c', 'h'};
constexpr uint32_t kVersion = 1;
constexpr int kHeaderBytes = 12;
constexpr int kEntryBytes = 20;

// Appends the section for the image's tables: active notches that cut (target below 0 dB), the
// manual ones always and the automatic ones when keepAutomatic.
void Write(const NotchBankImage& image, bool keepAutomatic, std::vector<uint8_t>& out);

enum class ReadResult
{
  kAbsent,   // no bytes: a state from before the section existed
  kIgnored,  // not a section we can read (short, other tag or version, counts too large)
  kAccepted, // image holds the section's notches
};

// Reads a section. Whole-section faults leave image untouched. Entries with a slot out of range,
// unknown flags, a value that is not finite, a depth that does not cut, or a slot already taken
// earlier in the same channel are skipped; the rest are clamped: frequency to at least 20 Hz,
// depth to at least -40 dB, width to 0.5..60 Q. (The rate's upper limit is applied when the
// image reaches the engine.)
ReadResult Read(const uint8_t* data, size_t size, NotchBankImage& image);

} // namespace notchstate
