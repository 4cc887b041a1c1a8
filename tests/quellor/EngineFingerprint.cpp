// Prints a hash of the engine's output for a fixed scenario with every stage switched in.
// The test command runs it from the Linux build and, under Wine, from the Windows build:
// both must print the same line, since results must not depend on the platform.
#include "quellor/Quellor.h"
#include "plugin/IParam.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

int main()
{
  constexpr int kBlock = 480;
  Quellor plug;
  plug.GetParam(kHushen)->SetValue(60.0);
  plug.GetParam(kDrytail)->SetValue(40.0);
  plug.GetParam(kGain)->SetValue(3.0);
  plug.GetParam(kMasterWidth)->SetValue(1.3);
  plug.PrepareWithoutHost(44100.0, kBlock, 2);
  plug.PushNotchCommand(kNotchAdd, 0, 315.0f, -9.0f, 7.0f);

  std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
  double* in[2] = {inL.data(), inR.data()};
  double* out[2] = {outL.data(), outR.data()};
  uint64_t hash = 1469598103934665603ull;
  uint32_t seed = 12345;
  double phase = 0.0, ring = 0.0005;
  for (int b = 0; b < 400; ++b)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      seed = seed * 1664525u + 1013904223u;
      const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.02;
      // A 2.5 kHz tone that keeps growing, as feedback does; the phase is advanced with
      // plain arithmetic so that the input itself is the same on every platform.
      phase += 2500.0 / 44100.0;
      if (phase >= 1.0)
        phase -= 1.0;
      const double tri = phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
      ring = ring < 0.7 ? ring * 1.00012 : ring;
      inL[i] = noise + ring * tri;
      inR[i] = noise - 0.5 * ring * tri;
    }
    plug.ProcessAudioBlock(in, out, kBlock);
    for (int i = 0; i < kBlock; ++i)
      for (const std::vector<double>* ch : {&outL, &outR})
      {
        uint64_t bits;
        std::memcpy(&bits, &(*ch)[i], sizeof bits);
        for (int k = 0; k < 8; ++k)
        {
          hash ^= (bits >> (8 * k)) & 0xff;
          hash *= 1099511628211ull;
        }
      }
  }
  std::printf("engine output fingerprint %016llx, active notches %d\n",
              static_cast<unsigned long long>(hash),
              static_cast<int>(plug.ActiveNotchCount.load()));
  return 0;
}
