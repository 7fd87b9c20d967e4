#!/usr/bin/env python3
"""Mutation check of the behaviour suite: rewrites one spot at a time in the portable core (the windows'
behaviour, the settings, the layouts and resources, their headers) by simple rules (flip a comparison,
drop a statement, change a constant, a string or a truth value, make a condition always or never hold,
drop the guard of a statement, scale a time or size bound tenfold up or down), rebuilds the headless
suite and reports each rewrite that no test notices.

Too slow for CI (a few seconds a mutant, more for a header); run it by hand:
    python3 tools/mutate.py [--jobs N] [--only PATH-FRAGMENT]... [--rules REGEX] [--limit N] [--ids FILE]
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
# Every core file the headless suite builds and exercises; the headless backend itself is the suite's
# stand-in for a desktop, not code under test.
SCOPE = ["app/*.cpp", "app/*.h", "timer/*.cpp", "timer/*.h", "about/*.cpp", "about/*.h", "resources/*.cpp",
         "resources/*.h", "resources/strings.def", "settings/*.cpp", "settings/*.h", "ui/layout.cpp",
         "ui/layout.h", "ui/ui.h"]
EQUIVALENT = ROOT / "tools" / "mutate-equivalent.txt"

COMPARISONS = {"<=": "<", ">=": ">", "==": "!=", "!=": "==", "<": "<=", ">": ">="}
# Comparisons stand between blanks in this code base, which tells them from template brackets.
COMPARISON = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
NUMBER = re.compile(r"(?<![\w.])(\d+\.\d+|\d+)(?![\w.])")
STRING = re.compile(r'"(?:[^"\\]|\\.)*"')
TRUTH = re.compile(r"\b(true|false)\b")
IF = re.compile(r"\bif\s*\(")
# Lines whose numbers are bounds: they compare, name a constant, or speak of time or size.
BOUND_LINE = re.compile(r"constexpr|\b(?:\w*(?:ms|Ms|Wait|wait|Interval|interval|Timeout|timeout|Delay|delay|"
                        r"Max|max|Limit|limit|Size|size|Depth|depth|Bytes|bytes|Seconds|seconds|Ticks|ticks)\w*)\b")


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


def closing_paren(code, start):
    """The index of the parenthesis that closes the one at `start`, outside strings and characters;
    None when the line ends first."""
    depth, quote = 0, ""
    for i in range(start, len(code)):
        c = code[i]
        if quote:
            if c == quote and code[i - 1] != "\\":
                quote = ""
        elif c in "\"'":
            quote = c
        elif c == "(":
            depth += 1
        elif c == ")":
            depth -= 1
            if depth == 0:
                return i
    return None


def condition_rewrites(code, next_line, dropped):
    """`if (c)` made to hold always or never, and the guard of a one-line `if (c) stmt;` dropped."""
    for m in IF.finditer(code):
        if not outside_strings(code, m.start()):
            continue
        open_at = m.end() - 1
        close = closing_paren(code, open_at)
        if close is None:
            continue
        inside = code[open_at + 1: close]
        init, _, condition = inside.rpartition(";")
        head = code[: open_at + 1] + (init + "; " if init else "")
        rest = code[close + 1:].strip()
        tail = code[close:].rstrip() + "\n"
        guarded = rest.endswith(";") and not rest.startswith("{")
        has_else = next_line.strip().startswith("else") or " else " in rest
        if guarded and not has_else and not init and m.start() == len(code) - len(code.lstrip()):
            yield "drop guard", code[: m.start()] + rest + "\n"
        else:
            yield "condition always", head + "true" + tail
        if not (guarded and dropped and not has_else):  # there the dropped statement is the same rewrite
            yield "condition never", head + "false" + tail


def scaled(value):
    """The bound tenfold up and tenfold down (integers under 10 have no tenth)."""
    if "." in value:
        yield "scale x10", repr(float(value) * 10)
        yield "scale /10", repr(float(value) / 10)
        return
    number = int(value)
    yield "scale x10", str(number * 10)
    if number >= 10:
        yield "scale /10", str(number // 10)


def mutants_of(path, lines):
    """Yields (line index, rule, new line) for every rewrite of the file."""
    previous = ""
    for n, raw in enumerate(lines):
        stripped = raw.strip()
        code = code_part(raw)
        skip = (not stripped or stripped.startswith(("//", "#", "/*", "*", "namespace", "using "))
                or (stripped.startswith("}") and not stripped.startswith("} else"))
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
                if value not in ("0", "1") and BOUND_LINE.search(code) and path.name != "layouts.cpp":
                    for rule, new in scaled(value):
                        yield n, f"{rule} {value}", code[: m.start()] + new + code[m.end():].rstrip() + "\n"
        for m in STRING.finditer(code):
            if "#include" not in code:
                yield n, "string " + m.group(0)[:24], code[: m.end() - 1] + 'X"' + code[m.end():].rstrip() + "\n"
        for m in TRUTH.finditer(code):
            if outside_strings(code, m.start()):
                flipped = "false" if m.group(1) == "true" else "true"
                yield n, "truth " + m.group(1), code[: m.start()] + flipped + code[m.end():].rstrip() + "\n"
        # A whole statement on its own line: dropped.
        complete = previous.endswith((";", "{", "}", ":")) or previous.startswith(("//", "#"))
        dropped = (complete and code.rstrip().endswith(";") and not stripped.startswith(("return", "case", "default"))
                   and path.suffix == ".cpp")
        if dropped:
            yield n, "drop statement", re.match(r"\s*", raw).group(0) + ";\n"
        next_line = lines[n + 1] if n + 1 < len(lines) else ""
        for rule, new in condition_rewrites(code, next_line, dropped):
            yield n, rule, new
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


def prepare_worker(index, jobs=1, place="mutate"):
    work = ROOT / "build" / place / f"w{index}"
    src = work / "src"
    build = work / "build"
    # Afresh: a run broken off may have left objects compiled from a rewrite.
    for folder in (src, build):
        if folder.exists():
            shutil.rmtree(folder)
    shutil.copytree(ROOT, src, ignore=shutil.ignore_patterns("build", ".git"))
    subprocess.run(["cmake", "-S", str(src), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                    "-DCMAKE_CXX_FLAGS=-O0", "-DKIVANO_QT=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "kivano_tests", "--parallel",
                    str(max(1, (os.cpu_count() or 1) // jobs))], check=True, stdout=subprocess.DEVNULL)
    return src, build


DEPENDANTS = {}


def objects_of(build, path):
    """The objects compiled from `path`: its own, or for a header every object whose recorded
    dependencies name it (ninja keeps them from the compiler's depfiles)."""
    key = (build, path)
    if key not in DEPENDANTS:
        deps = subprocess.run(["ninja", "-C", str(build), "-t", "deps"], capture_output=True, text=True).stdout
        found, target = [], None
        for line in deps.splitlines():
            if line and not line.startswith(" "):
                target = line.split(":")[0]
            elif target and target.endswith(".o") and Path(line.strip()).resolve() == path.resolve():
                found.append(build / target)
        DEPENDANTS[key] = found
    return DEPENDANTS[key]


def forget_objects(build, path):
    """Removes the objects compiled from the file, so that the next build compiles what it now holds: a
    rewrite and its undoing can fall within one tick of the file system's clock, which ninja cannot tell
    apart."""
    for obj in objects_of(build, path):
        obj.unlink(missing_ok=True)


def run_mutant(worker, rel, lines, n, new):
    src, build = worker
    target = src / rel
    mutated = lines[:n] + [new] + lines[n + 1:]
    target.write_text("".join(mutated))
    forget_objects(build, target)
    try:
        built = subprocess.run(["cmake", "--build", str(build), "--target", "kivano_tests"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if built.returncode != 0:
            return "no build"
        try:
            ran = subprocess.run([str(build / "tests" / "kivano_tests"), "--gtest_brief=1", "--gtest_fail_fast"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        except subprocess.TimeoutExpired:
            return "killed"
        return "killed" if ran.returncode != 0 else "survived"
    finally:
        target.write_text("".join(lines))
        forget_objects(build, target)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--only", action="append", default=[], help="path fragment; may be repeated")
    parser.add_argument("--rules", default="", help="a regular expression the rule's name must match")
    parser.add_argument("--limit", type=int, default=0)
    parser.add_argument("--ids", help="a file (a report or a log); only the mutants whose ids it names are run, "
                        "for instance to try an earlier run's survivors against new tests")
    parser.add_argument("--place", default="mutate", help="the folder under build/ for the copies and report")
    parser.add_argument("--budget", type=int, default=0,
                        help="seconds; no mutant is started after them, and those left are counted as not run")
    args = parser.parse_args()

    files = sorted({p for pattern in SCOPE for p in ROOT.glob(pattern)})
    wanted = set(re.findall(r"\b[0-9a-f]{12}\b", Path(args.ids).read_text())) if args.ids else None
    plan = []
    for path in files:
        rel = path.relative_to(ROOT)
        if args.only and not any(fragment in str(rel) for fragment in args.only):
            continue
        lines = path.read_text().splitlines(keepends=True)
        for n, rule, new in mutants_of(path, lines):
            if new != lines[n] and re.search(args.rules, rule):
                if wanted is None or mutant_id(rel, lines, n, rule, new) in wanted:
                    plan.append((rel, lines, n, rule, new))
    # Sources first, headers last: a rewritten header recompiles every file that includes it.
    plan.sort(key=lambda mutant: mutant[0].suffix == ".h")
    if args.limit:
        plan = plan[: args.limit]
    print(f"{len(plan)} mutants in {len(files)} files, {args.jobs} worker(s)", flush=True)

    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        workers = list(pool.map(lambda i: prepare_worker(i, args.jobs, args.place), range(args.jobs)))
    known = equivalent_ids()
    results = []
    started = time.time()

    lock = threading.Lock()

    def run_batch(index):
        # Each worker owns its copy of the tree and takes every jobs-th mutant.
        out = []
        for rel, lines, n, rule, new in plan[index :: args.jobs]:
            if args.budget and time.time() - started > args.budget:
                break
            outcome = run_mutant(workers[index], rel, lines, n, new)
            out.append((rel, n, rule, lines[n], new, outcome, mutant_id(rel, lines, n, rule, new)))
            with lock:
                results.append(out[-1])
                if outcome == "survived" and out[-1][6] not in known:
                    print(f"  survived {out[-1][6]} {rel}:{n + 1} [{rule}] {new.strip()}", flush=True)
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
    report = [f"mutants: {len(plan)}, run: {len(results)}, built: {len(counted)}, killed: {killed}, "
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
    out = ROOT / "build" / args.place / "report.txt"
    out.write_text(text + "\n")
    print(text)
    print(f"\n(report in {out.relative_to(ROOT)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
