#pragma once
// Reading and writing sound files through libsndfile, as planar float channels.

#include <string>
#include <vector>

struct AudioData
{
  double sampleRate = 0.0;
  std::vector<std::vector<float>> channels;
  int format = 0; // libsndfile format of the source file (0: not from a file)
};

// Returns false and sets error on failure.
bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error);

// Writes a WAV file. format 0 means 32-bit float.
bool WriteWavFile(const std::string& path, const AudioData& audio, int format, std::string& error);
