#!/usr/bin/env python3
"""Mutation testing of the suite: how many small faults put into the product code the tests catch.

    scripts/mutate.py [--count N] [--draw D] [--list] [--only ID,...] [REPORT.tsv]

It picks N mutation sites from the product's C++ sources (the same N for the same draw and the
same sources), and for each one changes that one place in a scratch worktree of HEAD, rebuilds
what depends on it and runs the suite, stopping at the first failure. A mutant is killed when a
test fails, survives when all pass, and is not counted when it does not compile. Each mutant's
outcome is one line of the report (standard output by default); the totals go to standard error.

A site is named by its file, the text of its line and the change, not by its line number, so the
same mutants are found again after the code around them moves, and the figures before and after
a change to the tests compare the same faults. The worktree, its build (folder build-mutate in
it) and ccache are kept between runs, so a second run only rebuilds what the mutants touch.

Lines in comments, strings, #include and log or error messages are not mutated: a fault there
changes no behaviour a test should see.
"""

import argparse
import hashlib
import os
import random
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Beside the checkout, so that the tests find the shared corpus where they look for it.
WORKTREE = os.path.join(os.path.dirname(ROOT), "mutate-worktree")
SOURCES = ("Host", "Interop", "apps/orvex-interop")

# Each change: a pattern that must match at the site, and what replaces it. Relational and
# logical operators, off-by-ones, negated conditions and constant results: the faults that
# tests of behaviour should notice.
OPERATORS = [
    ("==", r"(?<![=!<>])==(?!=)", "!="),
    ("!=", r"!=", "=="),
    ("<=", r"(?<![<])<=", "<"),
    (">=", r"(?<![>-])>=", ">"),
    ("<", r"(?<![<\w])\s<\s(?![<=])", " <= "),
    (">", r"(?<![>\-])\s>\s(?![>=])", " >= "),
    ("&&", r"&&", "||"),
    ("||", r"\|\|", "&&"),
    ("+1", r"\+ 1\b", "- 1"),
    ("-1", r"- 1\b", "+ 1"),
    ("true", r"\breturn true;", "return false;"),
    ("false", r"\breturn false;", "return true;"),
    ("!", r"if \(!(?!=)", "if ("),
]

SKIP_LINE = re.compile(r'^\s*(//|#|\*|/\*)|"|Log(Note|Error|Warning|Debug)|static_assert')


def sources(tree):
    found = []
    for top in SOURCES:
        for folder, _, names in os.walk(os.path.join(tree, top)):
            found += [os.path.join(folder, n) for n in names if n.endswith(".cpp")]
    return sorted(os.path.relpath(path, tree) for path in found)


def sites(tree):
    """Every (file, line text, occurrence of that text in the file, operator) in the sources."""
    all_sites = []
    for path in sources(tree):
        with open(os.path.join(tree, path), encoding="utf-8") as source:
            lines = source.read().split("\n")
        seen = {}
        for text in lines:
            seen[text] = seen.get(text, 0) + 1
            if SKIP_LINE.search(text) or "template" in text or "operator" in text:
                continue
            for name, pattern, _ in OPERATORS:
                if re.search(pattern, text):
                    all_sites.append((path, text, seen[text], name))
    return all_sites


def mutant_id(site):
    path, text, occurrence, name = site
    digest = hashlib.sha1(f"{path}\n{text}\n{occurrence}\n{name}".encode()).hexdigest()
    return digest[:8]


def apply(tree, site):
    """Writes the mutant; returns the original text of the file, or None when the site is gone."""
    path, text, occurrence, name = site
    full = os.path.join(tree, path)
    with open(full, encoding="utf-8") as source:
        original = source.read()
    lines = original.split("\n")
    matches = [i for i, line in enumerate(lines) if line == text]
    if len(matches) < occurrence:
        return None
    index = matches[occurrence - 1]
    pattern, replacement = next((p, r) for n, p, r in OPERATORS if n == name)
    lines[index] = re.sub(pattern, replacement, lines[index], count=1)
    with open(full, "w", encoding="utf-8") as source:
        source.write("\n".join(lines))
    return original


