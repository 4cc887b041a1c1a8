#pragma once
// Level per ISO third-octave band (nominal centres 25 Hz .. 20 kHz), from an averaged power
// spectrum: what a processor did to a programme, band by band, compared with its input.

#include <string>
#include <vector>

struct ThirdOctaveBand
{
  const char* name;  // nominal centre, e.g. "31.5" or "1k"
  double centre = 0; // exact base-ten centre, Hz
  double lower = 0;  // band edges, centre / 10^(1/20) and centre * 10^(1/20)
  double upper = 0;
  double level = 0;   // dB relative to a full-scale sine (mean over channels)
  bool heard = false; // energy above -120 dB and within 90 dB of the loudest band
};

// The bands that lie below the Nyquist frequency of rate, with the level of the signal (one
// vector per channel, equal lengths) in each. Empty when the rate is not positive or there is
// no sample.
std::vector<ThirdOctaveBand> ThirdOctaveLevels(const std::vector<std::vector<float>>& channels,
                                               double rate);

// Level over the whole signal, in the same scale; -inf dB for silence.
double BroadbandLevel(const std::vector<std::vector<float>>& channels);

// The table of input level, output level and their difference per band. Bands where the input
// has no energy show no difference.
std::string FormatThirdOctaveTable(const std::vector<ThirdOctaveBand>& input,
                                   const std::vector<ThirdOctaveBand>& output);
