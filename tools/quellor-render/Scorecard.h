#pragma once
// quellor-render --scorecard: both sides of a feedback suppressor in one table, at Sensitivity
// 0, 50 and 100 %: the gain it adds in the simulated loop (dry and reverberant rooms, talker,
// speech and music as the programme), how often it places notches at a held gain, what it does
// to programme with no feedback, and how soon it catches a growing ring. --quick runs a short
// subset at 50 % and fails when it misses its thresholds.

#include <string>
#include <vector>

#include "tools/quellor-render/LoopScenario.h"
#include "tools/quellor-render/Options.h"

// Material prepared by score-material.sh: one line per file in index.txt,
// "music|speech FILE LABEL...", 48 kHz WAV files beside it.
struct ScoreItem
{
  std::string kind; // "music" or "speech"
  std::string path;
  std::string label;
};
bool ReadScoreIndex(const std::string& folder, std::vector<ScoreItem>& items, std::string& error);

// Thresholds of the quick subset, all at Sensitivity 50 %.
struct QuickThresholds
{
  double loopMeanAddedDbAtLeast;      // rooms 1..3, talker
  double loopMinAddedDbAtLeast;       //
  double musicNotchesPerMinuteAtMost; // the first music excerpt alone
  double musicWorstBandDbAtMost;      // its largest third-octave change, 100 Hz .. 10 kHz, in dB
  double demoCatchMsAtMost;           // the demo's ring, from trackable to notch
};
extern const QuickThresholds kQuickThresholds;

// Runs the scorecard; returns the process exit code.
int RunScorecard(const RenderOptions& opt, const ProcessorFactory& makeEngine);
