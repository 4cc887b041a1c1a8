#include "plugin/ICanvasEditorDelegate.h"

#include <cmath>

namespace plugfw {

ICanvasEditorDelegate::ICanvasEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

ICanvasEditorDelegate::~ICanvasEditorDelegate()
{
  // A host that releases the plug-in with its editor still open: close it properly first.
  if (mGraphics)
  {
    mGraphics->CloseWindow();
    mContext = nullptr;
    mGraphics.reset();
  }
}

void* ICanvasEditorDelegate::OpenEditor(void* pParent)
{
  if (!mGraphics)
  {
    IGraphicsContext* context = CreateGraphics();
    if (!context)
      return nullptr;
    mGraphics.reset(context);
    mContext = context;
    if (mSavedWidth > 0 && mSavedHeight > 0 && mSavedScale != 0.0f)
      mGraphics->Resize(mSavedWidth, mSavedHeight, mSavedScale);
    // The layout runs once per context, right after it is made and before its window opens.
    LayoutUI(mGraphics.get());
  }
  mGraphics->SetHostRunLoop(mHostRunLoop);
  return mGraphics->OpenWindow(pParent);
}

void ICanvasEditorDelegate::CloseEditor()
{
  if (mClosing)
    return;
  mClosing = true;
  OnEditorClose();
  if (mGraphics)
  {
    mSavedWidth = mGraphics->Width();
    mSavedHeight = mGraphics->Height();
    mSavedScale = mGraphics->GetDrawScale();
    mGraphics->CloseWindow();
    mContext = nullptr;
    mGraphics.reset();
  }
  mClosing = false;
}

bool ICanvasEditorDelegate::SerializeEditorSize(IByteChunk& data) const
{
  int width = mSavedWidth, height = mSavedHeight;
  float scale = mSavedScale;
  if (mGraphics)
  {
    width = mGraphics->Width();
    height = mGraphics->Height();
    scale = mGraphics->GetDrawScale();
  }
  bool ok = data.Put(static_cast<int32_t>(width));
  ok = ok && data.Put(static_cast<int32_t>(height));
  ok = ok && data.Put(scale);
  return ok;
}

int ICanvasEditorDelegate::UnserializeEditorSize(const IByteChunk& data, int startPos)
{
  int32_t width = 0, height = 0;
  float scale = 0.0f;
  int pos = data.Get(&width, startPos);
  if (pos >= 0)
    pos = data.Get(&height, pos);
  if (pos >= 0)
    pos = data.Get(&scale, pos);
  if (pos < 0)
    return -1;
  // Sizes and scales from a stored block are checked before use; nonsense keeps the current size.
  int w = width, h = height;
  if (!(scale > 0.0f) || !std::isfinite(scale) || scale > 16.0f)
    return pos;
  ConstrainEditorResize(w, h);
  if (mGraphics)
    mGraphics->Resize(w, h, scale);
  else
  {
    mSavedWidth = w;
    mSavedHeight = h;
    mSavedScale = scale;
  }
  return pos;
}

IGraphicsContext* ICanvasEditorDelegate::CreateGraphics()
{
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void ICanvasEditorDelegate::LayoutUI(IGraphicsContext* pContext)
{
  if (mLayoutFunc)
    mLayoutFunc(pContext);
}

} // namespace plugfw
