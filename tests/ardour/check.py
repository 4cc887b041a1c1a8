#!/usr/bin/env python3
"""Ardour, an independent VST 3 host, loads the built bundle headlessly: scan, insert, bounce
with latency compensation, save and reload, and a saved notch that comes back with the session. Usage: check.py <path to Quellor.vst3>"""
import base64
import glob
import math
import os
import re
import shutil
import struct
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


# The notch section after the 84 bytes of values and bypass flag (see engine/NotchState.h).
def notch_section(channels):
    out = b"Qnch" + struct.pack("<II", 1, len(channels))
    for entries in channels:
        out += struct.pack("<I", len(entries))
        for slot, manual, hz, q, db in entries:
            out += struct.pack("<iIfff", slot, 1 if manual else 0, hz, q, db)
    return out


def read_notch_section(state):
    """Per channel, the (slot, manual, Hz, Q, dB) entries after the first 84 bytes."""
    if len(state) < 96 or state[84:88] != b"Qnch":
        return None
    version, count = struct.unpack_from("<II", state, 88)
    pos, channels = 96, []
    for _ in range(count):
        (n,) = struct.unpack_from("<I", state, pos)
        pos += 4
        channels.append([struct.unpack_from("<iIfff", state, pos + 20 * k) for k in range(n)])
        pos += 20 * n
    return channels


# Ardour keeps a VST 3 plug-in's state in the session file as a base64 preset: "VST3", version,
# class id, offset of the chunk list; the data; the list of (id, offset, size) entries.
def session_state(path):
    text = open(path).read()
    found = re.search(r'unique-id="F2AEE70D00DE4F4E56616E55516C7278".*?<chunk>([^<]*)</chunk>',
                      text, re.S)
    if not found:
        return text, None, None
    raw = base64.b64decode(found.group(1))
    (list_at,) = struct.unpack_from("<q", raw, 40)
    (count,) = struct.unpack_from("<i", raw, list_at + 4)
    entries = [struct.unpack_from("<4sqq", raw, list_at + 8 + 20 * k) for k in range(count)]
    chunks = [(cid, raw[at:at + size]) for cid, at, size in entries]
    return text, found, (raw[:40], chunks)


def with_component_state(text, found, preset, state):
    head, chunks = preset
    chunks = [(cid, state if cid == b"Comp" else data) for cid, data in chunks]
    body, table, at = b"", b"", 48
    for cid, data in chunks:
        table += struct.pack("<4sqq", cid, at, len(data))
        body += data
        at += len(data)
    raw = head + struct.pack("<q", at) + body + b"List" + struct.pack("<i", len(chunks)) + table
    return text[:found.start(1)] + base64.b64encode(raw).decode() + text[found.end(1):]


def component_state(preset):
    return dict(preset[1]).get(b"Comp") if preset else None


def level_db(x, y):
    start = len(x) // 4  # past the notch's glide in
    ex = sum(v * v for v in x[start:])
    ey = sum(v * v for v in y[start:])
    return 10.0 * math.log10(ey / ex) if ex > 0 and ey > 0 else -math.inf


def notch_recall(env, tmp):
    """A session whose saved plug-in state holds a manual notch at 1 kHz, -20 dB: the bounce of
    a 1 kHz tone (left) and a 300 Hz tone (right) through it, and again after save and reload."""
    lua = ["ardour7-lua"]
    session = os.path.join(tmp, "notches")
    length = testsignal.RATE * 2
    run(lua + [os.path.join(HERE, "prepare.lua"), session, "notches", str(length)], env,
        "notch session set-up")
    files = glob.glob(os.path.join(session, "interchange", "*", "audiofiles"))[0]
    tone = lambda hz: [float(struct.unpack("<f", struct.pack("<f", 0.25 * math.sin(
        2.0 * math.pi * hz * i / testsignal.RATE)))[0]) for i in range(length)]
    left, right = tone(1000.0), tone(300.0)
    wavio.overwrite(os.path.join(files, "input%L.wav"), left)
    wavio.overwrite(os.path.join(files, "input%R.wav"), right)
    run(lua + [os.path.join(HERE, "insert.lua"), session, "notches"], env, "insert with Hold")

    path = os.path.join(session, "notches.ardour")
    text, found, preset = session_state(path)
    state = component_state(preset)
    check(state is not None and len(state) > 84 and read_notch_section(state) == [[], []],
          "Ardour saved the plug-in's state with its notch section (two empty banks)")
    if state is None:
        return
    notch = [(0, True, 1000.0, 25.0, -20.0)]
    with open(path, "w") as f:
        f.write(with_component_state(text, found, preset, state[:84] + notch_section([notch] * 2)))

    renders = []
    for tag in ("notched", "reloaded-notched"):
        run(lua + [os.path.join(HERE, "bounce.lua"), session, "notches", str(length), tag], env,
            "bounce " + tag)
        try:
            renders.append((wavio.read(os.path.join(files, tag + "%L.wav")),
                            wavio.read(os.path.join(files, tag + "%R.wav"))))
        except (OSError, ValueError) as e:
            check(False, "%s: render readable (%s)" % (tag, e))
            return
        cut, kept = level_db(left, renders[-1][0]), level_db(right, renders[-1][1])
        check(abs(cut + 20.0) < 1.5, "%s: the 1 kHz tone comes out %.2f dB" % (tag, cut))
        check(abs(kept) < 0.2, "%s: the 300 Hz tone comes out %.2f dB" % (tag, kept))
        saved = read_notch_section(component_state(session_state(path)[2]) or b"")
        check(saved is not None and len(saved) == 2 and all(
            len(ch) == 1 and ch[0][:3] == (0, 1, 1000.0) and ch[0][3:] == (25.0, -20.0)
            for ch in saved), "%s: the session saved again holds the notch: %s" % (tag, saved))
    check(renders[0] == renders[1], "the reloaded session bounces bit for bit the same")


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

        # (e) the notches in the saved state: kept by a real host across save and reload.
        notch_recall(env, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("%d checks failed" % len(failures) if failures else "all Ardour checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
