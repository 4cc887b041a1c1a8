#include "graphics/ICanvasX11Parts.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>

extern char** environ;

namespace plugfw::ui {

// ---- Clipboard and web addresses ---------------------------------------------------------

bool ICanvasX11::SetClipboardText(const char* utf8)
{
  if (!mX || !mX->win || !utf8)
    return false;
  mX->clipText = utf8;
  XSetSelectionOwner(mX->dpy, mX->clipboard, mX->win, CurrentTime);
  mX->ownsClipboard = XGetSelectionOwner(mX->dpy, mX->clipboard) == mX->win;
  return mX->ownsClipboard;
}

bool ICanvasX11::GetClipboardText(std::string& out)
{
  if (!mX || !mX->win)
    return false;
  if (mX->ownsClipboard)
  {
    out = mX->clipText;
    return true;
  }
  if (XGetSelectionOwner(mX->dpy, mX->clipboard) == None)
    return false;
  XDeleteProperty(mX->dpy, mX->win, mX->transfer);
  XConvertSelection(mX->dpy, mX->clipboard, mX->utf8, mX->transfer, mX->win, CurrentTime);
  XFlush(mX->dpy);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  XEvent ev;
  while (!XCheckTypedWindowEvent(mX->dpy, mX->win, SelectionNotify, &ev))
  {
    if (std::chrono::steady_clock::now() >= until)
      return false;
    pollfd p{ConnectionNumber(mX->dpy), POLLIN, 0};
    poll(&p, 1, 20);
  }
  if (ev.xselection.property == None)
    return false;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, rest = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(mX->dpy, mX->win, mX->transfer, 0, 1 << 20, True, AnyPropertyType, &type,
                         &format, &count, &rest, &data) != Success ||
      !data)
    return false;
  const bool ok = format == 8;
  if (ok)
    out.assign(reinterpret_cast<const char*>(data), count);
  XFree(data);
  return ok;
}

bool ICanvasX11::OpenURL(const char* url, const char*, const char* confirmMsg, const char*)
{
  // No empty addresses, and none that xdg-open would read as an option.
  if (!url || !*url || url[0] == '-' || (confirmMsg && *confirmMsg))
    return false;
  // The browser it may start must not hold the host's descriptors (an audio device stays busy
  // while any copy of its descriptor is open): close every inherited one but the standard three.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (DIR* dir = opendir("/proc/self/fd"))
  {
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir))
    {
      const int fd = std::atoi(e->d_name);
      if (fd > 2 && fd != own && !(fcntl(fd, F_GETFD) & FD_CLOEXEC))
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    closedir(dir);
  }
  // Started through `setsid -f`, which returns at once: a browser left running after the editor
  // closes is then nobody's child here and leaves no zombie in the host.
  char setsid[] = "setsid", fork[] = "-f", prog[] = "xdg-open";
  std::string arg = url;
  char* detached[] = {setsid, fork, prog, arg.data(), nullptr};
  char* direct[] = {prog, arg.data(), nullptr};
  pid_t pid = 0;
  const bool started = posix_spawnp(&pid, setsid, &actions, nullptr, detached, environ) == 0 ||
                       posix_spawnp(&pid, prog, &actions, nullptr, direct, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started)
    return false;
  if (mX)
    mX->children.push_back(pid);
  else
    waitpid(pid, nullptr, WNOHANG);
  return true;
}

// ---- Selection traffic for the clipboard -------------------------------------------------

void ICanvasX11::OnSelectionEvent(XEvent& ev)
{
  X& x = *mX;
  Display* dpy = x.dpy;
  if (ev.type == SelectionClear)
  {
    x.ownsClipboard = false;
    return;
  }
  const XSelectionRequestEvent& rq = ev.xselectionrequest;
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = rq.requestor;
  reply.xselection.selection = rq.selection;
  reply.xselection.target = rq.target;
  reply.xselection.time = rq.time;
  reply.xselection.property = None;
  if (x.ownsClipboard && rq.property != None)
  {
    if (rq.target == x.targets)
    {
      const Atom list[3] = {x.targets, x.utf8, XA_STRING};
      XChangeProperty(dpy, rq.requestor, rq.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(list), 3);
      reply.xselection.property = rq.property;
    }
    else if (rq.target == x.utf8 || rq.target == XA_STRING)
    {
      XChangeProperty(dpy, rq.requestor, rq.property, rq.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(x.clipText.data()),
                      static_cast<int>(x.clipText.size()));
      reply.xselection.property = rq.property;
    }
  }
  XSendEvent(dpy, rq.requestor, False, 0, &reply);
}

} // namespace plugfw::ui
