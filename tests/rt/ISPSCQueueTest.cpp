#include "rt/ISPSCQueue.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using plugfw::ISPSCQueue;

// A ring of N slots holds N - 1 entries; a push onto a full ring is dropped and leaves the rest
// intact, and the count stays right while the indices wrap.
TEST(ISPSCQueue, HoldsOneLessThanItsSlotsAcrossWraps)
{
  ISPSCQueue<int> q(4);
  int next = 0, expected = 0;
  for (int round = 0; round < 10; ++round)
  {
    while (q.Push(next))
      ++next;
    EXPECT_EQ(q.ElementsAvailable(), 3u);
    const int keep = round % 3;
    while (q.ElementsAvailable() > static_cast<size_t>(keep))
    {
      int v = -1;
      ASSERT_TRUE(q.Pop(v));
      EXPECT_EQ(v, expected++);
    }
  }
  int v = -1;
  while (q.Pop(v))
    EXPECT_EQ(v, expected++);
  EXPECT_EQ(expected, next);
  EXPECT_EQ(q.ElementsAvailable(), 0u);

  ISPSCQueue<int> tiny(0); // fewer than two slots: two, so one entry fits
  EXPECT_EQ(tiny.Slots(), 2u);
  EXPECT_TRUE(tiny.Push(1));
  EXPECT_FALSE(tiny.Push(2));
}

TEST(ISPSCQueue, CarriesEveryEntryAcrossThreadsInOrder)
{
  ISPSCQueue<int> q(33);
  const int n = 100000;
  std::thread producer([&] {
    for (int i = 0; i < n;)
      if (q.Push(i))
        ++i;
  });
  int expected = 0;
  bool inOrder = true;
  while (expected < n)
  {
    int v;
    if (q.Pop(v))
    {
      inOrder &= (v == expected);
      ++expected;
    }
  }
  producer.join();
  EXPECT_TRUE(inOrder);
}

} // namespace
