#include "tools/host/LiveHost.h"

#include <cstdio>

namespace qhost {

int RunLiveHost(int, char**)
{
  std::fprintf(stderr, "quellor-host: --live runs on JACK, which only the Linux build has\n");
  return 2;
}

} // namespace qhost
