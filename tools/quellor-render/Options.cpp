#include "tools/quellor-render/Options.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string NormaliseOptionName(const std::string& name)
{
  std::string s;
  for (unsigned char ch : name)
    if (std::isalnum(ch))
      s.push_back(static_cast<char>(std::tolower(ch)));
  return s;
}

bool ParseParamValue(const std::string& text, bool isSwitch, double& value)
{
  if (isSwitch)
  {
    const std::string t = NormaliseOptionName(text);
    if (t == "on" || t == "true" || t == "yes")
    {
      value = 1.0;
      return true;
    }
    if (t == "off" || t == "false" || t == "no")
    {
      value = 0.0;
      return true;
    }
  }
  if (text.empty())
    return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end != nullptr && *end == '\0';
}

namespace {

bool TakeValue(int argc, char** argv, int& i, const std::string& inlineValue, bool hasInline,
               std::string& value)
{
  if (hasInline)
  {
    value = inlineValue;
    return true;
  }
  if (i + 1 >= argc)
    return false;
  value = argv[++i];
  return true;
}

// "HZ", "HZ,DB" or "HZ,DB,Q" within the ranges a notch can take.
bool ParseNotch(const std::string& text, float& hz, float& db, float& q)
{
  double v[3] = {0.0, -18.0, 25.0};
  size_t start = 0;
  for (int k = 0; k < 3; ++k)
  {
    const size_t comma = text.find(',', start);
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!ParseParamValue(part, false, v[k]))
      return false;
    if (comma == std::string::npos)
      break;
    if (k == 2)
      return false; // more than three values
    start = comma + 1;
  }
  if (!(v[0] >= 20.0 && v[0] <= 24000.0) || !(v[1] >= -40.0 && v[1] <= 0.0) ||
      !(v[2] >= 0.5 && v[2] <= 60.0))
    return false;
  hz = static_cast<float>(v[0]);
  db = static_cast<float>(v[1]);
  q = static_cast<float>(v[2]);
  return true;
}

} // namespace

