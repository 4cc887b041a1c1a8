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
  bool thirdOctaves = false; // a table of output against input level per third-octave band
  // The closed loop (--scenario loop).
  std::string programme;                  // WAV file at the microphone; empty: the built-in talker
  unsigned seed = 1;                      // the room
  int roomsFrom = 0, roomsTo = -1;        // --rooms A..B: a table over these seeds (to >= from)
  double rt60 = 0.4;                      // s
  double delayMs = 5.0;                   // pure delay of the room
  double lowHz = 100.0, highHz = 10000.0; // loudspeaker band
  double stepDb = 0.5, stepSeconds = 2.0;
  double startDb = -10.0; // first K, dB relative to the room's exact stable limit
  bool fixedGain = false; // --fixed-gain DB: K held there for --seconds instead of stepping
  double fixedDb = 0.0;
  std::string plot; // PNG of one run
  // The scorecard (--scorecard): material prepared by score-material.sh, worker threads, and
  // --quick for the regression subset.
  bool scorecard = false;
  bool quick = false;
  std::string material = "build/score-material";
  unsigned jobs = 2;
  std::string only; // comma-separated parts: loop, churn, alone, catch; empty: all
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
