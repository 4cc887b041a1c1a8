#include "graphics/IFramePacing.h"

#include <gtest/gtest.h>

using namespace plugfw::ui;

TEST(FramePacing, TimerPeriodFromFrameRate)
{
  EXPECT_EQ(FrameTimerPeriodMs(30), 33);
  EXPECT_EQ(FrameTimerPeriodMs(40), 25);
  EXPECT_EQ(FrameTimerPeriodMs(50), 20); // exactly 20 is kept
  EXPECT_EQ(FrameTimerPeriodMs(51), 15); // 19 ms falls below 20
  EXPECT_EQ(FrameTimerPeriodMs(60), 15);
  EXPECT_EQ(FrameTimerPeriodMs(5000), 15);
  EXPECT_EQ(FrameTimerPeriodMs(1), 1000);
  EXPECT_EQ(FrameTimerPeriodMs(0), 33);
  EXPECT_EQ(FrameTimerPeriodMs(-7), 33);
}

TEST(FramePacing, OnlyTheNewestTickIsProcessed)
{
  IFrameTicks ticks;
  const auto a = ticks.Post();
  const auto b = ticks.Post();
  EXPECT_FALSE(ticks.ShouldProcess(a)); // already superseded when it arrives
  EXPECT_TRUE(ticks.ShouldProcess(b));
  EXPECT_EQ(ticks.Processed(), b);
  ticks.FrameDone(b);
  EXPECT_EQ(ticks.SkipMark(), 0u); // nothing arrived meanwhile

  const auto c = ticks.Post();
  EXPECT_TRUE(ticks.ShouldProcess(c));
  // A slow frame: two more ticks are queued while it draws.
  ticks.Post();
  const auto e = ticks.Post();
  ticks.FrameDone(c);
  EXPECT_EQ(ticks.SkipMark(), e + 1);
  EXPECT_FALSE(ticks.ShouldProcess(e)); // newest, but queued during the slow frame
  const auto f = ticks.Post();
  EXPECT_TRUE(ticks.ShouldProcess(f)); // the mark is reached and cleared
  EXPECT_EQ(ticks.SkipMark(), 0u);
  const auto g = ticks.Post();
  EXPECT_TRUE(ticks.ShouldProcess(g));
}
