// quellor-host: lists a VST 3 bundle's factory and classes, then runs a short processing check
// on its first audio effect class.
//   quellor-host [--64] [--blocks N] [--host NAME] <bundle.vst3>
//   quellor-host --editor ...   the editor in a window of our own (EditorHost.cpp)

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/ComponentHandler.h"
#include "tools/host/EditorHost.h"
#include "tools/host/HostObjects.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "tools/host/UiLoop.h"
#include "vst3api/sdk/StringConvert.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::string utf8(const char16* s, size_t max = 128)
{
  return StringConvert::convert(s, max);
}

std::string cidText(const TUID cid)
{
  char text[33];
  FUID::fromTUID(cid).toString(text);
  return text;
}

int usage()
{
  std::fprintf(stderr, "usage: quellor-host [--64] [--blocks N] [--host NAME] <bundle.vst3>\n"
                       "       quellor-host --editor [--wav FILE] [--seconds N] <bundle.vst3>\n"
                       "       quellor-host --editor --sample\n");
  return 2;
}

void printClasses(IPluginFactory* factory)
{
  PFactoryInfo fi;
  factory->getFactoryInfo(&fi);
  std::printf("factory: vendor \"%s\", url \"%s\", e-mail \"%s\", flags %d\n", fi.vendor, fi.url,
              fi.email, fi.flags);
  FUnknownPtr<IPluginFactory2> f2(factory);
  FUnknownPtr<IPluginFactory3> f3(factory);
  const int32 n = factory->countClasses();
  for (int32 i = 0; i < n; ++i)
  {
    PClassInfoW w;
    PClassInfo2 c2;
    if (f3 && f3->getClassInfoUnicode(i, &w) == kResultOk)
    {
      std::printf(
          "class %d: cid %s, category \"%s\", name \"%s\", sub-categories \"%s\", vendor \"%s\", "
          "version \"%s\", sdk \"%s\", flags %u, cardinality %d\n",
          i, cidText(w.cid).c_str(), w.category, utf8(w.name, 64).c_str(), w.subCategories,
          utf8(w.vendor, 64).c_str(), utf8(w.version, 64).c_str(), utf8(w.sdkVersion, 64).c_str(),
          w.classFlags, w.cardinality);
    }
    else if (f2 && f2->getClassInfo2(i, &c2) == kResultOk)
    {
      std::printf(
          "class %d: cid %s, category \"%s\", name \"%s\", sub-categories \"%s\", version \"%s\"\n",
          i, cidText(c2.cid).c_str(), c2.category, c2.name, c2.subCategories, c2.version);
    }
    else
    {
      PClassInfo c;
      if (factory->getClassInfo(i, &c) == kResultOk)
        std::printf("class %d: cid %s, category \"%s\", name \"%s\"\n", i, cidText(c.cid).c_str(),
                    c.category, c.name);
    }
  }
}

} // namespace

