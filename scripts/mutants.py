#!/usr/bin/env python3
"""Runs a sample of near misses (mutants) against the normal test suite: each one changes one
place in the code, the suite runs, and a mutant counts as caught when a test fails. The tree is
copied first, so the working tree is never touched, and a mutant that does not build counts for
nothing. About 3 minutes a mutant on 2 processors; not part of CI.

Usage: scripts/mutants.py [--list FILE] [--only NAME...] [--results FILE]

The list (scripts/mutants.txt by default; the results go to docs/mutants.md) holds one
mutant a block:

    == what the near miss does
    file src/download/filemanager.cpp
    - the exact text it replaces, found once in the file
    + the text put in its place

Consecutive "-" lines make one text of several lines, and so do consecutive "+" lines; a bare
"+" puts nothing in its place. A block may hold several such pairs, each applied in turn.
"""
import argparse
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def read_mutants(path):
    mutants, current, last = [], None, None
    with open(path, encoding="utf-8") as listing:
        for number, line in enumerate(listing, 1):
            line = line.rstrip("\n")
            if line.startswith("== "):
                current, last = {"name": line[3:], "line": number, "pairs": []}, None
                mutants.append(current)
            elif current is None or not line.strip() or line.startswith("#"):
                continue
            elif line.startswith("file "):
                current["file"] = line[5:]
            elif line.startswith("- ") or line == "-":
                if last != "-":
                    current["pairs"].append([[], []])
                current["pairs"][-1][0].append(line[2:])
                last = "-"
            elif (line.startswith("+ ") or line == "+") and current["pairs"]:
                current["pairs"][-1][1].append(line[2:])
                last = "+"
            else:
                sys.exit(f"{path}:{number}: not a mutant line: {line}")
    for mutant in mutants:
        if "file" not in mutant or not mutant["pairs"]:
            sys.exit(f"{path}:{mutant['line']}: a mutant needs a file and a - line")
        mutant["pairs"] = [("\n".join(old), "\n".join(new)) for old, new in mutant["pairs"]]
    return mutants


def run(command, cwd, log):
    log.write(f"$ {' '.join(command)}\n")
    log.flush()
    return subprocess.run(command, cwd=cwd, stdout=log, stderr=subprocess.STDOUT).returncode == 0


def copy_tree(destination):
    # What git tracks, as it stands in the working tree: the change under test included.
    files = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                           capture_output=True).stdout.decode().split("\0")
    for name in filter(None, files):
        target = os.path.join(destination, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(os.path.join(ROOT, name), target)
    # The Windows Qt and the demo's tools are found beside the clone.
    os.symlink(os.path.join(os.path.dirname(ROOT), "shared"),
               os.path.join(os.path.dirname(destination), "shared"))


def suite(source, log):
    build = os.path.join(source, "build")
    return run(["ctest", "--timeout", "600", "--parallel", str(os.cpu_count() or 2),
                "--stop-on-failure", "--label-exclude", "windows|bench"], build, log)


def try_mutant(mutant, source, log):
    path = os.path.join(source, mutant["file"])
    with open(path, encoding="utf-8") as original:
        text = original.read()
    mutated = text
    for old, new in mutant["pairs"]:
        if mutated.count(old) != 1:
            return "not found once"
        mutated = mutated.replace(old, new)
    try:
        with open(path, "w", encoding="utf-8") as changed:
            changed.write(mutated)
        if not run(["cmake", "--build", "build"], source, log):
            return "does not build"
        return "missed" if suite(source, log) else "caught"
    finally:
        with open(path, "w", encoding="utf-8") as restored:
            restored.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", default=os.path.join(ROOT, "scripts", "mutants.txt"))
    parser.add_argument("--only", nargs="*", help="mutants whose name contains one of these")
    parser.add_argument("--results", default=os.path.join(ROOT, "docs", "mutants.md"))
    arguments = parser.parse_args()
    mutants = read_mutants(arguments.list)
    if arguments.only:
        mutants = [m for m in mutants if any(word in m["name"] for word in arguments.only)]

    work = tempfile.mkdtemp(prefix="kestrun-mutants-")
    # A test runs a copy of itself as an unprivileged user, who must reach the build.
    os.chmod(work, 0o755)
    source = os.path.join(work, "kestrun")
    log_path = os.path.join(work, "mutants.log")
    print(f"Working in {work}; the log is {log_path}", flush=True)
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT,
                            capture_output=True, text=True).stdout.strip()
    with open(log_path, "w", encoding="utf-8") as log:
        copy_tree(source)
        if not run(["bash", "scripts/build.sh"], source, log) or not suite(source, log):
            sys.exit("the suite does not pass without a mutant: nothing to measure")
        outcomes = []
        for mutant in mutants:
            started = time.monotonic()
            outcome = try_mutant(mutant, source, log)
            outcomes.append((mutant, outcome))
            print(f"{outcome:>15}  {mutant['name']} ({time.monotonic() - started:.0f} s)",
                  flush=True)
    write_results(arguments.results, arguments.list, commit, outcomes)
    shutil.rmtree(work)


def write_results(path, listing, commit, outcomes):
    counted = [o for o in outcomes if o[1] in ("caught", "missed")]
    caught = sum(1 for o in counted if o[1] == "caught")
    when = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    lines = [
        "# Near misses against the test suite", "",
        f"Written by `scripts/mutants.py` on {when}, on the tree of `{commit}` with its "
        f"uncommitted changes, from `{os.path.relpath(listing, ROOT)}`. Each near miss changes "
        "one place; the normal suite (`ctest`, Windows and benchmark labels left out) ran "
        "against it. A near miss that does not build counts for nothing.", "",
        f"**Caught {caught} of {len(counted)}.**", "",
        "| Near miss | File | Outcome |", "|---|---|---|",
    ]
    lines += [f"| {m['name']} | `{m['file']}` | {outcome} |" for m, outcome in outcomes]
    with open(path, "w", encoding="utf-8") as results:
        results.write("\n".join(lines) + "\n")
    print(f"Caught {caught} of {len(counted)}; written to {os.path.relpath(path, ROOT)}")


if __name__ == "__main__":
    main()
