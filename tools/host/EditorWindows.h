#pragma once
// quellor-host --editor's platform side (EditorHostWin.cpp / EditorHostX11.cpp): the host's
// top-level windows, the native event pump and what only the platform can see of the editor's
// window. The host itself (commands, audio, the recording handler) is EditorHost.cpp.

#include <memory>
#include <string>
#include <vector>

#include "vst3api/base/PlugView.h"

namespace qhost {

class RunLoop;

namespace editorhost {

// One line on standard output, flushed; safe from any thread.
void Say(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The editor's window inside a host window.
struct EditorWindowInfo
{
  long x = 0, y = 0; // its client area's origin on the screen
  long width = 0, height = 0;
  std::string presentation;  // how its frames reach the screen, as far as the host can tell
  unsigned long long id = 0; // the native window (HWND or X window)
};

class HostWindows
{
public:
  virtual ~HostWindows() = default;

  // The platform type the host hands to IPlugView::attached.
  virtual Steinberg::FIDString PlatformType() const = 0;
  // A shown top-level window with a client area of width x height; index staggers its position.
  virtual void* OpenTop(int index, int width, int height) = 0;
  virtual void CloseTop(void* top) = 0;
  virtual void SetClientSize(void* top, int width, int height) = 0;
  // False when the host window holds no editor window.
  virtual bool Describe(void* top, EditorWindowInfo& info) = 0;
  // The host window's client size.
  virtual void HostSize(void* top, int& width, int& height) = 0;
  // Native events and the run loop's due callbacks for up to `milliseconds`; false once the user
  // closed a host window.
  virtual bool Pump(RunLoop* loop, int milliseconds) = 0;

  // The text of the editor's open text entry; false when none is open (or none can be seen).
  virtual bool EntryText(void* top, std::string& text) = 0;
  // Delivers a key press and release (a platform key code) to the editor's window as messages.
  virtual bool SendKey(void* top, int key) = 0;
  // The editor window class's registration, as the platform reports it.
  virtual std::string ClassInfo(bool sample) = 0;

  // The sample layout, drawn on the window's graphics context directly without a plug-in.
  virtual bool SampleAvailable() const = 0;
  virtual bool OpenSample(int index, void* top) = 0;
  virtual void CloseSample(int index) = 0;
  // The sample editor's size (before its first opening: the layout's own), its parameters and
  // controls, for the commands about it.
  virtual bool SampleSize(int index, int& width, int& height) = 0;
  virtual bool SampleParam(int param, double& normalized) = 0;
  virtual void ReportSampleControls() = 0;
  // The same layout at the same scale, drawn without a window, as a PNG.
  virtual bool WriteSampleHeadless(const std::string& path) = 0;
};

// Opens the display or registers the window classes; null (and why in `error`) when it cannot.
std::unique_ptr<HostWindows> MakeHostWindows(std::string& error);

// Reads a sound file as planar channels at its own rate; false and why in `error` when it
// cannot (or the build reads no files).
bool ReadProgrammeFile(const std::string& path, std::vector<std::vector<float>>& channels,
                       double& sampleRate, std::string& error);

} // namespace editorhost
} // namespace qhost
