#include "tools/quellor-render/Scenario.h"

namespace {
std::vector<ScenarioEntry>& Registry()
{
  static std::vector<ScenarioEntry> entries; // built before first use, whatever the file order
  return entries;
}
} // namespace

bool RegisterScenario(const char* name, const char* summary, ScenarioGenerator generate)
{
  Registry().push_back({name, summary, generate});
  return true;
}

const ScenarioEntry* FindScenario(const std::string& name)
{
  for (const auto& e : Registry())
    if (name == e.name)
      return &e;
  return nullptr;
}

const std::vector<ScenarioEntry>& Scenarios()
{
  return Registry();
}
