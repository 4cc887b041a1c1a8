#pragma once
// quellor-render --scenario loop: the plug-in in a simulated public-address loop, and the gain it
// adds before the loop howls.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/quellor-render/ClosedLoop.h"
#include "tools/quellor-render/LoopPlot.h"
#include "tools/quellor-render/Options.h"
#include "tools/quellor-render/OfflineProcessor.h"

// Makes a prepared-to-be plug-in with the command line's parameters applied; null with a message.
using ProcessorFactory = std::function<std::unique_ptr<OfflineProcessor>(std::string& error)>;

// Watches the notch table block by block and records placements and releases.
class NotchWatcher
{
public:
  void Update(const std::vector<NotchView>& slots, double seconds);
  const std::vector<NotchMark>& Marks() const { return mMarks; }
  int Placed() const;

private:
  std::vector<NotchView> mPrevious;
  std::vector<NotchMark> mMarks;
};

// The loop with the plug-in from the factory between microphone and amplifier (prepared here for
// mono, 48 kHz, blocks of 128). Notch marks go to notches when given.
bool RunLoopWithPlugin(const loopsim::LoopSetup& setup, const ProcessorFactory& makeEngine,
                       loopsim::LoopResult& result, std::vector<NotchMark>* notches,
                       std::string& error);

// Runs the scenario; returns the process exit code.
int RunLoopScenario(const RenderOptions& opt, const ProcessorFactory& makeEngine);
