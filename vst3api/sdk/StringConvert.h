// UTF-8 <-> UTF-16 conversion at the interface boundary, and small UTF-16 string helpers.
#pragma once

#include <string>
#include <string_view>

#include "vst3api/base/Types.h"

namespace Steinberg {
namespace Vst {
namespace StringConvert {

// Malformed input (bad UTF-8 sequences, lone surrogates) becomes U+FFFD; nothing is dropped silently.
std::u16string convert(std::string_view utf8);
std::string convert(std::u16string_view utf16);
// Reads a terminated UTF-16 string of at most maxChars units (null gives "").
std::string convert(const char16* utf16, size_t maxChars);

// Writes utf8 into dest (destChars units including the terminator), cut at a character boundary
// so that no surrogate pair is split. Always terminates when destChars > 0. True when nothing was cut.
bool convert(std::string_view utf8, char16* dest, int32 destChars);

} // namespace StringConvert

// Length of a terminated UTF-16 string (0 for null).
size_t strlen16(const char16* s);
// Length looking at no more than maxChars units.
size_t strnlen16(const char16* s, size_t maxChars);
// Copies at most destChars - 1 units and terminates; a null source gives "".
void strncpy16(char16* dest, const char16* src, int32 destChars);
// Widens 8-bit text byte by byte (for ASCII texts), cut and terminated like strncpy16.
void widenAscii(char16* dest, const char8* src, int32 destChars);

} // namespace Vst
} // namespace Steinberg
