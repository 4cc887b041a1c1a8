#pragma once
// The graphics editor on top of the editor delegate: makes the graphics context when the
// editor opens, lays it out, destroys it on close, and keeps its size and scale in between.

#include <functional>

#include "plugin/IEditorDelegate.h"
#include "plugin/IHostRunLoop.h"

namespace plugfw {

class ICanvasEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<IGraphicsContext*()>;
  using LayoutFunc = std::function<void(IGraphicsContext* pContext)>;

  explicit ICanvasEditorDelegate(int nParams);
  ~ICanvasEditorDelegate() override;

  void* OpenEditor(void* pParent) override;                                 // [UI thread]
  void CloseEditor() override;                                              // [UI thread]
  bool SerializeEditorSize(IByteChunk& data) const override;                // [any thread]
  int UnserializeEditorSize(const IByteChunk& data, int startPos) override; // [any thread]

  virtual IGraphicsContext* CreateGraphics();        // [UI thread]
  virtual void LayoutUI(IGraphicsContext* pContext); // [UI thread]

  // --- non-virtual ---
  IGraphicsContext* GetGraphicsContext() const { return mGraphics.get(); }
  bool IsEditorOpen() const { return mGraphics != nullptr; }
  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }
  // The host's run loop for the next window (see IHostRunLoop); not owned.
  void SetHostRunLoop(IHostRunLoop* loop) { mHostRunLoop = loop; }
  IHostRunLoop* GetHostRunLoop() const { return mHostRunLoop; }
  int GetSavedWidth() const { return mSavedWidth; }
  int GetSavedHeight() const { return mSavedHeight; }
  float GetSavedScale() const { return mSavedScale; }

protected:
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  std::unique_ptr<IGraphicsContext> mGraphics;
  int mSavedWidth = 0;
  int mSavedHeight = 0;
  float mSavedScale = 0.0f;
  bool mClosing = false;
  IHostRunLoop* mHostRunLoop = nullptr;
};

} // namespace plugfw
