#include <cmath>

#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;

class ModuleCallOrder : public PluginTest
{};

TEST_F(ModuleCallOrder, SetupBeforeInitialiseFailsCleanly)
{
  EXPECT_NE(plug.setupProcessing(48000., 512, kSample32), kResultOk);
  ASSERT_EQ(initialize(), kResultOk);
  EXPECT_EQ(plug.setupProcessing(48000., 512, kSample32), kResultOk);
}

TEST_F(ModuleCallOrder, ProcessBeforeSetupGivesSilence)
{
  float in[2][64], out[2][64];
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 64; ++i)
    {
      in[c][i] = 0.5f;
      out[c][i] = 3.f;
    }
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};
  EXPECT_EQ(plug.process32(ins, 2, outs, 2, 64), kResultOk); // not even initialised
  ASSERT_EQ(initialize(), kResultOk);
  EXPECT_EQ(plug.process32(ins, 2, outs, 2, 64), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 64; ++i)
      EXPECT_EQ(out[c][i], 0.f);
}

TEST_F(ModuleCallOrder, InitialiseTwiceAndTerminateTwice)
{
  ASSERT_EQ(initialize(), kResultOk);
  IPtr<qhost::HostApplication> second = owned(new qhost::HostApplication(u"Another"));
  EXPECT_NE(plug.component()->initialize(second->unknownCast()), kResultOk);
  EXPECT_EQ(plug.controller()->getParameterCount(), 11); // the first initialisation stands
  EXPECT_EQ(plug.component()->terminate(), kResultOk);
  EXPECT_EQ(plug.component()->terminate(), kResultOk);
  // After terminate, processing is refused quietly and setup needs a new initialise.
  EXPECT_NE(plug.setupProcessing(48000., 512, kSample32), kResultOk);
  float buf[2][32] = {};
  float* chans[2] = {buf[0], buf[1]};
  EXPECT_EQ(plug.process32(chans, 2, chans, 2, 32), kResultOk);
}

TEST_F(ModuleCallOrder, BadSetupsAreRefused)
{
  ASSERT_EQ(initialize(), kResultOk);
  EXPECT_NE(plug.setupProcessing(48000., 512, 5), kResultOk);
  EXPECT_NE(plug.setupProcessing(0., 512, kSample32), kResultOk);
  EXPECT_NE(plug.setupProcessing(std::nan(""), 512, kSample32), kResultOk);
  EXPECT_NE(plug.setupProcessing(48000., 0, kSample32), kResultOk);
  EXPECT_NE(plug.setupProcessing(48000., -64, kSample32), kResultOk);
  EXPECT_EQ(plug.setupProcessing(44100., 64, kSample64), kResultOk);
  // Deactivating and reactivating repeatedly is harmless.
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(plug.start(), kResultOk);
    EXPECT_EQ(plug.stop(), kResultOk);
  }
}
