#include "tools/host/HostPlatform.h"

#include "vst3api/ModuleEntry.h"

#include <dlfcn.h>
#include <poll.h>

namespace qhost::platform {

std::string moduleBinaryPath(const std::string& root, const std::string& stem)
{
  return root + "/Contents/x86_64-linux/" + stem + ".so";
}

void* openLibrary(const std::string& binary, std::string& error)
{
  int flags = RTLD_LAZY | RTLD_LOCAL;
#if defined(__SANITIZE_ADDRESS__)
  // LeakSanitizer's exit-time scan walks every thread's dynamic TLS; a bundle unloaded before
  // then (it has thread_local state) can leave that walk reading freed blocks and crash it.
  flags |= RTLD_NODELETE;
#endif
  void* handle = dlopen(binary.c_str(), flags);
  if (!handle)
  {
    const char* why = dlerror();
    error = "cannot load " + binary + ": " + (why ? why : "unknown error");
  }
  return handle;
}

void* librarySymbol(void* handle, const char* name)
{
  return dlsym(handle, name);
}

void closeLibrary(void* handle)
{
  dlclose(handle);
}

const char* const kEntryName = "ModuleEntry";
const char* const kExitName = "ModuleExit";
const bool kEntryAndExitRequired = true; // Linux hosts require all three exports

bool callEntry(void* entryProc, void* handle)
{
  return reinterpret_cast<Steinberg::ModuleEntryProc>(entryProc)(handle);
}

bool callExit(void* exitProc)
{
  return reinterpret_cast<Steinberg::ModuleExitProc>(exitProc)();
}

const bool kHostsOfferRunLoop = true;

bool descriptorReadable(int fd)
{
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void dispatchWindowMessages() {}

} // namespace qhost::platform
