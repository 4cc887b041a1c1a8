#pragma once
// Scenario "room": speech-like programme in a small reverberant room over steady noise (hiss,
// air-conditioning rumble and mains hum), the material the noise and reverb stages are for.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/quellor-render/Scenario.h"

// A dry talker, `total` samples at `rate`: phrases of voiced syllables with their own vowel,
// pitch contour and loudness, fricatives between some of them, and pauses between phrases.
std::vector<float> MakeTalker(double rate, size_t total, uint32_t seed);

// Channels (1 or 2) of the scenario, each `seconds` long at `sampleRate` (48 kHz and 10 s when
// not positive). Stereo channels hear the room from two positions and get independent noise.
std::vector<std::vector<float>> MakeRoomScenario(double sampleRate, double seconds, int channels);

// The same as a quellor-render scenario (stereo).
Scenario MakeRoomScenario(const ScenarioRequest& request);
