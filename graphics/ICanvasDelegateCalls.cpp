// The graphics context's calls into the editor delegate.

#include "graphics/ICanvas.h"
#include "plugin/ICanvasEditorDelegate.h"

namespace plugfw::ui {

IParam* ICanvas::GetParam(int paramIdx) const
{
  return mDelegate ? mDelegate->GetParam(paramIdx) : nullptr;
}

int ICanvas::NParams() const
{
  return mDelegate ? mDelegate->NParams() : 0;
}

void ICanvas::BeginParameterChangeFromUI(int paramIdx)
{
  if (mDelegate && GetParam(paramIdx))
    mDelegate->BeginParameterChangeFromUI(paramIdx);
}

void ICanvas::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  if (mDelegate && GetParam(paramIdx))
    mDelegate->SetParameterValueFromUI(paramIdx, normalizedValue);
}

void ICanvas::EndParameterChangeFromUI(int paramIdx)
{
  if (mDelegate && GetParam(paramIdx))
    mDelegate->EndParameterChangeFromUI(paramIdx);
}

bool ICanvas::ConstrainEditorResize(int& w, int& h) const
{
  return mDelegate ? mDelegate->ConstrainEditorResize(w, h) : true;
}

void ICanvas::EditorResizeFromUI(int viewW, int viewH, bool needsHostResize)
{
  if (mDelegate)
    mDelegate->EditorResizeFromUI(viewW, viewH, needsHostResize);
}

void ICanvas::RunLayout()
{
  if (mLayoutFunc)
  {
    mLayoutFunc(*this);
  }
  else if (auto* d = dynamic_cast<ICanvasEditorDelegate*>(mDelegate))
  {
    d->LayoutUI(this);
  }
}

} // namespace plugfw::ui
