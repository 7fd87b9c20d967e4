#!/usr/bin/env python3
"""Mutation check of the behaviour suite: rewrites one spot at a time in the windows' behaviour and
resources by simple rules (flip a comparison, drop a statement, change a constant, a string or a truth
value), rebuilds the headless suite and reports each rewrite that no test notices.

Too slow for CI (a few seconds a mutant); run it by hand:
    python3 tools/mutate.py [--jobs N] [--only PATH-FRAGMENT] [--limit N]
Survivors judged equivalent (no behaviour can tell them apart) are listed, with the reason, in
tools/mutate-equivalent.txt and reported apart from the others.
"""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SCOPE = ["app/*.cpp", "timer/*.cpp", "about/*.cpp", "resources/*.cpp", "resources/strings.def"]
EQUIVALENT = ROOT / "tools" / "mutate-equivalent.txt"

COMPARISONS = {"<=": "<", ">=": ">", "==": "!=", "!=": "==", "<": "<=", ">": ">="}
# Comparisons stand between blanks in this code base, which tells them from template brackets.
COMPARISON = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
NUMBER = re.compile(r"(?<![\w.])(\d+\.\d+|\d+)(?![\w.])")
STRING = re.compile(r'"(?:[^"\\]|\\.)*"')
TRUTH = re.compile(r"\b(true|false)\b")


def code_part(line):
    """The line without a trailing // comment (outside strings)."""
    out, in_string, i = [], False, 0
    while i < len(line):
        c = line[i]
        if c == '"' and (i == 0 or line[i - 1] != "\\"):
            in_string = not in_string
        if not in_string and line.startswith("//", i):
            break
        out.append(c)
        i += 1
    return "".join(out)


def outside_strings(line, start):
    return line[:start].count('"') % 2 == 0


def mutants_of(path, lines):
    """Yields (line index, rule, new line) for every rewrite of the file."""
    previous = ""
    for n, raw in enumerate(lines):
        stripped = raw.strip()
        code = code_part(raw)
        skip = (not stripped or stripped.startswith(("//", "#", "/*", "*", "namespace", "using ", "}"))
                or "static_assert" in code)
        if skip:
            previous = stripped or previous
            continue
        for m in COMPARISON.finditer(code):
            if outside_strings(code, m.start()):
                new = code[: m.start()] + COMPARISONS[m.group(1)] + code[m.end():]
                yield n, "flip " + m.group(1), new.rstrip() + "\n"
        for m in NUMBER.finditer(code):
            if outside_strings(code, m.start()):
                value = m.group(1)
                bumped = str(int(value) + 1) if "." not in value else repr(float(value) + 1)
                yield n, "constant " + value, code[: m.start()] + bumped + code[m.end():].rstrip() + "\n"
        for m in STRING.finditer(code):
            if "#include" not in code:
                yield n, "string " + m.group(0)[:24], code[: m.end() - 1] + 'X"' + code[m.end():].rstrip() + "\n"
        for m in TRUTH.finditer(code):
            if outside_strings(code, m.start()):
                flipped = "false" if m.group(1) == "true" else "true"
                yield n, "truth " + m.group(1), code[: m.start()] + flipped + code[m.end():].rstrip() + "\n"
        # A whole statement on its own line: dropped.
        complete = previous.endswith((";", "{", "}", ":")) or previous.startswith(("//", "#"))
        if (complete and code.rstrip().endswith(";") and not stripped.startswith(("return", "case", "default"))
                and path.suffix == ".cpp"):
            yield n, "drop statement", re.match(r"\s*", raw).group(0) + ";\n"
        previous = stripped


def mutant_id(rel, lines, n, rule, new):
    """Stable across edits elsewhere in the file: the line's text, which of its identical lines it is,
    the rule and the rewrite."""
    text = lines[n].strip()
    nth = sum(1 for other in lines[:n] if other.strip() == text)
    return hashlib.sha1(f"{rel}|{text}|{nth}|{rule}|{new.strip()}".encode()).hexdigest()[:12]


def equivalent_ids():
    known = {}
    if EQUIVALENT.exists():
        for entry in EQUIVALENT.read_text().splitlines():
            if entry.strip() and not entry.startswith("#"):
                ident, _, reason = entry.partition(" ")
                known[ident] = reason.strip()
    return known


