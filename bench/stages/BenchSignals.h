#pragma once

#include <string>
#include <vector>

// Test material for the stage benchmarks, all at 48 kHz, mono, in float sample scale (+-1).
namespace bench {
constexpr double kRate = 48000.0;

// Test sentences spoken by espeak-ng, resampled to 48 kHz with sox, joined with short pauses.
// Empty when either program is missing.
std::vector<float> RenderSpeech();

// A sustained instrument-like tone: held notes with harmonics, vibrato and soft attacks.
std::vector<float> SustainedTone(double seconds);

std::vector<float> WhiteNoise(double seconds, unsigned seed);
std::vector<float> PinkNoise(double seconds, unsigned seed);
// Mains hum: 50 Hz with harmonics and a trace of hiss.
std::vector<float> HumNoise(double seconds, unsigned seed);

double Power(const std::vector<float>& v, size_t from, size_t to);
} // namespace bench
