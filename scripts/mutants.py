#!/usr/bin/env python3
"""Mutation sample of the product code: small faults, one at a time, each
built incrementally and run against the test programs that depend on the
changed target.

The tree is copied (its tracked and untracked, not ignored files) into
<build>/tree and every mutant is made in that copy and undone there, so the
working files are never touched; the copy is built in <build>/tree/build. A
mutant ends killed, survived, timed out (counted as killed) or not compiled
(left out of the score).
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

SKIPPED_FOLDERS = {"tests", "fuzz", "bench", "scripts"}
# Each test program runs in namespaces of its own: the web tests' fixed
# loopback ports are its alone, and the services it starts (which leave its
# process group) end with it when it is stopped early.
ISOLATED = ["unshare", "--net", "--pid", "--mount-proc", "--fork", "--kill-child",
            "sh", "-c", 'ip link set lo up && exec "$0" "$@"']

# A relational or logical operator between spaces, and what it becomes.
OPERATORS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}
OPERATOR = re.compile(r"(?<= )(<=|>=|==|!=|&&|\|\||<|>)(?= )")
# A returned truth or status, and its opposite.
FLIPS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE",
         "kIoCtlOk": "kIoCtlRequestFailed", "kResultOk": "kResultNotSupported"}
FLIP = re.compile(r"(\breturn |Status\()(" + "|".join(FLIPS) + r")\b")
CONSTANT = re.compile(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)(?=[uUlL]*\b)(?!\.)")
CONDITION = re.compile(r"\b(if|while) \(")
JUMP = re.compile(r"^\s*(break|continue);\s*$")
# A whole-line call whose result is unused: a callee expression without a
# space before its parenthesis (so not a declaration), not an upper-case macro.
CALL = re.compile(r"^\s*(?!return\b|delete\b|throw\b|co_\w+\b)[A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*(?:<[\w:, <>*&]*>)?\(.*\);\s*$")
MACRO = re.compile(r"^\s*[A-Z][A-Z0-9_]*\(")
STRING = re.compile(r'"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'')


def code_lines(text):
    """Each line with comments and literal texts blanked, so that sites are
    only found in code; None for preprocessor lines other than #define."""
    out, in_block = [], False
    for line in text.split("\n"):
        masked = STRING.sub(lambda m: '"' + " " * (len(m.group()) - 2) + '"', line)
        chars, i = list(masked), 0
        while i < len(chars):
            if in_block:
                if masked.startswith("*/", i):
                    chars[i:i + 2] = "  "
                    in_block, i = False, i + 2
                    continue
                chars[i], i = " ", i + 1
            elif masked.startswith("/*", i):
                chars[i:i + 2] = "  "
                in_block, i = True, i + 2
            elif masked.startswith("//", i):
                chars[i:] = " " * (len(chars) - i)
                break
            else:
                i += 1
        code = "".join(chars)
        directive = code.lstrip().startswith("#")
        out.append(None if directive and not code.lstrip().startswith("#define") else code)
    return out


def closing_paren(code, start):
    depth = 0
    for i in range(start, len(code)):
        depth += {"(": 1, ")": -1}.get(code[i], 0)
        if depth == 0:
            return i
    return None


def operand_edge(code, at, step):
    """From the operator at `at`, the edge of its operand on one side (step -1
    or 1) and the bracket depth there: "logical" where another && or || of
    the same depth ends it, "bound" at a bracket, separator, assignment or
    return, "line" at the line's edge; the index is the operand's first (or
    last) character plus or minus one."""
    depth, i = 0, at
    while 0 <= i + step < len(code):
        i += step
        c, pair = code[i], code[min(i, i + step):max(i, i + step) + 1]
        if c in (")]}" if step < 0 else "([{"):
            depth += 1
        elif c in ("([{" if step < 0 else ")]}"):
            if depth == 0:
                return "bound", i, 0
            depth -= 1
        elif depth == 0 and pair in ("&&", "||"):
            return "logical", i, 0
        elif depth == 0 and (c in ";,?" or (c == ":" and "::" not in code[i - 1:i + 2])
                             or (c == "=" and code[i - 1] not in "=!<>" and code[i + 1:i + 2] != "=")):
            return "bound", i, 0
        elif depth == 0 and step < 0 and re.match(r"return\b", code[i:]) and not re.match(r"\w", code[i - 1:i]):
            return "bound", i + 5, 0
    return "line", i + step, depth


