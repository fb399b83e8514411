"""Reads the records scripts/sweep.sh leaves, one folder per file, and prints what differs
grouped by kind, then one line of figures. Run by sweep.sh; usage: sweep_table.py RECORDS FOLDER.
"""
import json
import os
import re
import sys
from collections import defaultdict

# What the export's own warnings name, and the differences each one explains: loose faces come
# back in shells (their faces, edges and colours must not change), edges without an end are
# left out of what is written.
WARNED = [
    ("STEP holds faces only in shells", {"shells"}),
    ("without an end", {"edges", "vertices", "free edges", "bounding box"}),
]
# Phrases of a GLB export that has nothing to mesh: not a loss.
NOTHING_TO_MESH = ("no faces or edges", "nothing to mesh", "holds no face")


def read(record, name, default=""):
    path = os.path.join(record, name)
    if not os.path.exists(path):
        return default
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def code_of(record, step):
    text = read(record, step + ".code").strip()
    return int(text) if text else None


def first_error(record, step):
    """The program's one line of error, with the file's own path taken out."""
    lines = [l for l in read(record, step + ".err").splitlines() if "warning:" not in l]
    line = lines[-1] if lines else "exit %s, no message" % code_of(record, step)
    line = re.sub(r"'[^']*'", "'F'", line)
    return re.sub(r"\d+", "N", line)[:120]


def warnings_of(record, step):
    return [l for l in read(record, step + ".err").splitlines() if "warning:" in l]


def difference_kind(item):
    what = item.get("what", "")
    return re.sub(r"\d+", "N", what)


def explained(differences, warnings):
    """Whether every difference is one the export's warnings name."""
    allowed = set()
    for phrase, kinds in WARNED:
        if any(phrase in w for w in warnings):
            allowed |= kinds
    return all(d.get("what", "") in allowed for d in differences)


def tree_of(record, step):
    """The leaves, assemblies and instances an import found, with their names, in order; None
    when the import failed."""
    if code_of(record, step) != 0:
        return None
    try:
        elements = json.loads(read(record, step + ".out")).get("elements", [])
    except ValueError:
        return None
    kinds = ("ShapeElement", "AssemblyElement", "InstanceElement", "GroupElement")
    return sorted((e["class"], e.get("name", ""), e.get("alias", ""))
                  for e in elements if e.get("class") in kinds)


def occt_agrees(record):
    """Whether OpenCASCADE's reader finds in the STEP file written what it found in the STEP
    file read (IGES holds no tree to compare with); None when there is nothing to compare."""
    if code_of(record, "stock") is None or code_of(record, "stock-original") is None:
        return None
    written = tree_of(record, "stock")
    return written is not None and written == tree_of(record, "stock-original")


def classify(record):
    """(outcome, kinds): outcome one of imported-not, written-not, refused, equal, warned,
    differs; kinds the difference or failure kinds found."""
    if code_of(record, "import") != 0:
        return "not imported", ["import fails: " + first_error(record, "import")]
    kinds = []
    glb = code_of(record, "glb")
    if glb not in (0, None):
        error = first_error(record, "glb")
        if not any(p in read(record, "glb.err") for p in NOTHING_TO_MESH):
            kinds.append("GLB fails: " + error)
    if code_of(record, "step") != 0:
        return "not written", kinds + ["STEP export fails: " + first_error(record, "step")]
    try:
        report = json.loads(read(record, "compare.out"))
    except ValueError:
        return "refused", kinds + ["written STEP not read back: " + first_error(record, "compare")]
    differences = report.get("differences", [])
    if not differences:
        return "equal", kinds
    if explained(differences, warnings_of(record, "step")):
        return "warned", kinds + ["(differs only in what the export warns of)"]
    return "differs", kinds + sorted({"differs: " + difference_kind(d) for d in differences})


def main():
    records, folder = sys.argv[1], sys.argv[2]
    outcomes = defaultdict(int)
    by_kind = defaultdict(list)
    glb_fails = 0
    occt_same = occt_total = 0
    for key in sorted(os.listdir(records)):
        record = os.path.join(records, key)
        if not os.path.exists(os.path.join(record, "done")):
            continue  # still at work
        name = os.path.relpath(read(record, "file").strip(), folder)
        outcome, kinds = classify(record)
        outcomes[outcome] += 1
        for kind in kinds:
            by_kind[kind].append(name)
        glb_fails += any(k.startswith("GLB fails") for k in kinds)
        agrees = occt_agrees(record)
        if agrees is not None:
            occt_total += 1
            occt_same += agrees
            if not agrees:
                by_kind["OpenCASCADE reads other parts or names from the STEP written"].append(name)

    print("%-70s %5s  %s" % ("what", "files", "first files"))
    for kind, names in sorted(by_kind.items(), key=lambda item: (-len(item[1]), item[0])):
        print("%-70s %5d  %s" % (kind[:70], len(names), ", ".join(names[:3])))
    total = sum(outcomes.values())
    imported = total - outcomes["not imported"]
    round_trips = imported - outcomes["not written"]
    kept = outcomes["equal"] + outcomes["warned"]
    share = 100.0 * kept / round_trips if round_trips else 0.0
    print(
        "%d files: %d import; %d written; %d of %d round trips equal (%d only in what the export"
        " warns of): %.1f %%; %d written files refused; OpenCASCADE finds the same parts and"
        " names in %d of %d; %d GLB exports fail"
        % (total, imported, round_trips, kept, round_trips, outcomes["warned"], share,
           outcomes["refused"], occt_same, occt_total, glb_fails))


if __name__ == "__main__":
    main()
