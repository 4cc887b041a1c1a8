#!/usr/bin/env python3
"""Ardour, an independent VST 3 host, loads the built bundle headlessly: scan, insert, bounce
with latency compensation, save and reload. Usage: check.py <path to Quellor.vst3>"""
import glob
import math
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import testsignal  # noqa: E402
import wavio  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ARDOUR_LIB = "/usr/lib/ardour7"
# The latencies the plug-in reports at 48 kHz: Drytail 512, Hushen 1472, both 1984.
EXPECTED_LATENCY = {"drytail": 512, "hushen": 1472, "both": 1984, "saved": 1984, "reloaded": 1984}
SAVED_PARAMS = [70, -24, 12.5, -1.5, 1.25, 40, 30, -6, 1]

failures = []


def check(ok, text):
    print(("ok   " if ok else "FAIL ") + text)
    if not ok:
        failures.append(text)


def run(cmd, env, what):
    result = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, timeout=90)
    lines = [l for l in result.stdout.splitlines() if l.startswith("QUELLOR ")]
    if result.returncode != 0:
        print(result.stdout[-3000:])
    check(result.returncode == 0, "%s exits cleanly (%d)" % (what, result.returncode))
    return [l.split()[1:] for l in lines]


def main():
    bundle = os.path.abspath(sys.argv[1])
    tmp = tempfile.mkdtemp(prefix="quellor-ardour.")
    try:
        home = os.path.join(tmp, "home")
        os.makedirs(os.path.join(home, ".vst3"))
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_RUNTIME_DIR=os.path.join(tmp, "run"), LD_LIBRARY_PATH=ARDOUR_LIB)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        found = os.path.join(home, ".vst3", "Quellor.vst3")
        os.symlink(bundle, found)

        # (a) scanned (by the exact path Ardour finds) and inserted.
        scan = subprocess.run([ARDOUR_LIB + "/ardour-vst3-scanner", "-f", found], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=60)
        cache = "".join(open(p).read() for p in glob.glob(
            os.path.join(env["XDG_CACHE_HOME"], "ardour7", "vst", "*.v3i")))
        check(scan.returncode == 0 and 'uid="F2AEE70D00DE4F4E56616E55516C7278"' in cache,
              "scanner lists Quellor with class id F2AEE70D00DE4F4E56616E55516C7278")

        session = os.path.join(tmp, "session")
        lua = ["ardour7-lua"]
        args = [session, "quellor", str(testsignal.LENGTH)]
        run(lua + [os.path.join(HERE, "prepare.lua")] + args, env, "session set-up")
        files = os.path.join(session, "interchange", "session", "audiofiles")
        left, right = testsignal.make()
        wavio.overwrite(os.path.join(files, "input%L.wav"), left)
        wavio.overwrite(os.path.join(files, "input%R.wav"), right)

        first = run(lua + [os.path.join(HERE, "run.lua")] + args, env, "insert and bounce")
        check(["inserted", "Quellor"] in first, "Ardour inserted the plug-in")
        second = run(lua + [os.path.join(HERE, "verify.lua")] + args, env, "reload and bounce")

        # (b) latency Ardour reads, and the compensated renders line up with the input.
        latency = {l[1]: int(l[2]) for l in first + second if l[0] == "latency"}
        renders = {}
        for tag, want in EXPECTED_LATENCY.items():
            got = latency.get(tag)
            check(got == want, "%s: Ardour reads latency %s, the plug-in reports %d"
                  % (tag, got, want))
            try:
                renders[tag] = (wavio.read(os.path.join(files, tag + "%L.wav")),
                                wavio.read(os.path.join(files, tag + "%R.wav")))
            except (OSError, ValueError) as e:
                check(False, "%s: render readable (%s)" % (tag, e))
                continue
            for name, x, y in (("sweeps", left, renders[tag][0]),
                               ("noise", right, renders[tag][1])):
                # (d) nothing that is not a number.
                check(all(math.isfinite(v) for v in y), "%s %s: every sample finite" % (tag, name))
                lag, corr = testsignal.lag(x, y)
                check(abs(lag) <= 1 and corr > 0.8,
                      "%s %s: lag %d, correlation %.4f" % (tag, name, lag, corr))

        # (c) state recall: parameters and the render itself.
        saved = {int(l[1]): float(l[2]) for l in first if l[0] == "param"}
        reloaded = {int(l[1]): float(l[2]) for l in second if l[0] == "param"}
        for i, want in enumerate(SAVED_PARAMS, start=1):
            check(abs(saved.get(i, math.nan) - want) < 1e-3 and
                  abs(reloaded.get(i, math.nan) - want) < 1e-3,
                  "parameter %d: set %s, before save %s, after reload %s"
                  % (i, want, saved.get(i), reloaded.get(i)))
        if "saved" in renders and "reloaded" in renders:
            check(renders["saved"] == renders["reloaded"],
                  "the reloaded session renders bit for bit what was saved")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("%d checks failed" % len(failures) if failures else "all Ardour checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
