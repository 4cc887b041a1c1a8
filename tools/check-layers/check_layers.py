#!/usr/bin/env python3
"""Checks the layering of a build tree against the layer rules in docs/architecture.md.

The rules are the block fenced as ```layers in docs/architecture.md: one line per library
folder, `folder -> a, b, c`, naming every folder whose headers the folder's files may include
(besides its own); `folder ->` alone means none. Every library folder of the tree is listed.

Every library exposes its own folder through an include root of its own under <build>/include/,
which holds one link to the source folder; a target sees exactly the folders of the libraries it
links (its own links and what they pass on publicly). This check fails when
  - a library folder that has a CMakeLists.txt is missing from the rules, or a rule names a
    folder that is not a library;
  - a file of a library folder, header or source, includes "x/..." of a library folder x that its
    rule does not allow;
  - the compiled files of a library folder see, through CMake's link lines, another set of library
    folders than its rule names (the rules and the build say the same, both ways);
  - a compile command puts the source tree itself (or a folder in it) on the include path, which
    would let any file include any header;
  - a compiled file (of any folder: tests and tools too) includes "folder/header.h" of a folder
    its target does not see, or a header that does not exist; headers outside the library
    folders are held to what the compiled files beside them see.
Run it on each build tree: sources of the other platform are checked there.
It prints, per library folder, what it sees.
"""

import json
import os
import re
import shlex
import subprocess
import sys

INCLUDE_RE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
RULE_RE = re.compile(r"^(\S+)\s*->\s*(.*?)\s*$")
SOURCE_SUFFIXES = (".cpp", ".h", ".inc", ".c")


def read_rules(root):
    """{folder: set of folders it may include} from the ```layers block of the architecture doc."""
    path = os.path.join(root, "docs", "architecture.md")
    rules, inside = {}, False
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if line.strip() == "```layers":
                inside = True
                continue
            if inside and line.strip() == "```":
                break
            if inside and line.strip():
                m = RULE_RE.match(line.strip())
                if not m:
                    raise SystemExit(f"{path}:{n}: not a layer rule: {line.strip()}")
                uses = {u.strip() for u in m.group(2).split(",") if u.strip()}
                rules[m.group(1).rstrip("/")] = uses
    if not rules:
        raise SystemExit(f"{path}: no ```layers block")
    return rules


def library_folders(root):
    """Top-level folders that hold a library: those with a CMakeLists.txt that adds one."""
    found = set()
    for d in os.listdir(root):
        cm = os.path.join(root, d, "CMakeLists.txt")
        if d in ("tests", "tools", "bench", "cmake", "build") or not os.path.isfile(cm):
            continue
        with open(cm, encoding="utf-8") as f:
            if re.search(r"\badd_library\s*\(", f.read()):
                found.add(d)
    return found


def tracked_files(root):
    try:
        out = subprocess.run(["git", "-C", root, "ls-files"], capture_output=True, text=True, check=True).stdout
        return [p for p in out.splitlines() if p.endswith(SOURCE_SUFFIXES)]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for base, dirs, names in os.walk(root):
            dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
            files += [os.path.relpath(os.path.join(base, n), root) for n in names if n.endswith(SOURCE_SUFFIXES)]
        return files


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


def exposed_folders(inc_dir, root):
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


def includes_of(root, rel):
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        return INCLUDE_RE.findall(f.read())


def check_include(root, rel, inc, visible, problems):
    """One include against the folders the file sees (relative paths); beside-file includes pass."""
    if "/" not in inc:
        return  # beside the file, or a generated header
    owner = os.path.dirname(inc)
    if not os.path.exists(os.path.join(root, inc)):
        if not os.path.exists(os.path.join(root, os.path.dirname(rel), inc)):
            problems.append(f"{rel}: includes \"{inc}\", which does not exist")
        return
    if not any(owner == v or owner.startswith(v + "/") for v in visible):
        problems.append(f"{rel}: includes \"{inc}\" but its target does not link the library of {owner}/")


def main():
    if len(sys.argv) != 3:
        print("usage: check_layers.py SOURCE_ROOT BUILD_DIR", file=sys.stderr)
        return 2
    root = os.path.realpath(sys.argv[1])
    build = os.path.realpath(sys.argv[2])
    with open(os.path.join(build, "compile_commands.json")) as f:
        commands = json.load(f)
    rules = read_rules(root)
    libraries = library_folders(root)
    problems = []
    for lib in sorted(libraries - rules.keys()):
        problems.append(f"{lib}/: a library without a layer rule in docs/architecture.md")
    for folder, uses in sorted(rules.items()):
        for u in sorted(({folder} | uses) - libraries):
            problems.append(f"layer rule for {folder}/: {u}/ is not a library folder")

    # Every file of a library folder, headers included, against its rule.
    files = tracked_files(root)
    for rel in files:
        folder = top(rel)
        if folder not in rules:
            continue
        for inc in includes_of(root, rel):
            if "/" in inc and top(inc) in libraries and top(inc) != folder and top(inc) not in rules[folder]:
                problems.append(f"{rel}: includes \"{inc}\", but {folder}/ may not use {top(inc)}/")

    # Compiled files against what their targets see; what each library folder sees.
    compiled = set()
    seen_by_library = {}
    seen_by_dir = {}
    for entry in commands:
        src = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        if not src.startswith(root + os.sep) or src.startswith(build + os.sep):
            continue  # generated sources and third-party code built with us
        rel = os.path.relpath(src, root)
        compiled.add(rel)
        folder = os.path.dirname(rel)
        visible = set()
        for d in include_dirs(entry.get("command") or " ".join(entry["arguments"])):
            d = os.path.realpath(os.path.join(entry["directory"], d))
            if d == root or (d.startswith(root + os.sep) and not d.startswith(build + os.sep)):
                problems.append(f"{rel}: the source tree is on its include path ({os.path.relpath(d, root) or '.'})")
                continue
            if d.startswith(build + os.sep):
                visible.update(exposed_folders(d, root))
        visible.add(folder)  # a file may always include beside itself
        for inc in includes_of(root, rel):
            check_include(root, rel, inc, visible, problems)
        seen_by_dir.setdefault(folder, set()).update(visible)
        if top(folder) in rules:
            seen_by_library.setdefault(top(folder), set()).update(top(v) for v in visible if top(v) in libraries)

    # Headers outside the library folders: held to what the compiled files of their folder see.
    # (A source no command compiles belongs to the other build, which checks it.)
    for rel in files:
        if rel in compiled or top(rel) in rules or not rel.endswith((".h", ".inc")):
            continue
        folder = os.path.dirname(rel)
        if folder in seen_by_dir:
            for inc in includes_of(root, rel):
                check_include(root, rel, inc, seen_by_dir[folder], problems)

    for folder, uses in sorted(rules.items()):
        if folder not in seen_by_library:
            print(f"{folder + '/':12} (nothing compiled in this build; its files checked against its rule)")
            continue
        seen = seen_by_library[folder] - {folder}
        print(f"{folder + '/':12} sees {', '.join(sorted(seen)) or 'nothing else'}")
        if seen - uses:
            problems.append(f"{folder}/: the build lets it see {', '.join(sorted(seen - uses))}, which its layer rule does not allow")
        if uses - seen:
            problems.append(f"{folder}/: its layer rule names {', '.join(sorted(uses - seen))}, which its targets do not link")

    for p in problems:
        print("LAYER:", p)
    print(f"layers: {len(rules)} library rules, {len(files)} files and {len(commands)} compile commands checked, "
          f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
