#include "editor/EditorIdle.h"

#include "dspmath/DetMath.h"
#include "editor/EditorStyle.h"
#include "graphics/ICanvas.h"

#include <algorithm>
#include <cstdio>

using namespace plugfw::ui;

namespace {

void MarkTagDirty(ICanvas& g, int tag)
{
  if (IControl* c = g.GetControlWithTag(tag))
    c->MarkDirty(false);
}

void SetTagText(ICanvas& g, int tag, const char* text)
{
  if (IControl* c = g.GetControlWithTag(tag))
    c->SetStr(text); // redraws only when the text changes
}

// The slot the editor has selected, read under the lock; an empty (inactive) slot when nothing
// is selected or the index lies beyond the table.
NotchSlot SelectedSlot(const EditorExchange& ex, int selected)
{
  return selected >= 0 ? ex.CopySlot(selected) : NotchSlot{};
}

// Slider positions are the inverses of the slider actions, kept on the track.
double DepthToSlider(float depth)
{
  return std::clamp((static_cast<double>(depth) + 40.0) / 40.0, 0.0, 1.0);
}

double FrequencyToSlider(float frequency)
{
  if (!(frequency > 0.f))
    return 0.0;
  return std::clamp(detmath::Log(static_cast<double>(frequency) / 20.0) / detmath::Log(1000.0), 0.0,
                    1.0);
}

double WidthToSlider(float width)
{
  if (!(width > 0.f))
    return 0.0;
  return std::clamp(detmath::Log(2.0 * static_cast<double>(width)) / detmath::Log(120.0), 0.0, 1.0);
}

void RefreshSelection(ICanvas& g, const EditorExchange& ex, int selected)
{
  const NotchSlot slot = SelectedSlot(ex, selected);
  IControl* sliders[] = {g.GetControlWithTag(kTagReduceSlider),
                         g.GetControlWithTag(kTagFrequencySlider),
                         g.GetControlWithTag(kTagBandwidthSlider)};
  if (slot.active)
  {
    const double values[] = {DepthToSlider(slot.targetDepth), FrequencyToSlider(slot.frequency),
                             WidthToSlider(slot.width)};
    for (int i = 0; i < 3; ++i)
      if (sliders[i])
        sliders[i]->SetValue(values[i]);
  }
  for (IControl* s : sliders)
  {
    if (!s)
      continue;
    s->SetDisabled(!slot.active);
    s->MarkDirty(false);
  }
  char line[64];
  if (slot.active)
    std::snprintf(line, sizeof(line), "Filter %d  (%s)", selected + 1,
                  slot.manual ? "manual" : "auto");
  else
    std::snprintf(line, sizeof(line), "Filter: none selected");
  SetTagText(g, kTagSelectedLine, line);
}

void RefreshValueFields(ICanvas& g, const EditorExchange& ex, int selected)
{
  const NotchSlot slot = SelectedSlot(ex, selected);
  if (!slot.active)
  {
    SetTagText(g, kTagReduceValue, "--");
    SetTagText(g, kTagFrequencyValue, "--");
    SetTagText(g, kTagBandwidthValue, "--");
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.1f dB", static_cast<double>(slot.targetDepth));
  SetTagText(g, kTagReduceValue, buf);
  if (slot.frequency >= 1000.f)
    std::snprintf(buf, sizeof(buf), "%.2f kHz", static_cast<double>(slot.frequency) / 1000.0);
  else
    std::snprintf(buf, sizeof(buf), "%.0f Hz", static_cast<double>(slot.frequency));
  SetTagText(g, kTagFrequencyValue, buf);
  std::snprintf(buf, sizeof(buf), "%.1f Q", static_cast<double>(slot.width));
  SetTagText(g, kTagBandwidthValue, buf);
}

} // namespace

void EditorIdleTick(ICanvas& g, const EditorExchange& exchange)
{
  for (int tag : {kTagSpectrum, kTagBank, kTagInputMeter, kTagOutputMeter})
    MarkTagDirty(g, tag);

  char count[40];
  std::snprintf(count, sizeof(count), "Active filters: %d",
                static_cast<int>(exchange.activeNotchCount.load()));
  SetTagText(g, kTagActiveCountLine, count);

  if (IControl* about = g.GetControlWithTag(kTagAbout); about && !about->IsHidden())
    about->MarkDirty(false);

  const int selected = exchange.Selected();
  if (selected != exchange.lastShownNotch)
  {
    exchange.lastShownNotch = selected;
    RefreshSelection(g, exchange, selected);
  }
  RefreshValueFields(g, exchange, selected);
}
