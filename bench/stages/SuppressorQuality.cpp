#include "bench/stages/SuppressorQuality.h"

#include <benchmark/benchmark.h>
#include <speex/speex_preprocess.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/stages/BenchSignals.h"
#include "denoise/Denoise.h"

namespace bench {
namespace {
constexpr int kFrame = 480;
constexpr double kLeadSeconds = 1.0; // noise alone before the programme starts
constexpr int kMaxLag = 2400;

struct Result
{
  std::string signal;
  std::string noise;
  int snr = 0;
  double oursImprovement = 0.0;
  double speexImprovement = 0.0;
  double oursAttenuation = 0.0;
  double speexAttenuation = 0.0;
  int oursLag = 0;
  int speexLag = 0;
};

std::vector<Result>& Results()
{
  static std::vector<Result> results;
  return results;
}

// Both processors get the same 16-bit samples (speexdsp takes nothing else).
std::vector<int16_t> Quantise(const std::vector<float>& x)
{
  std::vector<int16_t> q(x.size());
  for (size_t i = 0; i < x.size(); ++i)
    q[i] = static_cast<int16_t>(std::lround(std::clamp(x[i] * 32768.0f, -32768.0f, 32767.0f)));
  return q;
}

std::vector<float> RunOurs(const std::vector<int16_t>& in)
{
  DenoiseState* st = rnnoise_create(nullptr);
  std::vector<float> out(in.size(), 0.0f);
  float frameIn[kFrame], frameOut[kFrame];
  for (size_t at = 0; at + kFrame <= in.size(); at += kFrame)
  {
    for (int i = 0; i < kFrame; ++i)
      frameIn[i] = in[at + static_cast<size_t>(i)];
    rnnoise_process_frame(st, frameOut, frameIn);
    for (int i = 0; i < kFrame; ++i)
      out[at + static_cast<size_t>(i)] = frameOut[i] / 32768.0f;
  }
  rnnoise_destroy(st);
  return out;
}

std::vector<float> RunSpeex(const std::vector<int16_t>& in)
{
  SpeexPreprocessState* st = speex_preprocess_state_init(kFrame, 48000);
  int on = 1;
  speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_DENOISE, &on);
  std::vector<float> out(in.size(), 0.0f);
  spx_int16_t frame[kFrame];
  for (size_t at = 0; at + kFrame <= in.size(); at += kFrame)
  {
    std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), kFrame, frame);
    speex_preprocess_run(st, frame);
    for (int i = 0; i < kFrame; ++i)
      out[at + static_cast<size_t>(i)] = frame[i] / 32768.0f;
  }
  speex_preprocess_state_destroy(st);
  return out;
}

// Lag (0..kMaxLag) at which the output best matches the clean reference.
int FindLag(const std::vector<float>& clean, const std::vector<float>& out, size_t from, size_t to)
{
  int best = 0;
  double bestValue = -1e300;
  for (int lag = 0; lag <= kMaxLag; ++lag)
  {
    double c = 0.0;
    for (size_t i = from; i < to && i + static_cast<size_t>(lag) < out.size(); i += 2)
      c += static_cast<double>(clean[i]) * out[i + static_cast<size_t>(lag)];
    if (c > bestValue)
    {
      bestValue = c;
      best = lag;
    }
  }
  return best;
}

double SnrDb(const std::vector<float>& clean, const std::vector<float>& out, int lag, size_t from,
             size_t to)
{
  double signal = 0.0, error = 0.0;
  for (size_t i = from; i < to; ++i)
  {
    const double e = out[i + static_cast<size_t>(lag)] - clean[i];
    signal += static_cast<double>(clean[i]) * clean[i];
    error += e * e;
  }
  return 10.0 * std::log10(signal / error);
}

struct Material
{
  std::string name;
  std::vector<float> clean; // with the lead-in of silence
};

struct NoiseKind
{
  std::string name;
  std::function<std::vector<float>(double, unsigned)> make;
};

void Evaluate(const Material& material, const NoiseKind& noiseKind, int snr, Result& result)
{
  const size_t n = material.clean.size();
  const size_t lead = static_cast<size_t>(kLeadSeconds * kRate);
  const size_t evalTo = n - kMaxLag - kFrame;
  std::vector<float> noise =
      noiseKind.make(static_cast<double>(n) / kRate + 0.1, 1234u + static_cast<unsigned>(snr));
  noise.resize(n);
  const double gain = std::sqrt(Power(material.clean, lead, n) / Power(noise, lead, n) /
                                std::pow(10.0, snr / 10.0));
  std::vector<float> mix(n);
  for (size_t i = 0; i < n; ++i)
  {
    noise[i] = static_cast<float>(noise[i] * gain);
    mix[i] = material.clean[i] + noise[i];
  }
  const std::vector<int16_t> quantised = Quantise(mix);
  std::vector<float> input(n);
  for (size_t i = 0; i < n; ++i)
    input[i] = quantised[i] / 32768.0f;
  const double snrIn = SnrDb(material.clean, input, 0, lead, evalTo);

  const std::vector<float> ours = RunOurs(quantised);
  const std::vector<float> speex = RunSpeex(quantised);
  const size_t lagTo = std::min(evalTo, lead + static_cast<size_t>(4.0 * kRate));
  result.oursLag = FindLag(material.clean, ours, lead, lagTo);
  result.speexLag = FindLag(material.clean, speex, lead, lagTo);
  result.oursImprovement = SnrDb(material.clean, ours, result.oursLag, lead, evalTo) - snrIn;
  result.speexImprovement = SnrDb(material.clean, speex, result.speexLag, lead, evalTo) - snrIn;

  // Noise alone at the same level, measured after one second of adaptation.
  const std::vector<int16_t> noiseOnly = Quantise(noise);
  const std::vector<float> oursNoise = RunOurs(noiseOnly);
  const std::vector<float> speexNoise = RunSpeex(noiseOnly);
  const double inPower = Power(noise, lead, evalTo);
  result.oursAttenuation =
      10.0 * std::log10(inPower / Power(oursNoise, lead + static_cast<size_t>(result.oursLag),
                                        evalTo + static_cast<size_t>(result.oursLag)));
  result.speexAttenuation =
      10.0 * std::log10(inPower / Power(speexNoise, lead + static_cast<size_t>(result.speexLag),
                                        evalTo + static_cast<size_t>(result.speexLag)));
}

