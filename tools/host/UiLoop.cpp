#include "tools/host/UiLoop.h"

#include <chrono>
#include <thread>

#include "tools/host/RunLoop.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qhost {

int pumpUi(RunLoop* loop, int milliseconds)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  int calls = 0;
  do
  {
#if defined(_WIN32)
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
#endif
    if (loop)
      calls += loop->runDue();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (std::chrono::steady_clock::now() < end);
  return calls;
}

} // namespace qhost