def prepare_worker(index):
    work = ROOT / "build" / "mutate" / f"w{index}"
    src = work / "src"
    if src.exists():
        shutil.rmtree(src)
    shutil.copytree(ROOT, src, ignore=shutil.ignore_patterns("build", ".git"))
    build = work / "build"
    subprocess.run(["cmake", "-S", str(src), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                    "-DCMAKE_CXX_FLAGS=-O0", "-DKIVANO_QT=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "kivano_tests"], check=True,
                   stdout=subprocess.DEVNULL)
    return src, build


def forget_objects(build, rel):
    """Removes the file's object, so that the next build compiles what the file now holds: a rewrite
    and its undoing can fall within one tick of the file system's clock, which ninja cannot tell apart."""
    source = "strings.cpp" if rel.name == "strings.def" else rel.name
    for obj in build.glob(f"**/{source}.o"):
        obj.unlink()


def run_mutant(worker, rel, lines, n, new):
    src, build = worker
    target = src / rel
    mutated = lines[:n] + [new] + lines[n + 1:]
    target.write_text("".join(mutated))
    forget_objects(build, rel)
    try:
        built = subprocess.run(["cmake", "--build", str(build), "--target", "kivano_tests"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if built.returncode != 0:
            return "no build"
        try:
            ran = subprocess.run([str(build / "tests" / "kivano_tests"), "--gtest_brief=1",
                                  "--gtest_filter=-FileRegistry.*"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            return "killed"
        return "killed" if ran.returncode != 0 else "survived"
    finally:
        target.write_text("".join(lines))
        forget_objects(build, rel)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--only", default="")
    parser.add_argument("--limit", type=int, default=0)
    args = parser.parse_args()

    files = sorted({p for pattern in SCOPE for p in ROOT.glob(pattern)})
    plan = []
    for path in files:
        rel = path.relative_to(ROOT)
        if args.only and args.only not in str(rel):
            continue
        lines = path.read_text().splitlines(keepends=True)
        for n, rule, new in mutants_of(path, lines):
            if new != lines[n]:
                plan.append((rel, lines, n, rule, new))
    if args.limit:
        plan = plan[: args.limit]
    print(f"{len(plan)} mutants in {len(files)} files, {args.jobs} worker(s)", flush=True)

    workers = [prepare_worker(i) for i in range(args.jobs)]
    known = equivalent_ids()
    results = []
    started = time.time()

    lock = threading.Lock()

    def run_batch(index):
        # Each worker owns its copy of the tree and takes every jobs-th mutant.
        out = []
        for rel, lines, n, rule, new in plan[index :: args.jobs]:
            outcome = run_mutant(workers[index], rel, lines, n, new)
            out.append((rel, n, rule, lines[n], new, outcome, mutant_id(rel, lines, n, rule, new)))
            with lock:
                results.append(out[-1])
                if len(results) % 25 == 0:
                    print(f"  {len(results)}/{len(plan)} after {time.time() - started:.0f} s", flush=True)
        return out

    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        list(pool.map(run_batch, range(args.jobs)))

    counted = [r for r in results if r[5] != "no build"]
    killed = sum(1 for r in counted if r[5] == "killed")
    survivors = [r for r in counted if r[5] == "survived"]
    equivalent = [r for r in survivors if r[6] in known]
    unexplained = [r for r in survivors if r[6] not in known]
    report = [f"mutants: {len(results)}, built: {len(counted)}, killed: {killed}, "
              f"survived: {len(survivors)} ({len(equivalent)} named equivalent), "
              f"score: {killed / max(1, len(counted)) * 100:.1f}% "
              f"({(killed + len(equivalent)) / max(1, len(counted)) * 100:.1f}% with the equivalent ones), "
              f"{time.time() - started:.0f} s"]
    for title, rows in (("unexplained survivors", unexplained), ("equivalent survivors", equivalent)):
        report.append(f"\n{title}: {len(rows)}")
        for rel, n, rule, old, new, _, ident in sorted(rows, key=lambda r: (str(r[0]), r[1])):
            note = f"  ({known[ident]})" if ident in known else ""
            report.append(f"{ident} {rel}:{n + 1} [{rule}]{note}\n    - {old.strip()}\n    + {new.strip()}")
    text = "\n".join(report)
    out = ROOT / "build" / "mutate" / "report.txt"
    out.write_text(text + "\n")
    print(text)
    print(f"\n(report in {out.relative_to(ROOT)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