int main(int argc, char** argv)
{
  if (argc > 1 && std::strcmp(argv[1], "--editor") == 0)
    return qhost::RunEditorHost(argc, argv);
  bool use64 = false;
  int blocks = 100;
  std::string hostName = "quellor-host";
  std::string bundle;
  for (int i = 1; i < argc; ++i)
  {
    const std::string a = argv[i];
    if (a == "--64")
    {
      use64 = true;
    }
    else if (a == "--blocks" && i + 1 < argc)
    {
      blocks = std::max(1, std::atoi(argv[++i]));
    }
    else if (a == "--host" && i + 1 < argc)
    {
      hostName = argv[++i];
    }
    else if (!a.empty() && a[0] != '-' && bundle.empty())
    {
      bundle = a;
    }
    else
    {
      return usage();
    }
  }
  if (bundle.empty())
    return usage();

  qhost::Module module;
  if (!module.load(bundle))
  {
    std::fprintf(stderr, "quellor-host: %s\n", module.error().c_str());
    return 1;
  }
  IPluginFactory* factory = module.factory();
  IPtr<qhost::HostApplication> host =
      owned(new qhost::HostApplication(StringConvert::convert(hostName)));
  if (FUnknownPtr<IPluginFactory3> f3{factory})
    f3->setHostContext(host->unknownCast());
  printClasses(factory);

  TUID cid;
  if (!qhost::findAudioEffectClass(factory, cid))
  {
    std::fprintf(stderr, "quellor-host: no audio effect class\n");
    return 1;
  }
  int failures = 0;
  auto check = [&](bool ok, const char* what) {
    std::printf("%-40s %s\n", what, ok ? "ok" : "FAILED");
    if (!ok)
      ++failures;
  };
  {
    qhost::PluginInstance plug;
    if (!plug.create(factory, cid))
    {
      std::fprintf(stderr, "quellor-host: %s\n", plug.error().c_str());
      return 1;
    }
    IPtr<qhost::ComponentHandler> handler = owned(new qhost::ComponentHandler);
    check(plug.initialize(host->unknownCast()) == kResultOk, "initialize");
    if (plug.controller())
      plug.controller()->setComponentHandler(handler);
    const auto params = plug.parameters();
    std::printf("%zu parameters\n", params.size());
    for (const ParameterInfo& p : params)
    {
      String128 text = {};
      plug.controller()->getParamStringByValue(p.id, p.defaultNormalizedValue, text);
      std::printf("  %6u \"%s\" [%s] steps %d default %.6f (%s) unit %d flags 0x%x\n", p.id,
                  utf8(p.title).c_str(), utf8(p.units).c_str(), p.stepCount,
                  p.defaultNormalizedValue, utf8(text).c_str(), p.unitId,
                  static_cast<unsigned>(p.flags));
    }
    for (int32 dir = kInput; dir <= kOutput; ++dir)
    {
      for (int32 i = 0; i < plug.component()->getBusCount(kAudio, dir); ++i)
      {
        BusInfo b{};
        plug.component()->getBusInfo(kAudio, dir, i, b);
        std::printf("%s bus %d: \"%s\", %d channels\n", dir == kInput ? "input" : "output", i,
                    utf8(b.name).c_str(), b.channelCount);
      }
    }
    check(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo) == kResultTrue,
          "stereo arrangement");
    plug.activateMainBuses();
    const int32 blockSize = 512;
    const double rate = 48000.;
    check(plug.setupProcessing(rate, blockSize, use64 ? kSample64 : kSample32) == kResultOk,
          use64 ? "setup 64-bit" : "setup 32-bit");
    check(plug.start() == kResultOk, "activate");

    std::vector<double> in64[2], out64[2];
    std::vector<float> in32[2], out32[2];
    for (int c = 0; c < 2; ++c)
    {
      in64[c].resize(blockSize);
      out64[c].resize(blockSize);
      in32[c].resize(blockSize);
      out32[c].resize(blockSize);
    }
    double peak = 0.;
    bool finite = true;
    long long t = 0;
    for (int b = 0; b < blocks; ++b)
    {
      for (int32 s = 0; s < blockSize; ++s, ++t)
      {
        const double x =
            0.25 * std::sin(2. * 3.141592653589793 * 1000. * static_cast<double>(t) / rate);
        for (int c = 0; c < 2; ++c)
        {
          in64[c][static_cast<size_t>(s)] = x;
          in32[c][static_cast<size_t>(s)] = static_cast<float>(x);
        }
      }
      tresult r;
      if (use64)
      {
        double* ins[2] = {in64[0].data(), in64[1].data()};
        double* outs[2] = {out64[0].data(), out64[1].data()};
        r = plug.process64(ins, 2, outs, 2, blockSize);
      }
      else
      {
        float* ins[2] = {in32[0].data(), in32[1].data()};
        float* outs[2] = {out32[0].data(), out32[1].data()};
        r = plug.process32(ins, 2, outs, 2, blockSize);
      }
      if (r != kResultOk)
        finite = false;
      for (int c = 0; c < 2; ++c)
        for (int32 s = 0; s < blockSize; ++s)
        {
          const double y =
              use64 ? out64[c][static_cast<size_t>(s)] : out32[c][static_cast<size_t>(s)];
          if (!std::isfinite(y))
            finite = false;
          peak = std::max(peak, std::fabs(y));
        }
    }
    qhost::pumpUi(host->runLoop(), 50);
    std::printf("processed %d blocks of %d: output peak %.6f, latency %u samples, tail %u\n",
                blocks, blockSize, peak, plug.processor()->getLatencySamples(),
                plug.processor()->getTailSamples());
    check(finite, "process results finite and ok");

    qhost::MemoryStream state;
    check(plug.saveState(state) == kResultOk, "save state");
    std::printf("state: %zu bytes\n", state.bytes().size());
    state.rewind();
    check(plug.loadState(state) == kResultOk, "restore state");
    check(plug.stop() == kResultOk, "deactivate");
    check(plug.terminate() == kResultOk, "terminate");
    std::printf("restart requests: %d, edits: %zu\n", handler->restartCount(~0),
                handler->callsOf(qhost::HandlerCall::kPerform).size());
  }
  if (FUnknownPtr<IPluginFactory3> f3{factory})
    f3->setHostContext(nullptr);
  module.unload();
  check(module.lastExitResult(), "module exit");
  return failures == 0 ? 0 : 1;
}
