#!/usr/bin/env python3
"""Checks the layering of a build tree from its compile_commands.json.

Every library exposes its own folder through an include root of its own under
<build>/include/, which holds one link to the source folder; a target sees exactly
the folders of the libraries it links. This check fails when
  - a compile command puts the source tree itself (or a folder in it) on the include
    path, which would let any file include any header;
  - a file includes "folder/header.h" of a folder that its target does not see, or
    whose header does not exist;
  - a format-free folder can see the VST 3 layer, or a lower layer sees a higher one.
It prints, per source folder, which folders its targets see.
"""

import json
import os
import re
import shlex
import sys

# Folders that must never see the folders listed beside them.
FORBIDDEN = {
    "rt": {"dspmath", "engine", "denoise", "plugin", "vst3", "vst3api", "quellor", "graphics", "editor", "render"},
    "dspmath": {"engine", "denoise", "plugin", "vst3", "vst3api", "quellor", "graphics", "editor", "render"},
    "denoise": {"engine", "plugin", "vst3", "vst3api", "quellor", "graphics", "editor", "render"},
    "engine": {"plugin", "vst3", "vst3api", "quellor", "graphics", "editor", "render"},
    "plugin": {"engine", "vst3", "vst3api", "quellor", "graphics", "editor", "render"},
    "vst3api": {"engine", "plugin", "vst3", "quellor", "graphics", "editor", "render"},
    "vst3": {"engine", "quellor", "graphics", "editor", "render"},
    "render": {"engine", "plugin", "vst3", "vst3api", "quellor", "graphics", "editor"},
    "graphics": {"engine", "vst3", "vst3api", "quellor", "editor"},
    "editor": {"vst3", "vst3api", "quellor"},
}

INCLUDE_RE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def include_dirs(command):
    args = shlex.split(command)
    dirs = []
    i = 0
    while i < len(args):
        a = args[i]
        for flag in ("-I", "-isystem", "-iquote"):
            if a == flag and i + 1 < len(args):
                dirs.append(args[i + 1])
                i += 1
                break
            if a.startswith(flag) and len(a) > len(flag):
                dirs.append(a[len(flag):])
                break
        i += 1
    return dirs


def exposed_folders(inc_dir, build, root):
    """The source folders an include directory makes visible, as paths relative to root."""
    folders = []
    if not os.path.isdir(inc_dir):
        return folders
    for base, dirnames, _ in os.walk(inc_dir):
        for d in list(dirnames):
            p = os.path.join(base, d)
            if os.path.islink(p):
                target = os.path.realpath(p)
                if target.startswith(root + os.sep):
                    folders.append(os.path.relpath(target, root))
                dirnames.remove(d)
    return folders


def top(folder):
    return folder.split("/")[0]


def main():
    if len(sys.argv) != 3:
        print("usage: check_layers.py SOURCE_ROOT BUILD_DIR", file=sys.stderr)
        return 2
    root = os.path.realpath(sys.argv[1])
    build = os.path.realpath(sys.argv[2])
    with open(os.path.join(build, "compile_commands.json")) as f:
        commands = json.load(f)

    problems = []
    seen_by_folder = {}
    for entry in commands:
        src = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        if not src.startswith(root + os.sep) or src.startswith(build + os.sep):
            continue  # generated sources and third-party code built with us
        rel = os.path.relpath(src, root)
        folder = os.path.dirname(rel)
        visible = set()
        for d in include_dirs(entry.get("command") or " ".join(entry["arguments"])):
            d = os.path.realpath(os.path.join(entry["directory"], d))
            if d == root or (d.startswith(root + os.sep) and not d.startswith(build + os.sep)):
                problems.append(f"{rel}: the source tree is on its include path ({os.path.relpath(d, root) or '.'})")
                continue
            if d.startswith(build + os.sep):
                visible.update(exposed_folders(d, build, root))
        visible.add(folder)  # a file may always include beside itself

        with open(src, encoding="utf-8", errors="replace") as f:
            text = f.read()
        for inc in INCLUDE_RE.findall(text):
            if "/" not in inc:
                continue  # beside the file, or a generated header
            owner = os.path.dirname(inc)
            if not os.path.exists(os.path.join(root, inc)):
                if not os.path.exists(os.path.join(os.path.dirname(src), inc)):
                    problems.append(f"{rel}: includes \"{inc}\", which does not exist")
                continue
            if not any(owner == v or owner.startswith(v + "/") for v in visible):
                problems.append(f"{rel}: includes \"{inc}\" but its target does not link the library of {owner}/")

        key = top(folder) if not folder.startswith(("tests", "tools", "bench")) else folder
        seen_by_folder.setdefault(key, set()).update(top(v) for v in visible)

    for folder, forbidden in FORBIDDEN.items():
        bad = seen_by_folder.get(folder, set()) & forbidden
        if bad:
            problems.append(f"{folder}/: sees {', '.join(sorted(bad))}, which lie above it or beside it")

    for folder in sorted(seen_by_folder):
        if folder in FORBIDDEN:
            print(f"{folder + '/':12} sees {', '.join(sorted(seen_by_folder[folder]))}")
    for p in problems:
        print("LAYER:", p)
    print(f"layers: {len(commands)} compile commands checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
