#!/usr/bin/env python3
"""Opens editors in quellor-host --editor (the Windows build) under Wine inside Xvfb and drives them with xdotool:
first the sample layout (screen against the headless render, gestures, value entry, keys, the
corner resizer, reopening, two editors), then the plug-in's own editor from the bundle (notch
handles checked through the plug-in's probe interface).
Usage: EditorWindowWinCheck.py QUELLOR-HOST.exe OUTDIR [BUNDLE.vst3]

Every check waits for the condition it tests (a line from the host, a polled state) up to a
deadline instead of sleeping a fixed time, so a slow machine only makes it slower."""
import os, subprocess, sys, time, threading, queue

host, out = sys.argv[1], sys.argv[2]
bundle = sys.argv[3] if len(sys.argv) > 3 else None
os.makedirs(out, exist_ok=True)
# The editor opens as a user's would: no presentation chosen, so under Wine it must pick GDI itself.
env = dict(os.environ, WINEDEBUG="-all")
env.pop("QUELLOR_PRESENTATION", None)
disp = env["DISPLAY"]
failures = []
TIMEOUT = 8  # seconds any one condition may take to show


class Host:
    def __init__(self, *args):
        self.p = subprocess.Popen(["/usr/lib/wine/wine64", host, "--editor", *args], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=lambda: [self.lines.put(l.strip()) for l in self.p.stdout],
                         daemon=True).start()

    def send(self, cmd):
        self.p.stdin.write(cmd + "\n"); self.p.stdin.flush()

    def collect(self, until, timeout=TIMEOUT):
        """Lines up to and including the first for which until(line) holds; (lines, found)."""
        got, end = [], time.time() + timeout
        while time.time() < end:
            try:
                l = self.lines.get(timeout=0.1)
            except queue.Empty:
                continue
            got.append(l)
            if until(l):
                return got, True
        return got, False

    def wait_for(self, prefix, timeout=TIMEOUT):
        got, found = self.collect(lambda l: l.startswith(prefix), timeout)
        return got[-1] if found else None

    def settle(self, seconds=0.3):
        """Whatever else arrives within a short time (to see that nothing more came)."""
        got, end = [], time.time() + seconds
        while time.time() < end:
            try:
                got.append(self.lines.get(timeout=0.05))
            except queue.Empty:
                pass
        return got

    def ask(self, cmd, prefix=None):
        self.send(cmd)
        return self.wait_for(prefix or cmd.split()[0])

    def poll(self, cmd, ok, timeout=TIMEOUT):
        """Asks cmd until ok(reply) holds or the deadline passes; returns the last reply."""
        end, reply = time.time() + timeout, None
        while time.time() < end:
            reply = self.ask(cmd)
            if reply is not None and ok(reply):
                return reply
            time.sleep(0.1)
        return reply

    def poll_settled(self, cmd, value, ok, timeout=TIMEOUT):
        """Like poll, until ok(value(reply)) holds for three replies in a row with the same value:
        a pointer gesture is still arriving while the value moves."""
        last = []
        def settled(reply):
            v = value(reply)
            last.append(v)
            return ok(v) and len(last) > 2 and last[-3] == last[-2] == v
        return self.poll(cmd, settled, timeout)

    def quit(self):
        self.send("quit")
        try:
            self.p.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.p.kill()


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + (" -- " + str(detail) if detail and not ok else ""))
    if not ok:
        failures.append(name)
    return ok


last_click = [0.0]
DOUBLE_CLICK_GAP = 0.7  # seconds; Windows pairs presses within 500 ms into a double-click


def xdo(*args):
    # Single clicks keep their distance, or a slow run turns two of them into a double-click.
    words = [str(a) for a in args]
    press = words[0] in ("click", "mousedown") and words[-1] in ("1", "3")
    if press and "--repeat" not in words:
        time.sleep(max(0.0, last_click[0] + DOUBLE_CLICK_GAP - time.time()))
    subprocess.run(["xdotool"] + words, env=env, check=True)
    if press:
        last_click[0] = time.time()


