#pragma once
// The test host's platform side (HostPlatformWin.cpp / HostPlatformX11.cpp): where a module's
// binary sits in its bundle, how it is opened and its entry and exit points called, the run
// loop Linux hosts offer, and the window messages Windows threads pump.

#include <string>

namespace qhost::platform {

// The module binary inside a bundle folder `root` whose name without ".vst3" is `stem`.
std::string moduleBinaryPath(const std::string& root, const std::string& stem);
// Opens the binary; on failure returns null and says why in `error`.
void* openLibrary(const std::string& binary, std::string& error);
void* librarySymbol(void* handle, const char* name);
void closeLibrary(void* handle);

// The names of the entry and exit exports, and whether a host must refuse a module without them.
extern const char* const kEntryName;
extern const char* const kExitName;
extern const bool kEntryAndExitRequired;
bool callEntry(void* entryProc, void* handle);
bool callExit(void* exitProc);

// Whether a host offers its run loop (IRunLoop) to the plug-in: Linux hosts do.
extern const bool kHostsOfferRunLoop;
// Whether descriptor `fd` has something to read now (never blocks; false where descriptors are
// not watched).
bool descriptorReadable(int fd);
// Dispatches the thread's pending window messages, where the platform has them.
void dispatchWindowMessages();

} // namespace qhost::platform
