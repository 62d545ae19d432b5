#!/usr/bin/env python3
"""A sampled mutation run over the program's sources, beside the hand-planted faults.

    scripts/mutants --sample N [--seed S] [--list]

Draws single-point changes of the program's .cpp files (app, viewer, loading, ui, tools, web) in an
order fixed by the seed: a comparison flipped or loosened, an integer constant off by one, a
condition negated, && and || swapped, a statement dropped, two arguments of a call swapped. Each
change is built (the program and the test drivers); one that does not build is discarded and
another drawn, until N have built. The tests whose labels cover the changed file run under Xvfb
(all tests but the package's for a file the map below does not know); a change is caught when
they fail, also by a hang, after 120 s a test. Prints each change with its verdict and time,
then the caught share and the missed changes.

Changes that cannot be told apart from the program by anything a user sees are listed by hand
in tests/mutants/equivalent.txt, one a line, with the reason after a '#':
    viewer/Quiz.cpp:123: a < b -> a <= b  # both are 0 here
Such a change is not counted; the next one is drawn instead.

The source file is restored after each change, also when the run is interrupted. --list prints
the first N changes of the seed's order without building anything.
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
FOLDERS = ["app", "viewer", "scene", "loading", "ui", "tools", "web"]
EQUIVALENT = os.path.join(ROOT, "tests", "mutants", "equivalent.txt")
TARGETS = ["cochlex", "test_unit", "test_gui", "test_images", "test_program"]

# The ctest labels whose tests cover a source: the first matching prefix wins.
LABELS = [
    ("viewer/teaching/CameraPath", "lessons camera"),
    ("viewer/teaching/Lesson", "lessons limits"),
    ("viewer/teaching/CutCaps", "caps"),
    ("viewer/teaching/LabelLayout", "labels"),
    ("viewer/teaching/LabelAnchorChoice", "labels"),
    ("viewer/Camera", "camera follow"),
    ("viewer/ViewFollowing", "follow camera"),
    ("viewer/InteractiveDetail", "detail camera"),
    ("viewer/CoarseSurfaces", "detail"),
    ("viewer/WindowModeSlots", "windowmodes"),
    ("viewer/ScreenFit", "windowmodes window"),
    ("viewer/FloatingModelView", "windowmodes traps"),
    ("viewer/ControlInput", "traps"),
    ("viewer/Shortcuts", "window traps"),
    ("viewer/Structure", "structures picking labels"),
    ("viewer/ModelProblems", "structures loading"),
    ("viewer/Quiz", "quiz"),
    ("viewer/Label", "labels"),
    ("viewer/Section", "sections"),
    ("viewer/CutStatus", "sections"),
    ("viewer/CutFaces", "caps"),
    ("viewer/Screenshots", "screenshots"),
    ("viewer/PageResources", "hostile"),
    ("viewer/ModelLoading", "loading opening structures"),
    ("viewer/LoadReport", "loadreport opening loading"),
    ("viewer/ModelOpening", "opening"),
    ("viewer/Lessons", "lessons"),
    ("viewer/ViewsDock", "lessons"),
    ("viewer/LessonFiles", "lessons"),
    ("viewer/ViewCapture", "lessons"),
    ("loading/Section", "sections loading"),
    ("loading/StructureDescription", "labels loading"),
    ("loading/ModelManifest", "scene structures loading fuzz"),
    ("loading/PageReduction", "pages hostile fuzz"),
    ("loading/SafeWrite", "screenshots lessons makemodel"),
    ("loading/", "loading hostile fuzz limits"),
    ("scene/", "scene structures lessons quiz"),
    ("ui/BoundedImage", "hostile limits"),
    ("ui/PageDialog", "hostile window"),
    ("ui/LayoutFit", "window"),
    ("ui/TickLabels", "sections window"),
    ("ui/Ui_About", "opening window"),
    ("ui/Ui_help", "opening window"),
    ("ui/RenderView", "camera windowmodes images"),
    ("ui/Ui_MainWindow", "window windowmodes structures"),
    ("app/CommandLine", "commandline"),
    ("app/WebExport", "web commandline"),
    ("web/", "web"),
    ("app/ScreenshotCommand", "commandline screenshots limits"),
    ("tools/make_model/", "makemodel"),
    ("tools/", "sample"),
]

COMPARISONS = {
    " < ": [" > ", " <= "],
    " > ": [" < ", " >= "],
    " <= ": [" > ", " < "],
    " >= ": [" < ", " > "],
    " == ": [" != "],
    " != ": [" == "],
}


def labels_of(path):
    for prefix, labels in LABELS:
        if path.startswith(prefix):
            return labels.split()
    return None


def code_part(line, raw=False):
    """The line with string and character literals and a trailing comment blanked out, and
    whether a raw string literal is still open at its end (raw: one was open at its start)."""
    out = []
    quote = None
    index = 0
    while index < len(line):
        char = line[index]
        if raw:
            end = line.find(')"', index)
            if end < 0:
                return " " * len(line), True
            out.append(" " * (end + 2 - index))
            index = end + 2
            raw = False
            continue
        if quote:
            if char == "\\":
                out.append("  ")
                index += 2
                continue
            out.append(" " if char != quote else char)
            if char == quote:
                quote = None
        elif line.startswith('R"(', index):
            raw = True
            out.append("   ")
            index += 3
            continue
        elif char in "\"'":
            quote = char
            out.append(char)
        elif line.startswith("//", index):
            break
        else:
            out.append(char)
        index += 1
    return "".join(out).ljust(len(line)), raw


def matching_parenthesis(text, start):
    depth = 0
    for index in range(start, len(text)):
        if text[index] == "(":
            depth += 1
        elif text[index] == ")":
            depth -= 1
            if depth == 0:
                return index
    return -1


def changes_of(path, lines):
    """Every single-point change of one file, as (path, line number, kind, old, new)."""
    found = []
    previous = ""
    in_comment = False
    in_raw = False
    for number, line in enumerate(lines, 1):
        stripped = line.strip()
        code, in_raw_after = code_part(line, in_raw)
        if in_raw:
            in_raw = in_raw_after
            continue
        in_raw = in_raw_after
        if in_comment:
            in_comment = "*/" not in stripped
            continue
        if stripped.startswith("/*"):
            in_comment = "*/" not in stripped
            continue
        if not stripped or stripped.startswith(("//", "#")) or "static_assert" in line:
            continue

        def add(kind, start, end, replacement):
            new_line = line[:start] + replacement + line[end:]
            found.append((path, number, kind, line, new_line))

        for operator, replacements in COMPARISONS.items():
            for match in re.finditer(re.escape(operator), code):
                for replacement in replacements:
                    kind = "flip" if replacement.strip()[0] != operator.strip()[0] else "loosen"
                    add("comparison " + kind, match.start(), match.end(), replacement)
        for match in re.finditer(r" (&&|\|\|) ", code):
            add("logic swapped", match.start(), match.end(),
                " || " if match.group(1) == "&&" else " && ")
        for match in re.finditer(r"(?<![\w.])(\d+)(?![\w.'>])", code):
            value = int(match.group(1))
            if value > 100000:
                continue
            for delta in (1, -1):
                if value + delta >= 0:
                    add("constant off by one", match.start(), match.end(), str(value + delta))
        for match in re.finditer(r"\b(if|while) \(", code):
            open_at = match.end() - 1
            close_at = matching_parenthesis(code, open_at)
            if close_at > 0:
                condition = line[open_at + 1:close_at]
                add("condition negated", open_at + 1, close_at, "!(" + condition + ")")
        # A whole statement on its line, after a line that ended one: a call or an assignment.
        if (stripped.endswith(";") and previous.endswith((";", "{", "}"))
                and code.count("(") == code.count(")")
                and re.match(r"\s*[\w:.>\-\[\]]+(\(| [-+*/|&]?= )", code)
                and not re.match(r"\s*(return|break|continue|const|auto|static|using|delete)\b",
                                 code)
                and not re.match(r"\s*[\w:<>]+[&*]? \w+( =|\(|\{|;)", code)):
            indent = line[:len(line) - len(line.lstrip())]
            found.append((path, number, "statement dropped", line, indent + ";\n"))
        for match in re.finditer(r"\b\w+\(([\w.]+), ([\w.]+)\)", code):
            first, second = match.group(1), match.group(2)
            if first != second:
                add("arguments swapped", match.start(1), match.end(2), second + ", " + first)
        previous = stripped
    return found


def all_changes():
    files = subprocess.run(["git", "ls-files", "--"] + FOLDERS, cwd=ROOT, check=True,
                           capture_output=True, text=True).stdout.split()
    changes = []
    for path in sorted(files):
        if not path.endswith(".cpp"):
            continue
        with open(os.path.join(ROOT, path), encoding="utf-8") as source:
            changes += changes_of(path, source.readlines())
    return changes


def sampling_order(changes, seed):
    """Each kind of change in its own order drawn from the seed, then the kinds in turn: a sample
    holds every kind about equally, however many sites each has."""
    generator = random.Random(seed)
    kinds = sorted(set(change[2] for change in changes))
    generator.shuffle(kinds)
    queues = []
    for kind in kinds:
        queue = [change for change in changes if change[2] == kind]
        generator.shuffle(queue)
        queues.append(queue)
    ordered = []
    while any(queues):
        for queue in queues:
            if queue:
                ordered.append(queue.pop())
    return ordered


def describe(change):
    path, number, kind, old, new = change
    return "%s:%d: %s -> %s" % (path, number, old.strip(), new.strip())


def equivalent_changes():
    marked = set()
    if os.path.exists(EQUIVALENT):
        with open(EQUIVALENT, encoding="utf-8") as listing:
            for line in listing:
                text = line.split("#", 1)[0].strip()
                if text:
                    marked.add(text)
    return marked


class Planted:
    """One change written into its file, and taken out again on any exit."""

    def __init__(self, change):
        self.path = os.path.join(ROOT, change[0])
        with open(self.path, encoding="utf-8") as source:
            self.original = source.read()
        lines = self.original.splitlines(keepends=True)
        lines[change[1] - 1] = change[4]
        with open(self.path, "w", encoding="utf-8") as source:
            source.write("".join(lines))

    def take_out(self):
        if self.original is not None:
            with open(self.path, "w", encoding="utf-8") as source:
                source.write(self.original)
            self.original = None


def run_tests(labels, log):
    command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "ctest", "--test-dir", BUILD,
               "--timeout", "120"]
    if labels:
        command += ["-L", "^(%s)$" % "|".join(labels)]
    else:
        command += ["-LE", "^package$"]
    return subprocess.run(command, stdout=log, stderr=subprocess.STDOUT).returncode


def main():
    parser = argparse.ArgumentParser(prog="scripts/mutants --sample")
    parser.add_argument("--sample", type=int, required=True)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--list", action="store_true")
    options = parser.parse_args()

    changes = sampling_order(all_changes(), options.seed)
    marked = equivalent_changes()
    if options.list:
        for change in [c for c in changes if describe(c) not in marked][:options.sample]:
            print("%-20s %s" % (change[2], describe(change)))
        return 0

    status = subprocess.run(["git", "status", "--porcelain", "--untracked-files=no", "--"]
                            + FOLDERS, cwd=ROOT, capture_output=True, text=True).stdout
    if status.strip():
        print("scripts/mutants: the program has uncommitted changes; commit or stash them first",
              file=sys.stderr)
        return 2
    if subprocess.run(["cmake", "--build", BUILD], stdout=subprocess.DEVNULL).returncode != 0:
        print("scripts/mutants: the build fails without any change", file=sys.stderr)
        return 1

    planted = None

    def interrupted(signum, frame):
        if planted:
            planted.take_out()
        sys.exit(130)

    signal.signal(signal.SIGINT, interrupted)
    signal.signal(signal.SIGTERM, interrupted)

    rows = []
    missed = []
    discarded = 0
    skipped = 0
    started = time.time()
    for change in changes:
        if len(rows) == options.sample:
            break
        if describe(change) in marked:
            skipped += 1
            continue
        log_path = os.path.join(BUILD, "mutant-sample.log")
        begin = time.time()
        planted = Planted(change)
        try:
            with open(log_path, "w") as log:
                built = subprocess.run(["cmake", "--build", BUILD, "--target"] + TARGETS,
                                       stdout=log, stderr=subprocess.STDOUT).returncode == 0
                if not built:
                    discarded += 1
                    continue
                labels = labels_of(change[0])
                caught = run_tests(labels, log) != 0
        finally:
            planted.take_out()
            planted = None
        seconds = time.time() - begin
        verdict = "caught" if caught else "MISSED"
        row = "%-7s %4d s  %-20s %-28s %s" % (verdict, seconds, change[2],
                                              " ".join(labels) if labels else "(all)",
                                              describe(change))
        print(row, file=sys.stderr, flush=True)
        rows.append((caught, row))
        if not caught:
            missed.append(describe(change))
    # The program as it is, built again so that build/ matches the sources.
    subprocess.run(["cmake", "--build", BUILD], stdout=subprocess.DEVNULL)

    caught_count = sum(1 for caught, _ in rows if caught)
    total = len(rows)
    for _, row in rows:
        print(row)
    print("%d of %d caught (%.0f %%), seed %d; %d changes did not build, %d marked equivalent; "
          "%.0f s in all, %.0f s a change"
          % (caught_count, total, 100.0 * caught_count / max(total, 1), options.seed, discarded,
             skipped, time.time() - started, (time.time() - started) / max(total, 1)))
    if missed:
        print("Missed:")
        for line in missed:
            print("  " + line)
    return 0 if not missed else 1


if __name__ == "__main__":
    sys.exit(main())
