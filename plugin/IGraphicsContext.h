#pragma once
// What the editor delegate needs from the editor's graphics context. The GUI framework's
// canvas implements it; the plug-in core talks only to this interface, so it has no link
// dependency on the GUI code.

#include <cstring>

#include "plugin/IMidi.h"

namespace plugfw {
class IHostRunLoop;
}

namespace plugfw {

// A key event: the text of the key (UTF-8, at most 4 bytes), a Windows virtual key code and
// the modifier state.
struct IKeyPress
{
  char utf8[5] = {};
  int VK = 0;
  bool S = false; // shift
  bool C = false; // control
  bool A = false; // alt

  IKeyPress() = default;
  IKeyPress(const char* text, int vk, bool shift = false, bool ctrl = false, bool alt = false)
      : VK(vk), S(shift), C(ctrl), A(alt)
  {
    if (text)
      std::memcpy(utf8, text, strnlen(text, sizeof(utf8) - 1));
  }
};

class IGraphicsContext
{
public:
  virtual ~IGraphicsContext() = default;

  // Logical size and the scale the editor is drawn at.
  virtual int Width() const = 0;          // [UI thread]
  virtual int Height() const = 0;         // [UI thread]
  virtual float GetDrawScale() const = 0; // [UI thread]
  // Resizes the editor to a logical size and draw scale.
  virtual void Resize(int width, int height, float drawScale) = 0; // [UI thread]
  // The platform's display scale (DPI / 96 on Windows).
  virtual void SetScreenScale(float scale) = 0; // [UI thread]

  // The host's run loop for windows driven through it (Linux); given before OpenWindow, null
  // when the host offers none. Platforms that need none ignore it.
  virtual void SetHostRunLoop(IHostRunLoop* loop) { (void)loop; } // [UI thread]
  // Creates the platform window in parent; returns its handle (null on failure).
  virtual void* OpenWindow(void* parent) = 0; // [UI thread]
  virtual void CloseWindow() = 0;             // [UI thread]

  // Key routing at a logical position; true when a control handled the key.
  virtual void GetMouseLocation(float& x, float& y) const = 0;        // [UI thread]
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0; // [UI thread]
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;   // [UI thread]

  // Values and messages pushed from the delegate to the controls.
  virtual void SetControlValueFromDelegate(int ctrlTag, double normalizedValue) = 0; // [UI thread]
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize,
                                          const void* pData) = 0; // [UI thread]
  // Every control bound to paramIdx takes the normalised value.
  virtual void SetParamValueFromDelegate(int paramIdx, double normalizedValue) = 0; // [UI thread]
  // Every control that wants MIDI receives the message.
  virtual void ForwardMidiMsg(const IMidiMsg& msg) = 0; // [UI thread]
};

} // namespace plugfw
