#pragma once
// A picture of one closed-loop run: the loudspeaker level over time (the run without the plug-in
// behind it), the amplifier gain steps, the howls and a mark for each notch placed and released.

#include <string>
#include <vector>

#include "tools/quellor-render/ClosedLoop.h"

struct NotchMark
{
  double seconds = 0;
  float frequency = 0;
  bool placed = true; // false: released
};

struct LoopPlotData
{
  std::string title;
  double limitDb = 0;             // the room's exact stable limit (K, dB)
  std::vector<float> levelDb;     // with the plug-in, every 10 ms
  std::vector<float> gainDb;      // K in force, every 10 ms
  std::vector<float> bareLevelDb; // without the plug-in, every 10 ms
  std::vector<float> bareGainDb;
  std::vector<NotchMark> notches;
  std::vector<loopsim::HowlEpisode> howls;
};

// Writes a PNG drawn with the project's renderer. False with a message on failure.
bool WriteLoopPlot(const std::string& path, const LoopPlotData& data, std::string& error);