def swapped(code, line, m, before, after):
    """The line with a logical operator swapped, its two operands bracketed
    when another && or || of the same depth joins them, so that no && mixes
    with || unbracketed (a warning, so a build failure, under -Werror); None
    where an operand or that other operator is on another line."""
    mutated = line[:m.start()] + OPERATORS[m.group()] + line[m.end():]
    leads = not code[:m.start()].strip()
    left, start, left_depth = operand_edge(code, m.start(), -1)
    right, end, right_depth = operand_edge(code, m.end() - 1, 1)
    joined_left = left == "logical" or (left == "line" and (re.search(r"(&&|\|\|)\s*$", before)
                                                            or leads and re.search(r"&&|\|\|", before)))
    joined_right = right == "logical" or (right == "line" and re.match(r"\s*(&&|\|\|)", after))
    if not (joined_left or joined_right):
        return mutated
    if leads or left_depth or right_depth:
        return None
    start += 1
    while code[start] == " ":
        start += 1
    while code[end - 1] == " ":
        end -= 1
    shift = len(OPERATORS[m.group()]) - len(m.group())
    return mutated[:start] + "(" + mutated[start:end + shift] + ")" + mutated[end + shift:]


# An if or while condition that declares its variable, which a negation
# cannot wrap: "Type name = ..." or "Type name{...}" (after any initializer).
DECLARATION = re.compile(r"^\s*(const\s+)?[A-Za-z_][\w:<>, ]*[\s*&]+[A-Za-z_]\w*\s*(=[^=]|\{)")


def line_mutations(code, line, before="", after=""):
    """(kind, mutated line) for every mutable site of one line; before and
    after are the code lines around it."""
    for m in OPERATOR.finditer(code):
        if m.group() in ("&&", "||"):
            mutated = swapped(code, line, m, before, after)
            if mutated is not None:
                yield "logical", mutated
        else:
            yield "relational", line[:m.start()] + OPERATORS[m.group()] + line[m.end():]
    for m in CONDITION.finditer(code):
        begin, end = m.end(), closing_paren(code, m.end() - 1)
        if end is None:
            continue
        initializer = code.find(";", begin, end)
        if initializer >= 0:
            begin = initializer + 1 + len(code[initializer + 1:end]) - len(code[initializer + 1:end].lstrip())
        if not DECLARATION.match(code[begin:end]):
            yield "negated", line[:begin] + "!(" + line[begin:end] + ")" + line[end:]
    for m in FLIP.finditer(code):
        yield "flipped", line[:m.start(2)] + FLIPS[m.group(2)] + line[m.end(2):]
    for m in CONSTANT.finditer(code):
        digits = m.group().lower()
        if digits.startswith("0x"):
            text = hex(int(digits, 16) + 1)
        elif len(digits) > 1 and digits.startswith("0"):
            text = "0" + format(int(digits, 8) + 1, "o")
        else:
            text = str(int(digits) + 1)
        yield "constant", line[:m.start()] + text + line[m.end():]
    if JUMP.match(code):
        # A break before the next case label falls through instead: removed
        # outright it is a warning, so a build failure, under -Werror.
        switch_case = re.match(r"\s*(case\b|default\s*:)", after) and code.strip() == "break;"
        yield "jump", line[:len(line) - len(line.lstrip())] + ("[[fallthrough]];" if switch_case else "{}")
    if CALL.match(code) and not MACRO.match(code) and closing_paren(code, code.index("(")) == code.rindex(")"):
        yield "call", line[:len(line) - len(line.lstrip())] + "{}"


def only_call(code, text):
    """Whether the line calls a plain function named twice in the file, its
    definition and this call: removing the call leaves the function unused,
    a warning, so a build failure, under -Werror."""
    callee = re.match(r"\s*([A-Za-z_]\w*)\(", code)
    return callee is not None and len(re.findall(r"\b" + callee.group(1) + r"\b", text)) == 2


def sites(root, folders):
    found = []
    for folder in folders:
        for path in [root / folder] if folder.endswith(".cpp") else sorted((root / folder).rglob("*.cpp")):
            rel = path.relative_to(root).as_posix()
            lines = path.read_text(errors="replace").split("\n")
            codes = code_lines("\n".join(lines))
            text = "\n".join(code or "" for code in codes)
            for number, code in enumerate(codes, 1):
                if code is not None:
                    around = [codes[i] or "" if 0 <= i < len(codes) else "" for i in (number - 2, number)]
                    for kind, mutated in line_mutations(code, lines[number - 1], *around):
                        if kind != "call" or not only_call(code, text):
                            found.append((rel, number, kind, mutated))
    return found


def layer_of(root, rel):
    """The shallowest folder below the root with its own CMakeLists.txt."""
    parts = Path(rel).parts[:-1]
    for depth in range(1, len(parts) + 1):
        if (root / Path(*parts[:depth]) / "CMakeLists.txt").exists():
            return "/".join(parts[:depth])
    return parts[0]