bool ParseRenderOptions(int argc, char** argv, RenderOptions& out, std::string& error)
{
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i)
  {
    std::string arg = argv[i];
    if (arg.size() < 3 || arg[0] != '-' || arg[1] != '-')
    {
      if (arg == "-h")
      {
        out.help = true;
        continue;
      }
      positional.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2), inlineValue;
    const size_t eq = name.find('=');
    const bool hasInline = eq != std::string::npos;
    if (hasInline)
    {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    const std::string key = NormaliseOptionName(name);
    std::string value;
    if (key == "help")
    {
      out.help = true;
    }
    else if (key == "quiet")
    {
      out.quiet = true;
    }
    else if (key == "listparams")
    {
      out.listParams = true;
    }
    else if (key == "thirdoctaves")
    {
      out.thirdOctaves = true;
    }
    else if (key == "linked")
    {
      out.linked = true;
    }
    else if (key == "scorecard")
    {
      out.scorecard = true;
    }
    else if (key == "quick")
    {
      out.quick = true;
    }
    else if (key == "material" || key == "jobs" || key == "only")
    {
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value) || value.empty())
      {
        error = "--" + name + " needs a value";
        return false;
      }
      if (key == "material")
        out.material = value;
      else if (key == "only")
      {
        std::string rest = value + ",";
        for (size_t at = 0, comma; (comma = rest.find(',', at)) != std::string::npos;
             at = comma + 1)
        {
          const std::string part = rest.substr(at, comma - at);
          if (part != "loop" && part != "churn" && part != "alone" && part != "catch")
          {
            error = "--only: expected loop, churn, alone or catch, got \"" + part + "\"";
            return false;
          }
        }
        out.only = value;
      }
      else
      {
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (end == value.c_str() || *end != '\0' || n < 1 || n > 8)
        {
          error = "--jobs: expected 1 .. 8, got \"" + value + "\"";
          return false;
        }
        out.jobs = static_cast<unsigned>(n);
      }
    }
    else if (key == "editorpng" || key == "at" || key == "editorscale" || key == "editornotch")
    {
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value) || value.empty())
      {
        error = "--" + name + " needs a value";
        return false;
      }
      if (key == "editorpng")
      {
        out.editorPng = value;
      }
      else if (key == "editornotch")
      {
        if (!ParseNotch(value, out.notchHz, out.notchDb, out.notchQ))
        {
          error = "--" + name +
                  ": expected HZ[,DB[,Q]] with HZ 20 .. 24000, DB -40 .. 0, Q 0.5 .. "
                  "60, got \"" +
                  value + "\"";
          return false;
        }
      }
      else
      {
        double v = 0;
        const bool ok =
            ParseParamValue(value, false, v) && (key == "at" ? v >= 0 : (v == 1.0 || v == 2.0));
        if (!ok)
        {
          error = key == "at"
                      ? "--" + name + ": expected seconds from the start, got \"" + value + "\""
                      : "--" + name + ": expected 1 or 2, got \"" + value + "\"";
          return false;
        }
        if (key == "at")
          out.editorAt = v;
        else
          out.editorScale = static_cast<float>(v);
      }
    }
    else if (key == "module")
    {
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value) || value.empty())
      {
        error = "--" + name + " needs a bundle path";
        return false;
      }
      out.module = value;
    }
    else if (key == "scenario" || key == "outdir" || key == "seconds" || key == "rate" ||
             key == "block")
    {
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value))
      {
        error = "--" + name + " needs a value";
        return false;
      }
      if (key == "scenario")
      {
        out.scenario = value;
      }
      else if (key == "outdir")
      {
        out.outDir = value;
      }
      else
      {
        double v = 0;
        if (!ParseParamValue(value, false, v) || !(v > 0))
        {
          error = "--" + name + ": expected a positive number, got \"" + value + "\"";
          return false;
        }
        if (key == "seconds")
          out.seconds = v;
        else if (key == "rate")
          out.rate = v;
        else
          out.block = static_cast<int>(v);
      }
    }
    else if (key == "programme" || key == "program" || key == "plot" || key == "rooms" ||
             key == "band")
    {
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value) || value.empty())
      {
        error = "--" + name + " needs a value";
        return false;
      }
      if (key == "plot")
      {
        out.plot = value;
      }
      else if (key == "rooms" || key == "band")
      {
        const size_t dots = value.find("..");
        double a = 0, b = 0;
        if (dots == std::string::npos || !ParseParamValue(value.substr(0, dots), false, a) ||
            !ParseParamValue(value.substr(dots + 2), false, b))
        {
          error = "--" + name + ": expected A..B, got \"" + value + "\"";
          return false;
        }
        if (key == "rooms")
        {
          if (a < 0 || b < a || b > 1e9 || a != std::floor(a) || b != std::floor(b))
          {
            error = "--rooms: expected whole seeds A..B with 0 <= A <= B";
            return false;
          }
          out.roomsFrom = static_cast<int>(a);
          out.roomsTo = static_cast<int>(b);
        }
        else
        {
          if (!(a >= 10 && b > a && b <= 20000))
          {
            error = "--band: expected LOW..HIGH Hz with 10 <= LOW < HIGH <= 20000";
            return false;
          }
          out.lowHz = a;
          out.highHz = b;
        }
      }
      else
      {
        out.programme = value;
      }
    }
    else if (key == "seed" || key == "rt60" || key == "delay" || key == "step" ||
             key == "stepseconds" || key == "startgain" || key == "fixedgain")
    {
      double v = 0;
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value) ||
          !ParseParamValue(value, false, v) || !std::isfinite(v))
      {
        error = "--" + name + " needs a number";
        return false;
      }
      struct Range
      {
        const char* key;
        double lo, hi;
        double* target;
      };
      double seed = 0;
      const Range ranges[] = {{"seed", 0, 4294967295.0, &seed},
                              {"rt60", 0.05, 3.0, &out.rt60},
                              {"delay", 128000.0 / 48000.0, 100.0, &out.delayMs},
                              {"step", 0.05, 6.0, &out.stepDb},
                              {"stepseconds", 0.5, 60.0, &out.stepSeconds},
                              {"startgain", -40.0, 0.0, &out.startDb},
                              {"fixedgain", -40.0, 30.0, &out.fixedDb}};
      for (const Range& r : ranges)
      {
        if (key != r.key)
          continue;
        if (!(v >= r.lo && v <= r.hi))
        {
          char buf[160];
          std::snprintf(buf, sizeof buf, "--%s: expected %g .. %g, got %s", name.c_str(), r.lo,
                        r.hi, value.c_str());
          error = buf;
          return false;
        }
        *r.target = v;
      }
      if (key == "seed")
      {
        if (seed != std::floor(seed))
        {
          error = "--seed: expected a whole number";
          return false;
        }
        out.seed = static_cast<unsigned>(seed);
      }
      if (key == "fixedgain")
        out.fixedGain = true;
    }
    else
    {
      // Anything else names a parameter; its value is checked once the parameters are known.
      if (!TakeValue(argc, argv, i, inlineValue, hasInline, value))
      {
        error = "--" + name + " needs a value";
        return false;
      }
      out.params.emplace_back(name, value);
    }
  }
  if (positional.size() > 2)
  {
    error = "at most an input and an output file";
    return false;
  }
  if (!positional.empty())
    out.input = positional[0];
  if (positional.size() == 2)
    out.output = positional[1];
  if (out.block < 1 || out.block > 65536)
  {
    error = "--block must be 1 .. 65536";
    return false;
  }
  return true;
}