def open_editor(h):
    ready = h.wait_for("ready 0", 60)
    if not check("editor opens", ready is not None):
        h.p.kill(); sys.exit(1)
    x0, y0, w, h_, pres = ready.split()[2:7]
    return int(x0), int(y0), int(w), int(h_), pres


def edits(lines):
    return [l for l in lines if l.startswith("edit")]


# ---- The sample layout ----------------------------------------------------------------------
h = Host("--sample")
x0, y0, w, ht, pres = open_editor(h)
at = lambda x, y: (x0 + int(x), y0 + int(y))
check(f"with no presentation variable set, the editor under Wine presents through GDI ({pres})",
      pres == "gdi")
time.sleep(1.5)  # the first frames reach the screen
shot = os.path.join(out, "window.png")
subprocess.run(f"xwd -root -display {disp} -silent | convert xwd:- -crop {w}x{ht}+{x0}+{y0} +repage {shot}",
               shell=True, check=True)
check("headless render written",
      (h.ask("headless Z:" + os.path.join(out, "headless.png").replace("/", "\\")) or "").startswith("headless written"))
diff = subprocess.run(["compare", "-metric", "AE", "-fuzz", "2%", shot, os.path.join(out, "headless.png"),
                       os.path.join(out, "diff.png")], capture_output=True, text=True).stderr.strip()
