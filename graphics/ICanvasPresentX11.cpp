#include "graphics/ICanvasX11Parts.h"

#include "graphics/IDirtyPixels.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace plugfw::ui {

void FreeImage(Display* dpy, XImage*& image, XShmSegmentInfo& shm, bool& useShm,
               std::vector<char>& plain)
{
  if (!image)
    return;
  if (useShm)
  {
    XShmDetach(dpy, &shm);
    XSync(dpy, False);
    shmdt(shm.shmaddr);
    shm = XShmSegmentInfo{};
  }
  image->data = nullptr; // the memory is ours (shared segment or vector), not Xlib's
  XDestroyImage(image);
  image = nullptr;
  plain.clear();
  useShm = false;
}

namespace {

bool MakeShmImage(Display* dpy, Visual* visual, int w, int h, XImage*& image, XShmSegmentInfo& shm)
{
  if (!XShmQueryExtension(dpy))
    return false;
  image = XShmCreateImage(dpy, visual, 24, ZPixmap, nullptr, &shm, static_cast<unsigned>(w),
                          static_cast<unsigned>(h));
  if (!image)
    return false;
  const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h);
  shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm.shmid < 0)
  {
    XDestroyImage(image);
    image = nullptr;
    return false;
  }
  shm.shmaddr = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
  if (shm.shmaddr == reinterpret_cast<char*>(-1))
  {
    shmctl(shm.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    image = nullptr;
    return false;
  }
  image->data = shm.shmaddr;
  shm.readOnly = False;
  bool attached = false;
  {
    // A remote server cannot reach our memory: the attach fails there with an X error.
    ErrorTrap trap(dpy);
    attached = XShmAttach(dpy, &shm) && trap.Ok();
  }
  shmctl(shm.shmid, IPC_RMID, nullptr); // freed once both sides detach
  if (!attached)
  {
    shmdt(shm.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    image = nullptr;
    shm = XShmSegmentInfo{};
    return false;
  }
  return true;
}

} // namespace

bool MakeImage(Display* dpy, Visual* visual, int w, int h, XImage*& image, XShmSegmentInfo& shm,
               bool& useShm, std::vector<char>& plain)
{
  if (w <= 0 || h <= 0)
    return false;
  const char* noShm = std::getenv("QUELLOR_X11_NO_SHM");
  const bool allowShm = !(noShm && *noShm && std::strcmp(noShm, "0") != 0);
  if (allowShm && MakeShmImage(dpy, visual, w, h, image, shm))
  {
    useShm = true;
    return true;
  }
  useShm = false;
  image = XCreateImage(dpy, visual, 24, ZPixmap, 0, nullptr, static_cast<unsigned>(w),
                       static_cast<unsigned>(h), 32, 0);
  if (!image)
    return false;
  plain.assign(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h), 0);
  image->data = plain.data();
  return true;
}

// Copies a region of a premultiplied RGBA pixmap into a 32-bit image (composited on black).
void ConvertRegion(const IPixmap& src, XImage* dst, int x, int y, int w, int h, int rs, int gs,
                   int bs)
{
  const int x1 = std::min({x + w, src.Width(), dst->width});
  const int y1 = std::min({y + h, src.Height(), dst->height});
  for (int j = std::max(0, y); j < y1; ++j)
  {
    const uint8_t* s = src.Row(j) + 4 * std::max(0, x);
    auto* d = reinterpret_cast<uint32_t*>(
                  dst->data + static_cast<size_t>(j) * static_cast<size_t>(dst->bytes_per_line)) +
              std::max(0, x);
    for (int i = std::max(0, x); i < x1; ++i, s += 4)
      *d++ = (static_cast<uint32_t>(s[0]) << rs) | (static_cast<uint32_t>(s[1]) << gs) |
             (static_cast<uint32_t>(s[2]) << bs);
  }
}

// Puts a whole pixmap into a window through a temporary image (menus and tooltips: small).
void PutPixmap(Display* dpy, Window win, GC gc, Visual* visual, const IPixmap& pix, int rs, int gs,
               int bs)
{
  if (pix.Empty())
    return;
  XImage* img =
      XCreateImage(dpy, visual, 24, ZPixmap, 0, nullptr, static_cast<unsigned>(pix.Width()),
                   static_cast<unsigned>(pix.Height()), 32, 0);
  if (!img)
    return;
  std::vector<char> mem(static_cast<size_t>(img->bytes_per_line) *
                        static_cast<size_t>(pix.Height()));
  img->data = mem.data();
  ConvertRegion(pix, img, 0, 0, pix.Width(), pix.Height(), rs, gs, bs);
  XPutImage(dpy, win, gc, img, 0, 0, 0, 0, static_cast<unsigned>(pix.Width()),
            static_cast<unsigned>(pix.Height()));
  img->data = nullptr;
  XDestroyImage(img);
}

void ICanvasX11::Present(const IRectList& logical)
{
  for (const IPixelRect& r : DirtyPixelRects(logical, GetTotalScale(), mX->imgW, mX->imgH))
    PresentPixels(r.x, r.y, r.w, r.h);
}

void ICanvasX11::PresentPixels(int x, int y, int w, int h)
{
  if (!mX || !mX->image || !mX->win)
    return;
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(x + w, mX->imgW), y1 = std::min(y + h, mX->imgH);
  if (x1 <= x0 || y1 <= y0)
    return;
  ConvertRegion(GetFrame(), mX->image, x0, y0, x1 - x0, y1 - y0, mX->rshift, mX->gshift,
                mX->bshift);
  const auto uw = static_cast<unsigned>(x1 - x0), uh = static_cast<unsigned>(y1 - y0);
  if (mX->useShm)
    XShmPutImage(mX->dpy, mX->win, mX->gc, mX->image, x0, y0, x0, y0, uw, uh, False);
  else
    XPutImage(mX->dpy, mX->win, mX->gc, mX->image, x0, y0, x0, y0, uw, uh);
}

} // namespace plugfw::ui