def run(command, cwd, timeout):
    try:
        return subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def first_failure(build):
    """Runs the suite until a test fails; the failed test's name, or None when all pass.

    A test that fails for a reason of its own (a time limit on a loaded machine) would count as
    a kill, so the report names it, for a reader to judge."""
    try:
        done = subprocess.run(["ctest", "-j2", "--stop-on-failure", "--timeout", "300"], cwd=build,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=1800)
    except subprocess.TimeoutExpired:
        return "(the suite timed out)"
    if done.returncode == 0:
        return None
    failed = re.findall(r"^\s*\d+ - (\S+) \((.*)\)$", done.stdout, re.MULTILINE)
    return ", ".join(f"{name} ({why})" for name, why in failed) or "(ctest failed)"


def prepare_worktree():
    head = subprocess.check_output(["git", "rev-parse", "HEAD"], cwd=ROOT, text=True).strip()
    if not os.path.isdir(WORKTREE):
        subprocess.check_call(["git", "worktree", "add", "--detach", WORKTREE, head], cwd=ROOT,
                              stdout=subprocess.DEVNULL)
    else:
        subprocess.check_call(["git", "checkout", "-q", "--detach", "--force", head], cwd=WORKTREE)
    build = os.path.join(WORKTREE, "build-mutate")
    # A changed shared library does not relink what links it: the loader takes the new one.
    subprocess.check_call(["cmake", "-S", WORKTREE, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                           "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"], stdout=subprocess.DEVNULL)
    if run(["cmake", "--build", build, "-j2"], WORKTREE, 3600) != 0:
        sys.exit("mutate: the unmutated tree does not build")
    return head, build


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("report", nargs="?", help="where to write the report (default: stdout)")
    parser.add_argument("--count", type=int, default=20, help="mutants to run (default 20)")
    parser.add_argument("--draw", type=int, default=24, help="which mutants (default 24)")
    parser.add_argument("--list", action="store_true", help="list the mutants and run nothing")
    parser.add_argument("--only", help="the mutants to run: ids separated by commas, or an "
                        "earlier report, whose mutants are run again")
    args = parser.parse_args()

    os.environ.setdefault("CCACHE_BASEDIR", WORKTREE)
    os.environ.setdefault("CCACHE_NOHASHDIR", "1")
    all_sites = sites(ROOT)
    chosen = random.Random(args.draw).sample(all_sites, min(args.count, len(all_sites)))
    if args.only:
        if os.path.isfile(args.only):
            with open(args.only) as earlier:
                wanted = {line.split("\t")[0] for line in earlier if line.strip()}
        else:
            wanted = set(args.only.split(","))
        chosen = [s for s in all_sites if mutant_id(s) in wanted]
    report = open(args.report, "w") if args.report else sys.stdout
    if args.list:
        for site in chosen:
            print(f"{mutant_id(site)}\t{site[0]}\t{site[3]}\t{site[1].strip()}", file=report)
        return

    head, build = prepare_worktree()
    print(f"mutate: {len(chosen)} of {len(all_sites)} sites, at {head[:8]}", file=sys.stderr)
    totals = {"killed": 0, "survived": 0, "unviable": 0}
    for site in chosen:
        started = time.time()
        original = apply(WORKTREE, site)
        if original is None:
            outcome = "gone\t"
        else:
            try:
                if run(["cmake", "--build", build, "-j2"], WORKTREE, 1800) != 0:
                    outcome = "unviable\t"
                else:
                    killer = first_failure(build)
                    outcome = f"killed\t{killer}" if killer else "survived\t"
            finally:
                with open(os.path.join(WORKTREE, site[0]), "w", encoding="utf-8") as source:
                    source.write(original)
        kind = outcome.split("\t")[0]
        totals[kind] = totals.get(kind, 0) + 1
        print(f"{mutant_id(site)}\t{outcome}\t{time.time() - started:.0f}s\t{site[0]}\t{site[3]}"
              f"\t{site[1].strip()}", file=report, flush=True)
    # Put the last mutated file's objects back, so the next run starts from the clean tree.
    run(["cmake", "--build", build, "-j2"], WORKTREE, 1800)
    viable = totals["killed"] + totals["survived"]
    print(f"mutate: {totals['killed']} of {viable} viable mutants killed "
          f"({totals['unviable']} did not compile)", file=sys.stderr)


if __name__ == "__main__":
    main()
