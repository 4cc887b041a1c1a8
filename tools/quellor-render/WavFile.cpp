#include "tools/quellor-render/WavFile.h"

#include <sndfile.h>

bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error)
{
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr)
  {
    error = sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.frames < 0)
  {
    sf_close(f);
    error = "no audio channels";
    return false;
  }
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t got = sf_readf_float(f, interleaved.data(), info.frames);
  sf_close(f);
  out.sampleRate = info.samplerate;
  out.format = info.format;
  out.channels.assign(info.channels, std::vector<float>(static_cast<size_t>(got)));
  for (sf_count_t i = 0; i < got; ++i)
    for (int c = 0; c < info.channels; ++c)
      out.channels[c][i] = interleaved[static_cast<size_t>(i) * info.channels + c];
  return true;
}

bool WriteWavFile(const std::string& path, const AudioData& audio, int format, std::string& error)
{
  SF_INFO info{};
  info.samplerate = static_cast<int>(audio.sampleRate + 0.5);
  info.channels = static_cast<int>(audio.channels.size());
  const int subtype = format & SF_FORMAT_SUBMASK;
  info.format = SF_FORMAT_WAV | (subtype != 0 ? subtype : SF_FORMAT_FLOAT);
  if (!sf_format_check(&info))
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (f == nullptr)
  {
    error = sf_strerror(nullptr);
    return false;
  }
  const size_t frames = audio.channels.empty() ? 0 : audio.channels[0].size();
  std::vector<float> interleaved(frames * info.channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < info.channels; ++c)
      interleaved[i * info.channels + c] = audio.channels[c][i];
  // Integer formats clip rather than wrap.
  sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  const sf_count_t written =
      sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(frames));
  sf_close(f);
  if (written != static_cast<sf_count_t>(frames))
  {
    error = "short write";
    return false;
  }
  return true;
}
