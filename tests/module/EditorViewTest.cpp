#include "tests/module/ModuleFixture.h"
#include "tools/host/HostObjects.h"

#include <gtest/gtest.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace moduletest {

// The Linux editor needs the frame's run loop; a frame without one gets a clean refusal, and a
// window that cannot be made leaves nothing registered with the loop.
TEST_F(PluginTest, LinuxEditorViewNeedsTheFramesRunLoop)
{
  ASSERT_EQ(initialize(), kResultOk);
  IPlugView* view = plug.controller()->createView("editor");
  ASSERT_NE(view, nullptr);
  if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
  {
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
    view->release();
    GTEST_SKIP() << "this build's editor opens in a Win32 window";
  }
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);

  IPtr<qhost::PlugFrame> bare = owned(new qhost::PlugFrame(nullptr));
  ASSERT_EQ(view->setFrame(bare), kResultTrue);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(std::uintptr_t{0x1234}),
                           kPlatformTypeX11EmbedWindowID),
            kResultFalse);
  view->setFrame(nullptr);

  qhost::RunLoop* loop = host->runLoop();
  const size_t timers = loop->timerCount(), handlers = loop->eventHandlerCount();
  IPtr<qhost::PlugFrame> frame = owned(new qhost::PlugFrame(loop));
  ASSERT_EQ(view->setFrame(frame), kResultTrue);
  // No window id: nothing can be embedded.
  EXPECT_EQ(view->attached(nullptr, kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(loop->timerCount(), timers);
  EXPECT_EQ(loop->eventHandlerCount(), handlers);
  // Refused views can be removed and released safely.
  view->removed();
  view->setFrame(nullptr);
  EXPECT_EQ(view->release(), 0u);
}

} // namespace moduletest