void PrintUsage(const char* program)
{
  std::printf(
      "usage: %s [options] [INPUT.wav [OUTPUT.wav]]\n"
      "\n"
      "With INPUT, processes the file (mono or stereo) and writes OUTPUT (default "
      "INPUT-quellor.wav),\n"
      "delay-compensated. Without INPUT, runs a built-in scenario, writes <scenario>-input.wav "
      "and\n"
      "<scenario>-output.wav and reports each notch placed and released.\n"
      "\n"
      "Parameters (any of the ten, by name; case, spaces, '-' and '_' do not matter):\n"
      "  --Sensitivity 60       --\"Auto Cut\" -20   (same as --auto-cut -20 or --auto-cut=-20)\n"
      "  --auto-width 30        --master-trim 0   --master-width 1   --hushen 0   --drytail 0\n"
      "  --gain 0               --hold on|off     --bypass on|off\n"
      "  --list-params          show the parameters with their ranges and defaults\n"
      "\n"
      "Processing:\n"
      "  --module PATH          the Quellor.vst3 bundle to load (default: the one built with this "
      "tool)\n"
      "  --linked               use the engine built into this tool instead of loading the bundle\n"
      "\n"
      "Other options:\n"
      "  --scenario NAME        built-in scenario: feedback (default), room, loop (below)\n"
      "  --seconds S            scenario length (default: the scenario's own)\n"
      "  --rate HZ              scenario sample rate (default 48000)\n"
      "  --block N              processing block size in samples (default 256)\n"
      "  --out-dir DIR          folder for the scenario's WAV files (default .)\n"
      "\n"
      "Editor picture (drawn from the engine built into this tool):\n"
      "  --editor-png FILE      write the editor as it looks at --at as a PNG\n"
      "  --at S                 seconds from the start (default: the end of the run)\n"
      "  --editor-notch HZ[,DB[,Q]]  add a manual notch just before the picture and select it\n"
      "                         (default depth -18 dB, Q 25)\n"
      "  --editor-scale 1|2     draw scale of the picture (default 1)\n"
      "  --quiet                print only the summary\n"
      "  --third-octaves        add output against input level per third-octave band (25 Hz ..\n"
      "                         20 kHz, below the Nyquist frequency) and broadband to the summary\n"
      "\n"
      "Closed loop (--scenario loop): microphone -> Quellor -> amplifier gain K -> loudspeaker\n"
      "-> room -> microphone at 48 kHz, blocks of 128. The room is made from a seed: a pure\n"
      "delay, exponentially decaying noise, the loudspeaker's second-order high- and low-pass,\n"
      "scaled so that its frequency response peaks at 1 (K = 0 dB: the loop's peak gain is "
      "unity).\n"
      "K rises from below the room's exact stable limit in steps until sustained howling; the "
      "loop\n"
      "runs once without the plug-in and once with it (then the programme alone goes through it).\n"
      "A howl is a tone in the loudspeaker signal (4096-point frames every 1024 samples: a peak\n"
      "15 dB over the frame's median, followed within +-23 Hz with gaps of at most 3 frames) at\n"
      "-20 dBFS or more; howling is sustained when one howl lasts longer than 1 s. The maximum\n"
      "stable gain is one step below the K at which the first sustained howl began to grow.\n"
      "  --seed N               the room (default 1)     --rooms A..B   a table over seeds A to B\n"
      "  --rt60 S               reverberation time (default 0.4, 0.05 .. 3)\n"
      "  --delay MS             pure delay of the room (default 5, at least 2.67)\n"
      "  --band LOW..HIGH       loudspeaker corners in Hz (default 100..10000)\n"
      "  --step DB              K step (default 0.5)  --step-seconds S  per step (default 2)\n"
      "  --start-gain DB        first K relative to the exact stable limit (default -10)\n"
      "  --fixed-gain DB        hold K there (relative to the limit) for --seconds (default 20)\n"
      "  --programme FILE.wav   programme at the microphone (default: the built-in talker)\n"
      "  --plot FILE.png        picture of the run with the plug-in (the first room of a table)\n"
      "\n"
      "Scorecard (--scorecard): the loop over rooms 1..12 (talker; and RT60 1.2 s with a 10 ms\n"
      "path), rooms 1..6 with speech and with music, churn at a held gain, music and speech\n"
      "alone, and catch times, at Sensitivity 0, 50 and 100 %%; one table.\n"
      "  --material DIR         the prepared material (default build/score-material; ./run.sh\n"
      "                         score prepares it with tools/quellor-render/score-material.sh)\n"
      "  --quick                the regression subset at 50 %%: exits 1 below its thresholds\n"
      "  --jobs N               worker threads (default 2)\n"
      "  --only PARTS           some of loop,churn,alone,catch (default: all)\n"
      "  --help\n",
      program);
}