def product_folders(root):
    return sorted({layer_of(root, p.relative_to(root).as_posix()) for p in root.rglob("*.cpp")
                   if p.relative_to(root).parts[0] not in SKIPPED_FOLDERS | {"build"}
                   and not p.relative_to(root).parts[0].startswith("build")})


def sync_copy(source, tree):
    """Copies the tree's files into the private copy, rewriting only those
    whose content differs, so the incremental build stays incremental."""
    git = subprocess.run(["git", "-C", str(source), "ls-files", "-co", "--exclude-standard", "-z"], capture_output=True)
    listed = git.stdout.decode().split("\0") if git.returncode == 0 else \
        [p.relative_to(source).as_posix() for p in source.rglob("*") if tree.parent not in p.parents]
    wanted = {name for name in listed if name and (source / name).is_file()}
    for name in wanted:
        src, dst = source / name, tree / name
        if not dst.is_file() or dst.read_bytes() != src.read_bytes():
            dst.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(src, dst)
    for path in tree.rglob("*"):
        rel = path.relative_to(tree)
        if rel.parts[0] != "build" and path.is_file() and rel.as_posix() not in wanted:
            path.unlink()


def start(cmd, log, cwd=None, env=None):
    with open(log, "w") as out:
        return subprocess.Popen(["nice", "-n", "15"] + cmd, stdout=out, stderr=subprocess.STDOUT,
                                cwd=cwd, env=env, start_new_session=True)


def stop(proc):
    if proc.poll() is None:
        os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()


def run(cmd, log):
    """Runs a command niced in its own process group; its exit code."""
    proc = start(cmd, log)
    try:
        return proc.wait()
    finally:
        stop(proc)


def run_side_by_side(programs, logs, limits=None, env=None):
    """Runs the test programs at once (they wait more than they compute):
    "killed" at the first that fails, "timed out" at the first past its
    limit, else "survived"; with the program that ended it and the times."""
    begin = time.time()
    procs = {name: start(ISOLATED + [str(path)], logs / f"{name}.log", path.parent, env)
             for name, path in programs.items()}
    times = {}
    try:
        while len(times) < len(procs):
            for name, proc in procs.items():
                if name in times:
                    continue
                if proc.poll() is not None:
                    times[name] = time.time() - begin
                    if proc.returncode != 0:
                        return "killed", name, times
                elif limits and time.time() - begin > limits[name]:
                    return "timed out", name, times
            time.sleep(0.1)
        return "survived", None, times
    finally:
        for proc in procs.values():
            stop(proc)


def run_tests(programs, logs, limits):
    """The mutant's outcome. A failure among programs running together may be
    the load they make; it counts once the program fails again on its own."""
    fail_fast = dict(os.environ, GTEST_FAIL_FAST="1")
    outcome, failed, _ = run_side_by_side(programs, logs, limits, fail_fast)
    if outcome == "survived":
        return outcome
    for name in [failed] + sorted(set(programs) - {failed}):
        outcome = run_side_by_side({name: programs[name]}, logs, limits, fail_fast)[0]
        if outcome != "survived":
            return outcome
    return "survived"


