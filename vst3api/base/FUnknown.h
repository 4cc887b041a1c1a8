// FUID (16-byte interface and class ids) and FUnknown, the root of every interface.
#pragma once

#include <cstring>

#include "vst3api/base/Types.h"

namespace Steinberg {

// A 16-byte id built from four 32-bit words. On Windows the bytes form an in-memory GUID
// (so interfaces stay COM-compatible); elsewhere each word is stored big-endian. Either way
// the 32-digit text form is the same, which keeps ids in presets and projects portable.
class FUID
{
public:
  constexpr FUID() : data{} {}
  constexpr FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) : data{}
  {
#if COM_COMPATIBLE
    put(0, l1 & 0xFF);
    put(1, (l1 >> 8) & 0xFF);
    put(2, (l1 >> 16) & 0xFF);
    put(3, (l1 >> 24) & 0xFF);
    put(4, (l2 >> 16) & 0xFF);
    put(5, (l2 >> 24) & 0xFF);
    put(6, l2 & 0xFF);
    put(7, (l2 >> 8) & 0xFF);
#else
    putBigEndian(0, l1);
    putBigEndian(4, l2);
#endif
    putBigEndian(8, l3);
    putBigEndian(12, l4);
  }

  // Takes the 16 bytes as they are (the platform's own byte order).
  static FUID fromTUID(const TUID uid)
  {
    FUID f;
    if (uid)
      std::memcpy(f.data, uid, 16);
    return f;
  }
  void toTUID(TUID result) const
  {
    std::memcpy(result, data, 16);
  }

  constexpr operator const TUID&() const
  {
    return data;
  }

  bool isValid() const
  {
    static constexpr char zero[16] = {};
    return std::memcmp(data, zero, 16) != 0;
  }

  uint32 getLong1() const;
  uint32 getLong2() const;
  uint32 getLong3() const;
  uint32 getLong4() const;

  // 32 hex digits plus terminator: the four words as %08X each.
  void toString(char8* string33) const;
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} plus terminator (39 chars).
  void toRegistryString(char8* string39) const;
  // Parses the 32-digit form; false (and unchanged) on anything else.
  bool fromString(const char8* string);

  bool operator==(const FUID& other) const
  {
    return std::memcmp(data, other.data, 16) == 0;
  }
  bool operator==(const char* uid) const
  {
    return uid && std::memcmp(data, uid, 16) == 0;
  }

  TUID data;

private:
  constexpr void put(int index, uint32 byte)
  {
    data[index] = static_cast<char>(static_cast<uint8>(byte));
  }
  constexpr void putBigEndian(int index, uint32 word)
  {
    put(index, (word >> 24) & 0xFF);
    put(index + 1, (word >> 16) & 0xFF);
    put(index + 2, (word >> 8) & 0xFF);
    put(index + 3, word & 0xFF);
  }
};

namespace FUnknownPrivate {
inline bool iidEqual(const void* iid1, const void* iid2)
{
  return iid1 && iid2 && std::memcmp(iid1, iid2, 16) == 0;
}
} // namespace FUnknownPrivate

class FUnknown
{
public:
  virtual tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) = 0;
  virtual uint32 PLUGIN_API addRef() = 0;
  virtual uint32 PLUGIN_API release() = 0;

  static constexpr FUID iid{0x00000000, 0x00000000, 0xC0000000, 0x00000046};
};

// Owning smart pointer: holds one reference.
template <class I>
class IPtr
{
public:
  IPtr() = default;
  // Adopts an existing reference when addRef is false.
  IPtr(I* p, bool addRef = true) : ptr(p)
  {
    if (ptr && addRef)
      ptr->addRef();
  }
  IPtr(const IPtr& other) : ptr(other.ptr)
  {
    if (ptr)
      ptr->addRef();
  }
  IPtr(IPtr&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
  ~IPtr()
  {
    if (ptr)
      ptr->release();
  }
  IPtr& operator=(const IPtr& other)
  {
    reset(other.ptr);
    return *this;
  }
  IPtr& operator=(IPtr&& other) noexcept
  {
    if (this != &other)
    {
      I* old = ptr;
      ptr = other.ptr;
      other.ptr = nullptr;
      if (old)
        old->release();
    }
    return *this;
  }
  IPtr& operator=(I* p)
  {
    reset(p);
    return *this;
  }
  void reset(I* p = nullptr)
  {
    if (p)
      p->addRef();
    I* old = ptr;
    ptr = p;
    if (old)
      old->release();
  }
  // Hands the held reference to the caller.
  I* take()
  {
    I* p = ptr;
    ptr = nullptr;
    return p;
  }
  I* get() const { return ptr; }
  I* operator->() const { return ptr; }
  operator I*() const { return ptr; }
  explicit operator bool() const { return ptr != nullptr; }

protected:
  I* ptr = nullptr;
};

// Wraps a new object that already carries the caller's reference.
template <class I>
IPtr<I> owned(I* p)
{
  return IPtr<I>(p, false);
}

// Queries an interface from any FUnknown and holds the resulting reference.
template <class I>
class FUnknownPtr : public IPtr<I>
{
public:
  explicit FUnknownPtr(FUnknown* unknown)
  {
    if (unknown)
    {
      void* obj = nullptr;
      if (unknown->queryInterface(I::iid, &obj) == kResultOk)
        this->ptr = static_cast<I*>(obj);
    }
  }
  FUnknownPtr() = default;
};

} // namespace Steinberg
