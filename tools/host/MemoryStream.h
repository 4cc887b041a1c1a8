// An in-memory IBStream for state save/restore, with switches that imitate faulty host streams.
#pragma once

#include <vector>

#include "vst3api/base/Stream.h"
#include "vst3api/sdk/FObject.h"

namespace qhost {

class MemoryStream : public Steinberg::FObject,
                     public Steinberg::IBStream,
                     public Steinberg::ISizeableStream
{
public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<char> initial) : data(std::move(initial)) {}

  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                     Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                     Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;
  Steinberg::tresult PLUGIN_API getStreamSize(Steinberg::int64& size) override;
  Steinberg::tresult PLUGIN_API setStreamSize(Steinberg::int64 size) override;

  const std::vector<char>& bytes() const { return data; }
  Steinberg::int64 position() const { return pos; }
  void rewind() { pos = 0; }

  // Fault switches:
  // - bytes at or after readLimit cannot be read: reads come back short, then empty (a cut stream);
  // - from failReadsFrom on the stream is broken: a read crossing it returns the bytes before it,
  //   a read starting there reports kResultFalse and reads nothing;
  // - failWrites makes every write report kResultFalse.
  Steinberg::int64 readLimit = -1;
  Steinberg::int64 failReadsFrom = -1;
  bool failWrites = false;
  int readCalls = 0;

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::IBStream)
  DEF_INTERFACE(Steinberg::ISizeableStream)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  std::vector<char> data;
  Steinberg::int64 pos = 0;
};

} // namespace qhost