def test_programs(build):
    """Test program name -> (path, set of the targets it depends on, itself
    included), from CMake's file API, and source path -> owning targets."""
    reply = build / ".cmake/api/v1/reply"
    index = json.loads(max(reply.glob("index-*.json")).read_text())
    model = json.loads((reply / index["reply"]["codemodel-v2"]["jsonFile"]).read_text())
    targets = {t["id"]: json.loads((reply / t["jsonFile"]).read_text()) for t in model["configurations"][0]["targets"]}
    owners = {}
    for tid, t in targets.items():
        for s in t.get("sources", []):
            owners.setdefault(s["path"], set()).add(t["name"])

    def closure(tid, seen):
        if tid not in seen:
            seen.add(tid)
            for dep in targets[tid].get("dependencies", []):
                closure(dep["id"], seen)
        return seen

    programs = {}
    for tid, t in targets.items():
        fragments = " ".join(f["fragment"] for f in t.get("link", {}).get("commandFragments", []))
        if t["type"] == "EXECUTABLE" and "gtest" in fragments:
            path = build / t["artifacts"][0]["path"]
            programs[t["name"]] = (path, {targets[d]["name"] for d in closure(tid, set())})
    return programs, owners


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=20)
    parser.add_argument("--only", action="append", help="product folder or source file to mutate (repeatable)")
    parser.add_argument("--jobs", type=int, default=2, help="parallel build jobs")
    parser.add_argument("--source", default=str(Path(__file__).resolve().parent.parent))
    parser.add_argument("--build", help="build folder (default <source>/build-mutants)")
    parser.add_argument("--report", help="report file (default <source>/bench/results/mutants.md)")
    # The plain build's flags, so ccache has most objects already; lld links
    # the many test programs of a low layer's mutant in a fraction of the time.
    parser.add_argument("--cmake-option", action="append",
                        default=["-DTSM_WERROR=ON", "-DTSM_BENCH=OFF", "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld",
                                 "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"])
    args = parser.parse_args()
    source = Path(args.source).resolve()
    build = Path(args.build or source / "build-mutants").resolve()
    report = Path(args.report or source / "bench/results/mutants.md")
    tree, binary, logs = build / "tree", build / "tree/build", build / "logs"
    tree.mkdir(parents=True, exist_ok=True)
    logs.mkdir(exist_ok=True)
    started = time.time()

    sync_copy(source, tree)
    (binary / ".cmake/api/v1/query").mkdir(parents=True, exist_ok=True)
    (binary / ".cmake/api/v1/query/codemodel-v2").touch()
    if run(["cmake", "-S", str(tree), "-B", str(binary)] + args.cmake_option, logs / "configure.log") != 0 or \
            run(["cmake", "--build", str(binary), "-j", str(args.jobs)], logs / "build.log") != 0:
        sys.exit(f"mutants: the unchanged tree does not build, see {logs}")
    programs, owners = test_programs(binary)

    folders = args.only or product_folders(tree)
    found = sites(tree, folders)
    sample = random.Random(args.seed).sample(found, min(args.count, len(found)))
    print(f"mutants: {len(found)} sites in {', '.join(folders)}; {len(sample)} drawn with seed {args.seed}", flush=True)
    testing = {rel: sorted(name for name, (_, deps) in programs.items() if deps & owners.get(rel, set()))
               for rel in {s[0] for s in sample}}

    # Each test program's time on the unchanged tree, all running together as
    # they will for every mutant, sets its time-out.
    needed = {name: programs[name][0] for names in testing.values() for name in names}
    outcome, _, times = run_side_by_side(needed, logs)
    if outcome != "survived":
        sys.exit(f"mutants: a test program fails on the unchanged tree, see {logs}")
    limits = {name: 60 + 3 * seconds for name, seconds in times.items()}

    results = []
    for n, (rel, number, kind, mutated) in enumerate(sample, 1):
        path = tree / rel
        original = path.read_text()
        lines = original.split("\n")
        names = testing[rel]
        try:
            path.write_text("\n".join(lines[:number - 1] + [mutated] + lines[number:]))
            if not names:
                outcome = "survived"
            elif run(["cmake", "--build", str(binary), "-j", str(args.jobs), "--target"] + names,
                     logs / "mutant-build.log") != 0:
                outcome = "not compiled"
            else:
                outcome = run_tests({name: programs[name][0] for name in names}, logs, limits)
        finally:
            path.write_text(original)
        results.append((layer_of(tree, rel), rel, number, kind, f"{lines[number - 1].strip()}` -> `{mutated.strip()}", outcome))
        print(f"[{n}/{len(sample)}] {outcome:12} {rel}:{number} {kind}: {results[-1][4]}", flush=True)
        write_report(report, results, args, time.time() - started)

    # The restored files build again, so the copy ends as it began.
    run(["cmake", "--build", str(binary), "-j", str(args.jobs)], logs / "build.log")
    print(f"mutants: report in {report}")


def write_report(report, results, args, seconds):
    killed = ("killed", "timed out")
    lines = [f"## Run: seed {args.seed}, {len(results)} mutants, {seconds / 60:.0f} min", "",
             "| Folder | Mutants | Killed | Timed out | Survived | Not compiled | Score |", "|---|---|---|---|---|---|---|"]
    for folder in sorted({r[0] for r in results}) + [None]:
        rows = [r for r in results if folder is None or r[0] == folder]
        count = {o: sum(r[5] == o for r in rows) for o in ("killed", "timed out", "survived", "not compiled")}
        scored = count["killed"] + count["timed out"] + count["survived"]
        score = f"{100 * (count['killed'] + count['timed out']) / scored:.0f} %" if scored else "-"
        lines.append(f"| {folder or '**all**'} | {len(rows)} | {count['killed']} | {count['timed out']} | "
                     f"{count['survived']} | {count['not compiled']} | {score} |")
    lines += ["", "Survivors:", ""]
    lines += [f"- `{r[1]}:{r[2]}` ({r[3]}) `{r[4]}`" for r in sorted(results, key=lambda r: (r[1], r[2]))
              if r[5] not in killed + ("not compiled",)]
    report.parent.mkdir(parents=True, exist_ok=True)
    report.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    main()
