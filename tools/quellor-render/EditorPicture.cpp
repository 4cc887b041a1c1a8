#include "tools/quellor-render/EditorPicture.h"

#include "graphics/ICanvasHeadless.h"
#include "quellor/Quellor.h"

#include <cmath>

bool WriteEditorPicture(Quellor& plugin, const std::string& path, float scale, std::string& error)
{
  // The plug-in's own layout, on a context that draws into memory instead of a window.
  auto previous = plugin.GetUI();
  if (previous != nullptr)
  {
    error = "the editor is already open";
    return false;
  }
  plugin.SetMakeGraphicsFunc([&plugin, scale]() -> plugfw::IGraphicsContext* {
    return new plugfw::ui::ICanvasHeadless(&plugin, plugin.GetEditorWidth(),
                                           plugin.GetEditorHeight(), 30, scale);
  });
  plugin.OpenEditor(nullptr);
  auto* g = dynamic_cast<plugfw::ui::ICanvasHeadless*>(plugin.GetUI());
  bool ok = false;
  if (g == nullptr)
  {
    error = "the editor could not be opened";
  }
  else
  {
    plugin.OnIdleTick();
    g->StepFrame();
    ok = g->WritePng(path);
    if (!ok)
      error = "cannot write " + path;
  }
  plugin.CloseEditor();
  return ok;
}

int FindManualNotch(Quellor& plugin, float hz)
{
  SnapshotData snapshot;
  plugin.CopySnapshot(snapshot);
  for (size_t i = 0; i < snapshot.slots.size(); ++i)
  {
    const NotchSlot& s = snapshot.slots[i];
    if (s.active && s.manual && std::fabs(s.frequency - hz) < 1.0f)
      return static_cast<int>(i);
  }
  return -1;
}
