// Dragging a file out of the editor: an OLE data object offering the path as a file drop
// (CF_HDROP), with a drop source that follows the left button and Escape.

#include "graphics/ICanvasWin.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstring>

namespace plugfw::ui {

namespace {

// Reference counting and QueryInterface for an object with one COM interface besides IUnknown.
template <typename Interface>
class IComObject : public Interface
{
public:
  explicit IComObject(REFIID iid) : mIid(iid) {}
  virtual ~IComObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** obj) override
  {
    if (!obj)
      return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, mIid))
    {
      *obj = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *obj = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++mRefs); }
  ULONG STDMETHODCALLTYPE Release() override
  {
    const long n = --mRefs;
    if (n == 0)
      delete this;
    return static_cast<ULONG>(n);
  }

private:
  const IID mIid;
  long mRefs = 1;
};

class DropSource final : public IComObject<IDropSource>
{
public:
  DropSource() : IComObject(IID_IDropSource) {}
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
  {
    if (escape)
      return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON))
      return DRAGDROP_S_DROP;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// The one format offered: a DROPFILES block with one wide path.
class FileDataObject final : public IComObject<IDataObject>
{
public:
  explicit FileDataObject(std::wstring path) : IComObject(IID_IDataObject), mPath(std::move(path))
  {}

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* fmt, STGMEDIUM* medium) override
  {
    if (!fmt || !medium)
      return E_INVALIDARG;
    if (QueryGetData(fmt) != S_OK)
      return DV_E_FORMATETC;
    const size_t chars = mPath.size() + 2; // path, its terminator and the list's
    const size_t bytes = sizeof(DROPFILES) + chars * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GHND, bytes);
    if (!h)
      return E_OUTOFMEMORY;
    auto* df = static_cast<DROPFILES*>(GlobalLock(h));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), mPath.c_str(),
                mPath.size() * sizeof(wchar_t));
    GlobalUnlock(h);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = h;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* fmt) override
  {
    if (!fmt)
      return E_INVALIDARG;
    return (fmt->cfFormat == CF_HDROP && (fmt->tymed & TYMED_HGLOBAL) &&
            fmt->dwAspect == DVASPECT_CONTENT)
               ? S_OK
               : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
  {
    if (out)
      out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override
  {
    if (direction != DATADIR_GET)
      return E_NOTIMPL;
    FORMATETC fmt{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &fmt, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
  {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override
  {
    return OLE_E_ADVISENOTSUPPORTED;
  }

private:
  std::wstring mPath;
};

} // namespace

bool ICanvasWin::InitiateExternalFileDragDrop(const char* path)
{
  if (!path || !path[0] || !mPlugWnd)
    return false;
  const HRESULT init = OleInitialize(nullptr);
  if (FAILED(init))
    return false;
  ReleaseCapture();
  auto* data = new FileDataObject(Widen(path));
  auto* source = new DropSource();
  DWORD effect = 0;
  const HRESULT r = DoDragDrop(data, source, DROPEFFECT_COPY, &effect);
  data->Release();
  source->Release();
  OleUninitialize();
  return r == DRAGDROP_S_DROP;
}

} // namespace plugfw::ui
