#pragma once
// A graphics context that records what the delegate asks of it.

#include <string>
#include <vector>

#include "plugin/IGraphicsContext.h"

struct FakeContext : plugfw::IGraphicsContext
{
  int w = 740, h = 726;
  float scale = 1.0f, screenScale = 1.0f;
  bool open = false;
  int* destroyed = nullptr;
  std::vector<std::string> log;
  std::vector<std::pair<int, double>> paramValues;
  float mouseX = 12.f, mouseY = 34.f;

  ~FakeContext() override
  {
    if (destroyed)
      ++*destroyed;
  }
  int Width() const override { return w; }
  int Height() const override { return h; }
  float GetDrawScale() const override { return scale; }
  void Resize(int width, int height, float s) override
  {
    w = width;
    h = height;
    scale = s;
    log.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
  }
  void SetScreenScale(float s) override { screenScale = s; }
  void* OpenWindow(void* parent) override
  {
    open = true;
    log.push_back("open");
    return parent;
  }
  void CloseWindow() override
  {
    open = false;
    log.push_back("close");
  }
  void GetMouseLocation(float& x, float& y) const override
  {
    x = mouseX;
    y = mouseY;
  }
  bool OnKeyDown(float x, float y, const plugfw::IKeyPress& key) override
  {
    log.push_back("keydown " + std::to_string(key.VK) + " at " + std::to_string(int(x)) + "," +
                  std::to_string(int(y)));
    return key.VK == 32;
  }
  bool OnKeyUp(float, float, const plugfw::IKeyPress&) override { return false; }
  void SetControlValueFromDelegate(int tag, double v) override
  {
    log.push_back("ctrl " + std::to_string(tag) + "=" + std::to_string(v));
  }
  void SendControlMsgFromDelegate(int tag, int msg, int, const void*) override
  {
    log.push_back("ctrlmsg " + std::to_string(tag) + ":" + std::to_string(msg));
  }
  void SetParamValueFromDelegate(int idx, double v) override { paramValues.emplace_back(idx, v); }
  void ForwardMidiMsg(const plugfw::IMidiMsg& m) override
  {
    log.push_back("midi " + std::to_string(m.mStatus));
  }
};
