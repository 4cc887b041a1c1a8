#pragma once
// Command line of quellor-render.

#include <string>
#include <utility>
#include <vector>

struct RenderOptions
{
  std::string input;  // empty: run a built-in scenario
  std::string output; // empty: derived from the input name
  std::string scenario = "feedback";
  std::string outDir = ".";
  double seconds = 0.0; // scenario length, 0 = its own
  double rate = 48000.0;
  int block = 256;
  bool linked = false; // the engine built into the tool instead of the plug-in bundle
  std::string module;  // bundle path; empty: the one built with the tool
  bool quiet = false;
  bool help = false;
  bool listParams = false;
  // The editor as a PNG, drawn from the engine's state at editorAt seconds (<0: the end).
  std::string editorPng;
  double editorAt = -1.0;
  float editorScale = 1.f;
  // A manual notch added (and selected) just before the picture: Hz, dB, Q; Hz 0 = none.
  float notchHz = 0.f, notchDb = -18.f, notchQ = 25.f;
  // Parameter settings as given: (option name, value text).
  std::vector<std::pair<std::string, std::string>> params;
};

// Parses argv. On failure returns false with a message.
bool ParseRenderOptions(int argc, char** argv, RenderOptions& out, std::string& error);

// "Auto Cut", "auto-cut", "auto_cut" and "AutoCut" all reduce to "autocut".
std::string NormaliseOptionName(const std::string& name);

// Reads a parameter value: a number, or for switches on/off/true/false/yes/no.
bool ParseParamValue(const std::string& text, bool isSwitch, double& value);

void PrintUsage(const char* program);
