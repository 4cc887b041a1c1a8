#pragma once
// Text from the host in the forms the plug-in core works with: the platform's own rules, so
// that a parameter typed in or a key pressed reads as the user meant it.

#include "vst3api/vst/VstTypes.h"

#include <string>

namespace plugfw {

// UTF-16 text narrowed to 8-bit text in the system's ANSI code page (Windows); on Linux each
// unit below 256 is kept as one byte and anything else becomes '?'.
std::string NarrowToAnsi(const Steinberg::Vst::TChar* string, int maxChars);
// The same for exactly `len` units, none of them the terminator (the platform's part).
std::string NarrowUnitsToAnsi(const Steinberg::Vst::TChar* string, int len);

// The Windows virtual-key code of a typed character, 0 for none (the editor's key handling
// speaks Windows codes on every platform).
int VirtualKeyOfCharacter(char c);

} // namespace plugfw
