#pragma once
// The editor side of the plug-in core: the parameter list, the editor's size and limits, the
// parameter-change notifications and the messages between the audio side and the editor.
// The order of the virtual operations is part of the class's definition; do not reorder.

#include <memory>
#include <string>
#include <vector>

#include "plugin/IByteChunk.h"
#include "plugin/IGraphicsContext.h"
#include "plugin/IMidi.h"
#include "plugin/IParam.h"

namespace plugfw {

// Where a parameter change came from.
enum EParamSource
{
  kReset = 0,
  kHost = 1,
  kPresetRecall = 2,
  kUI = 3,
  kDelegate = 4,
  kRecompile = 5,
  kUnknown = 6,
};

const char* ParamSourceStr(EParamSource source);

class IEditorDelegate
{
public:
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();

  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // Editor window
  virtual void* OpenEditor(void* pParent);                  // [UI thread]
  virtual void CloseEditor();                               // [UI thread]
  virtual void OnParentWindowResize(int width, int height); // [UI thread]
  virtual void OnEditorOpen();                              // [UI thread]
  virtual void OnEditorClose();                             // [UI thread]

  // Notifications
  virtual void OnParamChange(int paramIdx); // [any thread] audio thread for host automation
  virtual void OnParamChange(int paramIdx, EParamSource source,
                             int sampleOffset = -1);                                // [any thread]
  virtual void OnParamChangeForEditor(int paramIdx, EParamSource source);           // [UI thread]
  virtual void OnAllParamsChanged(EParamSource source);                             // [UI thread]
  virtual void OnMidiMsgForEditor(const IMidiMsg& msg);                             // [UI thread]
  virtual void OnSysexMsgForEditor(const ISysEx& msg);                              // [UI thread]
  virtual bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData); // [UI thread]
  virtual void OnStateRestored();                                                   // [UI thread]

  // Keys
  virtual bool OnKeyDown(const IKeyPress& key); // [UI thread]
  virtual bool OnKeyUp(const IKeyPress& key);   // [UI thread]

  // Delegate -> editor
  virtual void SendControlValueFromDelegate(int ctrlTag, double normalizedValue); // [UI thread]
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize = 0,
                                          const void* pData = nullptr); // [UI thread]
  virtual void SendArbitraryMsgFromDelegate(int msgTag, int dataSize = 0,
                                            const void* pData = nullptr);        // [UI thread]
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg);                     // [UI thread]
  virtual void SendSysexMsgFromDelegate(const ISysEx& msg);                      // [UI thread]
  virtual void PushValueToControls(int paramIdx, double value, bool normalized); // [UI thread]
  virtual void SendParameterValuesToHost();                                      // [UI thread]

  // Editor -> delegate
  virtual void BeginParameterChangeFromUI(int paramIdx);                            // [UI thread]
  virtual void SetParameterValueFromUI(int paramIdx, double normalizedValue);       // [UI thread]
  virtual void EndParameterChangeFromUI(int paramIdx);                              // [UI thread]
  virtual bool EditorResizeFromUI(int width, int height, bool needsPlatformResize); // [UI thread]
  virtual void SendMidiMsgFromUI(const IMidiMsg& msg);                              // [UI thread]
  virtual void SendSysexMsgFromUI(const ISysEx& msg);                               // [UI thread]
  virtual void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0,
                                      const void* pData = nullptr); // [UI thread]
  virtual void DeferMidiMsg(const IMidiMsg& msg);                   // [UI thread]
  virtual void DeferSysexMsg(const ISysEx& msg);                    // [UI thread]

  // Editor size and scale
  virtual bool ConstrainEditorResize(int& width, int& height) const;       // [UI thread]
  virtual bool SerializeEditorSize(IByteChunk& data) const;                // [any thread]
  virtual int UnserializeEditorSize(const IByteChunk& data, int startPos); // [any thread]
  virtual void SetScreenScale(float scale);                                // [UI thread]

  // --- non-virtual ---
  int NParams() const { return static_cast<int>(mParams.size()); }
  IParam* GetParam(int paramIdx) const
  {
    return (paramIdx >= 0 && paramIdx < NParams()) ? mParams[paramIdx].get() : nullptr;
  }

  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  void SetEditorSize(int width, int height)
  {
    mEditorWidth = width;
    mEditorHeight = height;
  }
  // Each pair is ordered so that the minimum is the smaller value.
  void SetSizeConstraints(int widthLo, int widthHi, int heightLo, int heightHi);
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }

protected:
  // The open graphics context, or null; owned by ICanvasEditorDelegate, mirrored here so the
  // editor operations declared at this level can reach it.
  IGraphicsContext* mContext = nullptr;

  std::vector<std::unique_ptr<IParam>> mParams;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 10;
  int mMaxWidth = 100000;
  int mMinHeight = 10;
  int mMaxHeight = 100000;
};

} // namespace plugfw
