#include "tools/host/MemoryStream.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace qhost {

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
  ++readCalls;
  if (numBytesRead)
    *numBytesRead = 0;
  if (!buffer || numBytes < 0)
    return kInvalidArgument;
  int64 end = static_cast<int64>(data.size());
  if (readLimit >= 0)
    end = std::min(end, readLimit);
  if (failReadsFrom >= 0)
  {
    if (pos >= failReadsFrom)
      return kResultFalse;
    end = std::min(end, failReadsFrom);
  }
  const int64 available = std::max<int64>(0, end - pos);
  const int32 n = static_cast<int32>(std::min<int64>(numBytes, available));
  if (n > 0)
    std::memcpy(buffer, data.data() + pos, static_cast<size_t>(n));
  pos += n;
  if (numBytesRead)
    *numBytesRead = n;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
  if (numBytesWritten)
    *numBytesWritten = 0;
  if (failWrites)
    return kResultFalse;
  if (!buffer || numBytes < 0)
    return kInvalidArgument;
  const size_t end = static_cast<size_t>(pos) + static_cast<size_t>(numBytes);
  if (end > data.size())
    data.resize(end);
  std::memcpy(data.data() + pos, buffer, static_cast<size_t>(numBytes));
  pos += numBytes;
  if (numBytesWritten)
    *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 offset, int32 mode, int64* result)
{
  int64 base = 0;
  switch (mode)
  {
  case kIBSeekSet:
    base = 0;
    break;
  case kIBSeekCur:
    base = pos;
    break;
  case kIBSeekEnd:
    base = static_cast<int64>(data.size());
    break;
  default:
    return kInvalidArgument;
  }
  const int64 target = base + offset;
  if (target < 0)
    return kInvalidArgument;
  pos = target;
  if (result)
    *result = pos;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* where)
{
  if (!where)
    return kInvalidArgument;
  *where = pos;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::getStreamSize(int64& size)
{
  size = static_cast<int64>(data.size());
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::setStreamSize(int64 size)
{
  if (size < 0)
    return kInvalidArgument;
  data.resize(static_cast<size_t>(size));
  return kResultOk;
}

} // namespace qhost
