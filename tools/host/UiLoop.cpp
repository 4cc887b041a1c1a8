#include "tools/host/UiLoop.h"

#include <chrono>
#include <thread>

#include "tools/host/RunLoop.h"

#include "tools/host/HostPlatform.h"

namespace qhost {

int pumpUi(RunLoop* loop, int milliseconds)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  int calls = 0;
  do
  {
    platform::dispatchWindowMessages();
    if (loop)
      calls += loop->runDue();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (std::chrono::steady_clock::now() < end);
  return calls;
}

} // namespace qhost
