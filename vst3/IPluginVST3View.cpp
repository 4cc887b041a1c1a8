#include "vst3/IPluginVST3View.h"

#include <cstring>

#include "plugin/HostTable.h"
#include "plugin/IGraphicsContext.h"
#include "vst3/HostRunLoopAdapter.h"
#include "vst3/HostText.h"
#include "vst3/IPluginVST3.h"
#include "vst3/IPluginVST3Parameter.h"

using namespace Steinberg;

namespace plugfw {

IPluginVST3View::IPluginVST3View(IPluginVST3& plug) : mPlug(&plug)
{
  mPlug->addRef();
}

IPluginVST3View::~IPluginVST3View()
{
  if (isAttached() && mPlug->HasUI())
    mPlug->CloseEditor(); // released while still attached: the editor must not outlive its window
  ReleaseRunLoop();
  mPlug->OnViewDestroyed(this);
  mPlug->release();
}

tresult PLUGIN_API IPluginVST3View::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, IPlugViewContentScaleSupport::iid))
  {
    addRef();
    *obj = static_cast<IPlugViewContentScaleSupport*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(_iid, IPlugView::iid) ||
      FUnknownPrivate::iidEqual(_iid, FUnknown::iid))
  {
    addRef();
    *obj = static_cast<IPlugView*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API IPluginVST3View::isPlatformTypeSupported(FIDString type)
{
  if (mPlug->HasUI() && type && std::strcmp(type, NativePlatformType()) == 0)
    return kResultTrue;
  return kResultFalse;
}

tresult PLUGIN_API IPluginVST3View::attached(void* parent, FIDString type)
{
  if (!mPlug->HasUI())
    return kResultFalse;
  if (!type || std::strcmp(type, NativePlatformType()) != 0)
    return kResultTrue;
  if (isAttached())
    return kResultFalse; // attached twice without removed
  if (NativeWindowNeedsRunLoop())
  {
    // Without the frame's run loop the window could not be driven: refuse before anything is
    // made, so the host keeps its own parameter view.
    mRunLoop = HostRunLoopAdapter::FromUnknown(plugFrame);
    if (!mRunLoop)
      return kResultFalse;
    mPlug->SetHostRunLoop(mRunLoop.get());
  }
  CPluginView::attached(parent, type);
  if (!mPlug->OpenEditor(parent) && NativeWindowNeedsRunLoop())
  {
    // The window could not be made (no X server, a bad parent): nothing is left registered.
    mPlug->CloseEditor();
    ReleaseRunLoop();
    CPluginView::removed();
    return kResultFalse;
  }
  return kResultTrue;
}

tresult PLUGIN_API IPluginVST3View::removed()
{
  if (mPlug->HasUI())
    mPlug->CloseEditor(); // ignored while the editor is already closing
  // The window has unregistered its own handlers; anything it left is dropped here, before the
  // host may tear its run loop down.
  ReleaseRunLoop();
  return CPluginView::removed();
}

void IPluginVST3View::ReleaseRunLoop()
{
  if (!mRunLoop)
    return;
  if (mPlug->GetHostRunLoop() == mRunLoop.get())
    mPlug->SetHostRunLoop(nullptr);
  mRunLoop.reset();
}

tresult PLUGIN_API IPluginVST3View::getSize(ViewRect* size)
{
  if (!mPlug->HasUI())
    return kResultFalse;
  if (!size)
    return kInvalidArgument;
  *size = ViewRect(0, 0, mPlug->GetEditorWidth(), mPlug->GetEditorHeight());
  return kResultTrue;
}

tresult PLUGIN_API IPluginVST3View::onSize(ViewRect* newSize)
{
  if (!mPlug->GetHostResizeEnabled())
    return kResultFalse;
  if (!newSize)
    return kInvalidArgument;
  rect = *newSize;
  mPlug->OnParentWindowResize(newSize->getWidth(), newSize->getHeight());
  return kResultTrue;
}

tresult PLUGIN_API IPluginVST3View::setFrame(IPlugFrame* frame)
{
  if (frame)
    mPlug->AttachRunLoop(frame);
  return CPluginView::setFrame(frame);
}

tresult PLUGIN_API IPluginVST3View::canResize()
{
  return (mPlug->HasUI() && mPlug->GetHostResizeEnabled()) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IPluginVST3View::checkSizeConstraint(ViewRect* r)
{
  if (!r)
    return kInvalidArgument;
  int w = r->getWidth(), h = r->getHeight();
  const int w0 = w, h0 = h;
  mPlug->ConstrainEditorResize(w, h);
  if (w != w0 || h != h0)
  {
    r->right = r->left + w;
    r->bottom = r->top + h;
  }
  return kResultTrue;
}

tresult PLUGIN_API IPluginVST3View::setContentScaleFactor(ScaleFactor factor)
{
  mPlug->SetScreenScale(factor);
  return kResultTrue;
}

void IPluginVST3View::ResizeFromPlugin(int width, int height)
{
  if (plugFrame)
  {
    ViewRect r(0, 0, width, height);
    plugFrame->resizeView(this, &r);
  }
}

namespace {

int WindowsVirtualKey(int16 code, const char* text)
{
  if (code == 0 || code == 57)
    return VirtualKeyOfCharacter(text[0]);
  if (code >= 128)
    return code - 80;
  switch (code)
  {
  case 1:
    return 8;
  case 2:
    return 9;
  case 3:
    return 12;
  case 4:
  case 19:
    return 13;
  case 5:
    return 19;
  case 6:
    return 27;
  case 7:
    return 32;
  case 8:
  case 16:
    return 34;
  case 15:
    return 33;
  case 17:
    return 41;
  case 18:
    return 42;
  case 52:
    return 144;
  case 53:
    return 145;
  case 54:
    return 16;
  case 55:
    return 17;
  case 56:
    return 18;
  default:
    break;
  }
  if (code >= 9 && code <= 14)
    return 35 + (code - 9);
  if (code >= 20 && code <= 23)
    return 44 + (code - 20);
  if (code >= 24 && code <= 39)
    return 96 + (code - 24);
  if (code >= 40 && code <= 51)
    return 112 + (code - 40);
  return 0;
}

} // namespace

bool IPluginVST3View::TranslateKey(int host, char16 key, int16 keyCode, int16 modifiers,
                                   IKeyPress& out)
{
  const bool shift = modifiers & 1, alt = modifiers & 2, ctrl = modifiers & 4;
  if (host == kHostReaper)
  {
    if (keyCode != 7)
      return false;
    out = IKeyPress(" ", 32, shift, ctrl, alt);
    return true;
  }
  char16 ch = key;
  if (ch == 0)
  {
    if (keyCode >= 128)
      ch = static_cast<char16>(keyCode - 80);
    else if (keyCode == 7)
      ch = u' ';
  }
  char text[5] = {};
  // Only characters that are one byte as 8-bit text are carried.
  if (ch != 0)
  {
    const char16 one[2] = {ch, 0};
    const std::string narrow = NarrowToAnsi(one, 1);
    // '?' is also what a character without an 8-bit form narrows to: keep only a real one.
    if (narrow.size() == 1 && (narrow[0] != '?' || ch == u'?'))
      text[0] = narrow[0];
  }
  out = IKeyPress(text, WindowsVirtualKey(keyCode, text), shift, ctrl, alt);
  return true;
}

tresult IPluginVST3View::DoKey(bool down, char16 key, int16 keyCode, int16 modifiers)
{
  IKeyPress press;
  if (!TranslateKey(mPlug->GetHost(), key, keyCode, modifiers, press))
    return kResultFalse;
  const bool handled = down ? mPlug->OnKeyDown(press) : mPlug->OnKeyUp(press);
  return handled ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IPluginVST3View::onKeyDown(char16 key, int16 keyCode, int16 modifiers)
{
  return DoKey(true, key, keyCode, modifiers);
}

tresult PLUGIN_API IPluginVST3View::onKeyUp(char16 key, int16 keyCode, int16 modifiers)
{
  return DoKey(false, key, keyCode, modifiers);
}

} // namespace plugfw
