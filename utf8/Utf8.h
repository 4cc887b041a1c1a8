#pragma once
// UTF-8 as every layer reads it: one decoder with one rule for malformed input (each malformed
// sequence is one U+FFFD, and decoding resumes at the byte that broke it), and the byte-level
// helpers that edit text without decoding it.

#include <cstddef>
#include <string>
#include <string_view>

namespace utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

constexpr bool IsContinuation(unsigned char b)
{
  return (b & 0xC0) == 0x80;
}

// Length of the sequence that `lead` starts, by the lead byte alone (1 for ASCII and for stray
// continuation bytes): the step for walking text that is already valid.
constexpr std::size_t SequenceLength(unsigned char lead)
{
  if (lead >= 0xF0)
    return 4;
  if (lead >= 0xE0)
    return 3;
  if (lead >= 0xC0)
    return 2;
  return 1;
}

// Decodes one code point at `i` and advances `i` past what was consumed. Overlong forms, encoded
// surrogates, values above U+10FFFF, bad lead bytes and cut sequences give U+FFFD.
inline char32_t Decode(std::string_view s, std::size_t& i)
{
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80)
  {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0, minimum = 0;
  if ((b0 & 0xE0) == 0xC0)
  {
    extra = 1;
    cp = b0 & 0x1F;
    minimum = 0x80;
  }
  else if ((b0 & 0xF0) == 0xE0)
  {
    extra = 2;
    cp = b0 & 0x0F;
    minimum = 0x800;
  }
  else if ((b0 & 0xF8) == 0xF0)
  {
    extra = 3;
    cp = b0 & 0x07;
    minimum = 0x10000;
  }
  else
  {
    ++i;
    return kReplacement;
  }
  std::size_t k = i + 1;
  for (int n = 0; n < extra; ++n, ++k)
  {
    if (k >= s.size() || !IsContinuation(byte(k)))
    {
      i = k; // resume at the offending byte
      return kReplacement;
    }
    cp = (cp << 6) | (byte(k) & 0x3F);
  }
  i = k;
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return kReplacement;
  return cp;
}

// Characters in `s`, counted by their lead bytes.
inline std::size_t CountCharacters(std::string_view s)
{
  std::size_t n = 0;
  for (const char ch : s)
    if (!IsContinuation(static_cast<unsigned char>(ch)))
      ++n;
  return n;
}

// Removes the last character of `s` with all its bytes.
inline void PopCharacter(std::string& s)
{
  while (!s.empty())
  {
    const auto ch = static_cast<unsigned char>(s.back());
    s.pop_back();
    if (!IsContinuation(ch))
      break;
  }
}

} // namespace utf8