std::vector<Material>& Materials()
{
  static std::vector<Material> materials;
  return materials;
}

void PrepareMaterials()
{
  if (!Materials().empty())
    return;
  const size_t lead = static_cast<size_t>(kLeadSeconds * kRate);
  auto normalise = [lead](std::vector<float> clean) {
    float peak = 0.0f;
    for (float v : clean)
      peak = std::max(peak, std::fabs(v));
    for (float& v : clean)
      v *= peak > 0.0f ? 0.5f / peak : 1.0f;
    clean.insert(clean.begin(), lead, 0.0f);
    clean.insert(clean.end(), static_cast<size_t>(kMaxLag + 2 * kFrame), 0.0f);
    return clean;
  };
  std::vector<float> speech = RenderSpeech();
  if (speech.empty())
    std::fprintf(stderr, "bench_stages: espeak-ng or sox missing; the speech cases are skipped\n");
  else
    Materials().push_back({"speech", normalise(std::move(speech))});
  Materials().push_back({"tone", normalise(SustainedTone(8.0))});
}

const std::vector<NoiseKind>& NoiseKinds()
{
  static const std::vector<NoiseKind> kinds = {
      {"white", WhiteNoise},
      {"pink", PinkNoise},
      {"hum", HumNoise},
  };
  return kinds;
}
} // namespace

void RegisterQualityBenchmarks()
{
  for (const char* material : {"speech", "tone"})
  {
    for (size_t k = 0; k < NoiseKinds().size(); ++k)
    {
      for (int snr : {0, 5, 10, 20})
      {
        const std::string name = std::string("Quality/") + material + "/" + NoiseKinds()[k].name +
                                 "/" + std::to_string(snr) + "dB";
        benchmark::RegisterBenchmark(
            name.c_str(),
            [material = std::string(material), k, snr](benchmark::State& state) {
              PrepareMaterials();
              const Material* found = nullptr;
              for (const Material& m : Materials())
                if (m.name == material)
                  found = &m;
              if (!found)
              {
                state.SkipWithError("material unavailable");
                return;
              }
              Result result;
              for (auto _ : state)
                Evaluate(*found, NoiseKinds()[k], snr, result);
              result.signal = material;
              result.noise = NoiseKinds()[k].name;
              result.snr = snr;
              state.counters["ours_dSNR"] = result.oursImprovement;
              state.counters["speex_dSNR"] = result.speexImprovement;
              state.counters["ours_atten"] = result.oursAttenuation;
              state.counters["speex_atten"] = result.speexAttenuation;
              Results().push_back(result);
            })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
}

void PrintQualityTables()
{
  if (Results().empty())
    return;
  std::printf("\nSuppressor quality, 48 kHz, 480-sample frames (ours vs speexdsp preprocessor, "
              "denoise on, defaults)\n");
  std::printf("SNR improvement after delay alignment (dB), and attenuation of the noise alone "
              "after 1 s (dB)\n\n");
  std::printf("%-7s %-6s %5s | %9s %9s %7s | %9s %9s | %4s %4s\n", "signal", "noise", "SNR",
              "ours dSNR", "spx dSNR", "margin", "ours att", "spx att", "lagO", "lagS");
  double sumOurs = 0.0, sumSpeex = 0.0, sumAttOurs = 0.0, sumAttSpeex = 0.0, worstMargin = 1e9;
  int wins = 0;
  for (const Result& r : Results())
  {
    const double margin = r.oursImprovement - r.speexImprovement;
    std::printf("%-7s %-6s %3d dB | %9.2f %9.2f %+7.2f | %9.2f %9.2f | %4d %4d\n", r.signal.c_str(),
                r.noise.c_str(), r.snr, r.oursImprovement, r.speexImprovement, margin,
                r.oursAttenuation, r.speexAttenuation, r.oursLag, r.speexLag);
    sumOurs += r.oursImprovement;
    sumSpeex += r.speexImprovement;
    sumAttOurs += r.oursAttenuation;
    sumAttSpeex += r.speexAttenuation;
    worstMargin = std::min(worstMargin, margin);
    if (margin >= 0.0)
      ++wins;
  }
  const double count = static_cast<double>(Results().size());
  std::printf("\nmean dSNR: ours %.2f dB, speexdsp %.2f dB (ours better by %.2f dB); mean "
              "attenuation: ours %.2f dB, speexdsp %.2f dB\n",
              sumOurs / count, sumSpeex / count, (sumOurs - sumSpeex) / count, sumAttOurs / count,
              sumAttSpeex / count);
  std::printf("ours at least equal in %d of %zu cases; worst margin %+.2f dB\n", wins,
              Results().size(), worstMargin);
}
} // namespace bench
