#include "tools/quellor-render/Options.h"

#include <cctype>
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
    else if (key == "linked")
    {
      out.linked = true;
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
      "  --scenario NAME        built-in scenario: feedback (default), room (when built in)\n"
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
      "  --help\n",
      program);
}
