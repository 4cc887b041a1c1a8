#include "graphics/ICanvasWin.h"

#include "graphics/IDirtyPixels.h"

#include <GL/gl.h>

#include <algorithm>

namespace plugfw::ui {

namespace {

IRect ClientRectToLogical(const RECT& r, float scale)
{
  return LogicalRectFromPixels(IPixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top},
                               scale);
}

unsigned NextPowerOfTwo(int v)
{
  unsigned p = 1;
  while (p < static_cast<unsigned>(v) && p < (1u << 15))
    p <<= 1;
  return p;
}

} // namespace

// ---- OpenGL and GDI presentation ---------------------------------------------------------

bool ICanvasWin::CreateGLContext()
{
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(mDC, &pfd);
  if (format == 0 || !SetPixelFormat(mDC, format, &pfd))
    return false;
  mGLContext = wglCreateContext(mDC);
  if (!mGLContext)
    return false;
  if (!wglMakeCurrent(mDC, mGLContext))
  {
    wglDeleteContext(mGLContext);
    mGLContext = nullptr;
    return false;
  }
  glGenTextures(1, &mTexture);
  mTexW = mTexH = 0;
  return glGetError() == GL_NO_ERROR;
}

void ICanvasWin::DestroyGLContext()
{
  if (!mGLContext)
    return;
  if (mTexture)
    glDeleteTextures(1, &mTexture);
  mTexture = 0;
  mTexW = mTexH = 0;
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(mGLContext);
  mGLContext = nullptr;
}

void ICanvasWin::EnsureTexture()
{
  const IPixmap& frame = GetFrame();
  const int needW = static_cast<int>(NextPowerOfTwo(frame.Width()));
  const int needH = static_cast<int>(NextPowerOfTwo(frame.Height()));
  if (needW == mTexW && needH == mTexH)
    return;
  glBindTexture(GL_TEXTURE_2D, mTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, needW, needH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  mTexW = needW;
  mTexH = needH;
  mTextureStale = true;
}

void ICanvasWin::Present(const std::vector<RECT>& pixelRects)
{
  const IPixmap& frame = GetFrame();
  const int fw = frame.Width(), fh = frame.Height();
  if (fw <= 0 || fh <= 0)
    return;
  EnsureTexture();
  glBindTexture(GL_TEXTURE_2D, mTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, fw);
  auto upload = [&](int x0, int y0, int x1, int y1) {
    x0 = std::clamp(x0, 0, fw);
    x1 = std::clamp(x1, 0, fw);
    y0 = std::clamp(y0, 0, fh);
    y1 = std::clamp(y1, 0, fh);
    if (x1 <= x0 || y1 <= y0)
      return;
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, x0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, y0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE,
                    frame.Data());
  };
  if (mTextureStale)
  {
    upload(0, 0, fw, fh);
    mTextureStale = false;
  }
  else
  {
    // A pixel of slack around each rectangle: the renderer snaps outward.
    for (const RECT& r : pixelRects)
      upload(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);

  RECT client;
  GetClientRect(mPlugWnd, &client);
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  glViewport(0, 0, cw, ch);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glClearColor(0.f, 0.f, 0.f, 1.f);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Client pixels, y down, one texel per pixel.
  glOrtho(0.0, static_cast<double>(cw), static_cast<double>(ch), 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  const float u = static_cast<float>(fw) / static_cast<float>(mTexW);
  const float v = static_cast<float>(fh) / static_cast<float>(mTexH);
  glBegin(GL_QUADS);
  glTexCoord2f(0.f, 0.f);
  glVertex2f(0.f, 0.f);
  glTexCoord2f(u, 0.f);
  glVertex2f(static_cast<float>(fw), 0.f);
  glTexCoord2f(u, v);
  glVertex2f(static_cast<float>(fw), static_cast<float>(fh));
  glTexCoord2f(0.f, v);
  glVertex2f(0.f, static_cast<float>(fh));
  glEnd();
  glDisable(GL_TEXTURE_2D);
  SwapBuffers(mDC);
}

void ICanvasWin::PresentGDI(HDC dc)
{
  const IPixmap& frame = GetFrame();
  const int fw = frame.Width(), fh = frame.Height();
  if (fw <= 0 || fh <= 0)
    return;
  const size_t n = static_cast<size_t>(fw) * static_cast<size_t>(fh) * 4;
  if (mBgra.size() != n)
    mBgra.assign(n, 0);
  // The frame is opaque where the editor draws; swap red and blue for the device bitmap.
  const uint8_t* src = frame.Data();
  for (size_t i = 0; i < n; i += 4)
  {
    mBgra[i] = src[i + 2];
    mBgra[i + 1] = src[i + 1];
    mBgra[i + 2] = src[i];
    mBgra[i + 3] = src[i + 3];
  }
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = fw;
  bmi.bmiHeader.biHeight = -fh; // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  // The paint DC is clipped to the update region, so only the dirty areas change on screen.
  StretchDIBits(dc, 0, 0, fw, fh, 0, 0, fw, fh, mBgra.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
}

void ICanvasWin::Paint()
{
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetUpdateRgn(mPlugWnd, region, FALSE);
  std::vector<RECT> pixelRects;
  if (kind == SIMPLEREGION)
  {
    RECT r;
    GetRgnBox(region, &r);
    pixelRects.push_back(r);
  }
  else if (kind == COMPLEXREGION)
  {
    alignas(RGNDATA) char buffer[1024];
    auto* data = reinterpret_cast<RGNDATA*>(buffer);
    if (GetRegionData(region, sizeof(buffer), data) != 0)
    {
      const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
      for (DWORD i = 0; i < data->rdh.nCount; ++i)
        pixelRects.push_back(rects[i]);
    }
    else
    {
      // More rectangles than the buffer holds: their bounding box.
      RECT r;
      GetRgnBox(region, &r);
      pixelRects.push_back(r);
    }
  }

  const float scale = GetTotalScale();
  IRectList logical;
  for (const RECT& r : pixelRects)
    logical.push_back(ClientRectToLogical(r, scale));

  PAINTSTRUCT ps;
  HDC dc = BeginPaint(mPlugWnd, &ps);
  if (!logical.empty())
    Draw(logical);
  if (mPresentation == EPresentation::OpenGL && wglMakeCurrent(mDC, mGLContext))
  {
    Present(pixelRects);
    wglMakeCurrent(nullptr, nullptr);
  }
  else if (mPresentation != EPresentation::None)
  {
    PresentGDI(dc);
  }
  EndPaint(mPlugWnd, &ps);
  ValidateRect(mPlugWnd, nullptr);
  DeleteObject(region);
}

void ICanvasWin::OnScaleOrSizeChanged()
{
  mTextureStale = true;
  if (mPlugWnd)
    InvalidateRect(mPlugWnd, nullptr, FALSE);
}
} // namespace plugfw::ui
