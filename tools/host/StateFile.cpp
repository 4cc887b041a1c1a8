#include "tools/host/StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qhost {

namespace fs = std::filesystem;

namespace {

bool ReadAll(const std::string& path, std::vector<char>& bytes, std::string& error)
{
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
  {
    error = std::strerror(errno);
    return false;
  }
  bytes.clear();
  char chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  const bool ok = !std::ferror(f);
  if (!ok)
    error = "read error";
  std::fclose(f);
  return ok;
}

} // namespace

StateRead ReadStateFile(const std::string& path, std::vector<char>& bytes, std::string& error)
{
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st))
    return StateRead::kMissing;
  if (!fs::is_regular_file(st))
  {
    error = "not a regular file";
    return StateRead::kFailed;
  }
  if (!ReadAll(path, bytes, error))
    return StateRead::kFailed;
  if (bytes.empty())
  {
    error = "the file is empty";
    return StateRead::kFailed;
  }
  return StateRead::kRead;
}

bool WriteStateFile(const std::string& path, const std::vector<char>& bytes, std::string& error)
{
  if (bytes.empty())
  {
    error = "the plug-in gave no state";
    return false;
  }
  const std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f)
  {
    error = tmp + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  std::vector<char> back;
  std::string readError;
  if (!written || !closed || !ReadAll(tmp, back, readError) || back != bytes)
  {
    error = tmp + ": the written state did not read back (disk full?)";
    std::error_code ec;
    fs::remove(tmp, ec);
    return false;
  }
  std::error_code ec;
  if (fs::exists(path, ec))
  {
    fs::copy_file(path, path + ".bak", fs::copy_options::overwrite_existing, ec);
    if (ec)
    {
      error = path + ".bak: " + ec.message() + " (the old state is kept, the new one not saved)";
      fs::remove(tmp, ec);
      return false;
    }
  }
  fs::rename(tmp, path, ec);
  if (ec)
  {
    error = path + ": " + ec.message();
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

bool SetAside(const std::string& path, std::string& movedTo, std::string& error)
{
  movedTo = path + ".bad";
  std::error_code ec;
  fs::rename(path, movedTo, ec);
  if (ec)
  {
    error = ec.message();
    return false;
  }
  return true;
}

} // namespace qhost
