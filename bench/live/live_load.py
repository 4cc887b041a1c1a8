#!/usr/bin/env python3
"""The live host's DSP load: the share of each JACK period that quellor-host --live's process
callback takes, at periods of 64 and 256 frames (48 kHz), on a private jackd -d dummy server,
while the test client plays the feedback scenario into it.

    live_load.py BUILD_DIR [SECONDS]

For each period and setting: the callback's mean load and its peak (the host's own measure: time
in the callback over the period, from its status lines) and the server's figure (jack_cpu_load,
which covers the whole graph: the test client too).
"""

import os
import re
import signal
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1])
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 9.0
OUT = tempfile.mkdtemp(prefix="quellor-live-load.")
BIN = os.path.join(BUILD, "bin")


def run(period, settings):
    server = "quellor-live-load-%d-%d" % (os.getpid(), period)
    env = dict(os.environ, JACK_DEFAULT_SERVER=server, JACK_NO_AUDIO_RESERVATION="1")
    jackd = subprocess.Popen(["jackd", "-n", server, "-d", "dummy", "-r", "48000", "-p",
                              str(period)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             env=env)
    try:
        for _ in range(100):
            if subprocess.run(["jack_lsp"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                break
            time.sleep(0.1)
        client = subprocess.Popen([os.path.join(BIN, "quellor-live-test-client"), "--play",
                                   os.path.join(OUT, "feedback-input.wav"), "--record",
                                   os.path.join(OUT, "rec.wav")], stdout=subprocess.PIPE,
                                  text=True, env=env)
        client.stdout.readline()
        args = [os.path.join(BIN, "quellor-host"), "--live", os.path.join(BUILD, "Quellor.vst3"),
                "--no-editor", "--channels", "1", "--connect-in", "livetest:play",
                "--connect-out", "livetest:rec"]
        for s in settings:
            args += ["--set", s]
        host = subprocess.Popen(args, stdout=subprocess.PIPE, text=True, env=env)
        client.wait(SECONDS + 30)
        host.send_signal(signal.SIGINT)
        out, _ = host.communicate(10)
    finally:
        jackd.send_signal(signal.SIGTERM)
        jackd.wait(10)
    rows = re.findall(r"^status: dsp ([\d.]+) % \(peak ([\d.]+) %, server ([\d.]+) %\), "
                      r"xruns (\d+)", out, re.M)[1:]  # the first second includes the start
    loads = [float(r[0]) for r in rows]
    peaks = [float(r[1]) for r in rows]
    server_loads = [float(r[2]) for r in rows]
    xruns = int(rows[-1][3]) if rows else -1
    return (sum(loads) / len(loads), max(peaks), sum(server_loads) / len(server_loads), xruns,
            len(rows))


def main():
    subprocess.run([os.path.join(BIN, "quellor-render"), "--seconds", str(SECONDS), "--quiet",
                    "--out-dir", OUT], stdout=subprocess.DEVNULL, check=True)
    print("%-7s %-26s %10s %10s %12s %6s" % ("period", "settings", "dsp mean", "dsp peak",
                                              "server mean", "xruns"))
    for period in (64, 256):
        for name, settings in (("defaults", []),
                               ("Hushen 50 %, Drytail 50 %", ["Hushen=50", "Drytail=50"])):
            mean, peak, server, xruns, n = run(period, settings)
            print("%-7d %-26s %9.2f%% %9.1f%% %11.2f%% %6d   (%d one-second readings)" %
                  (period, name, mean, peak, server, xruns, n))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
