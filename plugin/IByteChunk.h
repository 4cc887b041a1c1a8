#pragma once
// A growable byte buffer for state blocks. Numbers are stored little-endian on every build.

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

namespace plugfw {

class IByteChunk
{
public:
  int Size() const { return static_cast<int>(mBytes.size()); }
  const uint8_t* GetData() const { return mBytes.data(); }
  uint8_t* GetData() { return mBytes.data(); }
  void Clear() { mBytes.clear(); }

  // Appends raw bytes; false (and nothing appended) when the buffer cannot grow.
  bool PutBytes(const void* data, int size)
  {
    if (size < 0)
      return false;
    if (size == 0)
      return true;
    try
    {
      const auto* p = static_cast<const uint8_t*>(data);
      mBytes.insert(mBytes.end(), p, p + size);
    }
    catch (const std::bad_alloc&)
    {
      return false;
    }
    catch (const std::length_error&)
    {
      return false;
    }
    return true;
  }

  // Appends an arithmetic value in little-endian byte order.
  template <typename T>
  bool Put(const T& value)
  {
    static_assert(std::is_arithmetic_v<T>);
    uint8_t b[sizeof(T)];
    ToLittleEndian(value, b);
    return PutBytes(b, sizeof(T));
  }

  // Reads a little-endian value at startPos; returns the position after it, or -1 when fewer
  // than sizeof(T) bytes remain (value untouched).
  template <typename T>
  int Get(T* value, int startPos) const
  {
    static_assert(std::is_arithmetic_v<T>);
    if (startPos < 0 || startPos > Size() || Size() - startPos < static_cast<int>(sizeof(T)))
      return -1;
    FromLittleEndian(mBytes.data() + startPos, *value);
    return startPos + static_cast<int>(sizeof(T));
  }

  template <typename T>
  static void ToLittleEndian(const T& value, uint8_t* out)
  {
    using U = std::conditional_t<
        sizeof(T) == 8, uint64_t,
        std::conditional_t<sizeof(T) == 4, uint32_t,
                           std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>>>;
    U u;
    std::memcpy(&u, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T); ++i)
      out[i] = static_cast<uint8_t>(u >> (8 * i));
  }

  template <typename T>
  static void FromLittleEndian(const uint8_t* in, T& value)
  {
    using U = std::conditional_t<
        sizeof(T) == 8, uint64_t,
        std::conditional_t<sizeof(T) == 4, uint32_t,
                           std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>>>;
    U u = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
      u |= static_cast<U>(static_cast<U>(in[i]) << (8 * i));
    std::memcpy(&value, &u, sizeof(T));
  }

private:
  std::vector<uint8_t> mBytes;
};

} // namespace plugfw
