// A plug-in's state kept in a file across runs (quellor-host --live --state FILE).
//
// Writing is atomic: the bytes go to FILE.tmp, are read back and compared, the file they replace
// is kept as FILE.bak, and FILE.tmp is renamed over FILE, so FILE is at every moment either the
// old state or the new one. A file that could not be loaded is never written over: it is moved
// aside to FILE.bad first (see SetAside), so nothing a user saved is lost to a bad read.
#pragma once

#include <string>
#include <vector>

namespace qhost {

enum class StateRead
{
  kMissing, // no file there yet
  kRead,    // bytes holds the file
  kFailed,  // there is something, but it could not be read (error says why)
};

StateRead ReadStateFile(const std::string& path, std::vector<char>& bytes, std::string& error);

// False (and why in error) when nothing was written; the old file is then untouched. Refuses an
// empty state.
bool WriteStateFile(const std::string& path, const std::vector<char>& bytes, std::string& error);

// Moves an unreadable file to path + ".bad" (replacing an older one); false when it cannot.
bool SetAside(const std::string& path, std::string& movedTo, std::string& error);

} // namespace qhost
