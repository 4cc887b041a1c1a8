#pragma once
// Identification of the host application from its name.

namespace plugfw {

enum EHost
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostArdour = 28,
  kHostWaveLab = 31,
  kHostWaveLabElements = 32,
  kHostMixbus = 45,
};

// Lower-cases the name and looks for each known key in a fixed order; the first key found
// anywhere in the name decides. No key gives kHostUnknown.
int LookUpHost(const char* hostName);

} // namespace plugfw
