#pragma once
// Built-in test signals for quellor-render. Each generator registers itself under a name
// (QUELLOR_REGISTER_SCENARIO in its own .cpp), so the tool offers exactly the scenarios that
// were built in.

#include <string>
#include <vector>

struct ScenarioRequest
{
  double sampleRate = 48000.0;
  double seconds = 0.0; // 0: the scenario's own length
};

struct Scenario
{
  double sampleRate = 48000.0;
  std::vector<std::vector<float>> channels; // one vector per channel (1 or 2), equal lengths
  // The event the report measures against, in seconds from the start; -1 when there is none.
  double eventStart = -1.0;
  double eventEnd = -1.0;
  double eventFrequency = 0.0;     // Hz, when the event is a tone (0 otherwise)
  std::string eventName = "event"; // e.g. "ring"
  std::string description;         // one line for the report
};

using ScenarioGenerator = Scenario (*)(const ScenarioRequest&);

struct ScenarioEntry
{
  const char* name;
  const char* summary;
  ScenarioGenerator generate;
};

// Returns true; used through the macro at namespace scope.
bool RegisterScenario(const char* name, const char* summary, ScenarioGenerator generate);
const ScenarioEntry* FindScenario(const std::string& name);
const std::vector<ScenarioEntry>& Scenarios();

#define QUELLOR_REGISTER_SCENARIO(ident, name, summary, fn)                                        \
  static const bool ident##Registered = RegisterScenario(name, summary, fn)