check(f"screen equals headless render ({pres}), differing pixels: {diff}",
      diff.split()[0].isdigit() and int(float(diff.split()[0])) <= w * ht // 200)

def check_toggle(h, at, x, y, name):  # a click on the switch of parameter 8: one begin/perform/end
    h.settle(0.2)
    xdo("mousemove", *at(x, y)); xdo("click", 1)
    got, _ = h.collect(lambda l: l.startswith("edit end 8"))
    ev = edits(got + h.settle())
    check(name, [e.split()[1] for e in ev] == ["begin", "perform", "end"] and all(e.split()[2] == "8" for e in ev), ev)


check_toggle(h, at, 21, 645, "toggle click is one begin/perform/end")

# Right-click on a parameter control: the host's context menu, no gesture.
xdo("mousemove", *at(696, 386)); xdo("click", 3)
got, found = h.collect(lambda l: l.startswith("contextmenu"))
got += h.settle()
menus = [l for l in got if l.startswith("contextmenu")]
check("right-click asks for the host context menu",
      len(menus) == 1 and menus[0].startswith("contextmenu 0 ") and not edits(got), got)

# Text entry on a value box: letters refused, "-12" accepted, Escape cancels, Return commits. The
# digit typed last shows when every key before it has been through the entry.
xdo("mousemove", *at(696, 616)); xdo("click", 1)
got, _ = h.collect(lambda l: l.startswith("edit end 7"))
check("the click that opens the entry is one begin/end", edits(got) == ["edit begin 7", "edit end 7"], got)
check("a click on the value box opens an entry", h.poll("entry", lambda r: r != "entry none") != "entry none")
xdo("type", "--delay", "40", "x1y2")
e = h.poll("entry", lambda r: r.endswith('2"'))
check("entry refuses letters", e == 'entry "12"', e)
xdo("key", "Escape")
check("Escape closes the entry", h.poll("entry", lambda r: r == "entry none") == "entry none")
check("Escape changes nothing", not edits(h.settle()))
xdo("mousemove", *at(696, 616)); xdo("click", 1)
h.collect(lambda l: l.startswith("edit end 7"))
h.poll("entry", lambda r: r != "entry none")
xdo("type", "--delay", "40", "--", "-12")
e = h.poll("entry", lambda r: r.endswith('2"'))
check("entry accepts -12", e == 'entry "-12"', e)
xdo("key", "Return")
got, _ = h.collect(lambda l: l.startswith("edit end 7"))
got += h.settle()
pv = h.ask("param 7")
# Gain runs -24..24 dB: -12 is 0.25 normalised.
check("Return commits -12",
      pv is not None and abs(float(pv.split()[2]) - 0.25) < 1e-6 and
      [e.split()[:3] for e in edits(got)] == [["edit", "begin", "7"], ["edit", "perform", "7"], ["edit", "end", "7"]],
      f"{pv} {got}")

# A key the editor does not handle reaches the host's top-level window: once delivered as window
# messages (our forwarding alone), once typed on the X keyboard after a click gave the editor the
# focus (Wine's focus and keyboard path too).
h.settle(0.1)
h.send("sendkey 116")
got, found = h.collect(lambda l: l.startswith("sendkey"))
got += h.settle()
check("unhandled key sent to the editor window reaches the host window",
      "hostkey down 116" in got and "hostkey up 116" in got, got)
xdo("mousemove", *at(300, 700)); xdo("click", 1)
h.settle(0.2)
t0 = time.time()
xdo("key", "F5")
got, found = h.collect(lambda l: l == "hostkey up 116")
check("unhandled key typed in the editor reaches the host window",
      found and "hostkey down 116" in got, f"{got} after {time.time() - t0:.1f} s")

# Corner resizer drag: the editor and the host window agree; close and reopen keeps the size.
xdo("mousemove", *at(w - 6, ht - 6)); xdo("mousedown", 1)
for i in range(1, 6):
    xdo("mousemove", *at(w - 6 + 16 * i, ht - 6 + 16 * i))
xdo("mouseup", 1)


def sizes(reply):  # "size 0 editor W H host W H view W H" -> [(W, H) of editor, host, view]
    f = reply.split() if reply else []
    return [(int(f[i]), int(f[i + 1])) for i in (3, 6, 9)] if len(f) == 11 else []


# The drag makes the scale min(y / press y, x / press x) from the press at (w - 6, ht - 6): wait
# for the editor to reach the size of the last pointer position, then compare.
scale = min((ht - 6 + 80) / (ht - 6), (w - 6 + 80) / (w - 6))
final = lambda s: bool(s) and abs(s[0][0] - w * scale) <= 1.5 and abs(s[0][1] - ht * scale) <= 1.5
s1 = h.poll("size", lambda r: final(sizes(r)))
check("resizer drag scales the editor by the pointer's travel", final(sizes(s1)), f"{s1}, scale {scale:.4f}")
check("resizer drag resizes editor, host window and view alike", len(set(sizes(s1))) == 1, s1)
h.ask("close", "closed 0"); h.send("open"); h.wait_for("ready 0")
s2 = h.ask("size")
check("close and reopen keeps the size", s1 is not None and sizes(s2) == sizes(s1), f"{s1} / {s2}")

# Two editors in one process: the window class is registered once, and gone after both close.
h.send("second"); h.wait_for("ready 1"); c2 = h.ask("classinfo")
check("two editors register the class once", c2 is not None and c2.startswith("classinfo registered 1 registrations ") and c2.endswith("windows 2"), c2)
h.ask("close", "closed 0"); c3 = h.ask("classinfo")
check("class stays while one editor is open", c3 is not None and "registered 1" in c3 and c3.endswith("windows 1"), c3)
h.ask("closesecond", "closed 1"); c4 = h.ask("classinfo")
check("class unregistered after both close", c4 is not None and "registered 0" in c4 and c4.endswith("windows 0"), c4)
h.quit()

# ---- The plug-in's editor from the bundle, audio running ------------------------------------
if bundle:
    # An absolute Unix path is drive Z: under Wine.
    h = Host("Z:" + bundle.replace("/", "\\") if bundle.startswith("/") else bundle)
    x0, y0, w, ht, pres = open_editor(h)
    at = lambda x, y: (x0 + int(x), y0 + int(y))

    def manual(reply):  # the manual notches of a probe reply: {slot: (frequency, depth, width)}
        found = {}
        for item in (reply or "").split()[2:]:
            i, active, is_manual, f, d, wd = item.split(":")
            if active == "1" and is_manual == "1":
                found[int(i)] = (float(f), float(d), float(wd))
        return found

    check("the bundle answers the probe", (h.ask("probe") or "").startswith("probe ") and not manual(h.ask("probe")))
    xdo("mousemove", *at(300, 90)); xdo("click", "--repeat", "2", "--delay", "80", 1)
    r = h.poll("probe", lambda r: manual(r))
    m = manual(r)
    h.settle(0.5)
    check("a double-click on the graph adds one manual notch", len(manual(h.ask("probe"))) == 1 and len(m) == 1, r)
    if m:
        slot, (f0, _, w0) = next(iter(m.items()))
        xdo("mousemove", *at(300, 90)); xdo("mousedown", 1)
        for x in (320, 340, 360, 380, 400):
            xdo("mousemove", *at(x, 90))
        xdo("mouseup", 1)
        r = h.poll_settled("probe", lambda r: manual(r).get(slot, (0, 0, 0))[0], lambda f: f > f0 * 1.5)
        f1 = manual(r).get(slot, (0, 0, 0))[0]
        check(f"dragging the handle to the right moves that notch up ({f0:.0f} Hz -> {f1:.0f} Hz)",
              f1 > f0 * 1.5 and len(manual(r)) == 1, r)
        xdo("mousemove", *at(400, 90)); xdo("click", 4); xdo("click", 4)
        r = h.poll_settled("probe", lambda r: manual(r).get(slot, (0, 0, w0))[2], lambda wd: wd != w0)
        w1 = manual(r).get(slot, (0, 0, w0))[2]
        check(f"the wheel over the handle changes its width ({w0:.2f} -> {w1:.2f})",
              w1 != w0 and w1 > 0 and abs(manual(r)[slot][0] - f1) < 0.05, r)

    check_toggle(h, at, 24, 645, "the editor's Hold switch is one begin/perform/end")

    # A parameter slider hides the cursor and puts it back after every move while dragged; the
    # drag must still move the value (Gain, from its centre to the right).
    g0 = h.ask("param 7")
    xdo("mousemove", *at(389, 615)); xdo("mousedown", 1)
    for x in (399, 409, 419, 429, 439):
        xdo("mousemove", *at(x, 615))
    xdo("mouseup", 1)
    # The next gesture starts only once this one has ended: a release handled late would
    # otherwise turn the move to the next control into a drag of this one.
    got, ended = h.collect(lambda l: l.startswith("edit end 7"), 4 * TIMEOUT)
    got += h.settle()
    g1 = h.ask("param 7")
    moved = g0 is not None and g1 is not None and float(g1.split()[2]) > float(g0.split()[2]) + 0.02
    check("dragging the Gain slider to the right raises Gain", moved and "edit begin 7" in got, f"{g0} -> {g1}")
    ev = edits(got)
    check("the Gain drag is one gesture, ended by its release",
          ended and bool(ev) and ev[0].startswith("edit begin 7") and ev[-1] == "edit end 7" and
          all(e.startswith("edit perform 7 ") for e in ev[1:-1]), got)

    # Right-click on the Auto Cut slider asks the host for its menu; its value box takes "-12".
    xdo("mousemove", *at(600, 415)); xdo("click", 3)
    got, _ = h.collect(lambda l: l.startswith("contextmenu"))
    menus = [l for l in got + h.settle() if l.startswith("contextmenu")]
    check("right-click on the Auto Cut slider asks for the host context menu of parameter 1",
          len(menus) == 1 and menus[0].startswith("contextmenu 1 600 415"), got)
    xdo("mousemove", *at(695, 415)); xdo("click", 1)
    h.collect(lambda l: l.startswith("edit end 1"))
    h.poll("entry", lambda r: r != "entry none")
    xdo("type", "--delay", "40", "--", "-12")
    h.poll("entry", lambda r: r.endswith('2"'))
    xdo("key", "Return")
    h.collect(lambda l: l.startswith("edit end 1"))
    pv = h.poll("param 1", lambda r: abs(float(r.split()[2]) - 28 / 37) < 1e-5)
    # Auto Cut runs -40..-3 dB: -12 is 28/37 normalised.
    check("an editor value box takes -12 and Return", pv is not None and abs(float(pv.split()[2]) - 28 / 37) < 1e-5, pv)
    h.quit()

print(f"{len(failures)} failed: {', '.join(failures)}" if failures else "real-window checks passed")
sys.exit(1 if failures else 0)
