#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang in build-fuzz/ and runs each for SECONDS (default
# 60), seeded from tests/fuzz/seeds, tests/data and, when it is there, ../shared/corpus.
# Inputs that crash, hang or run out of memory and fail again on their own are kept in
# build-fuzz/findings/TARGET/ and make the script fail.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   TARGET: linestyle vrml step stepparse roundtrip iges obj gltf glb stl brep (default: all)
#   (roundtrip reads the bytes as STEP and writes what it read back to STEP and GLB)
# With ORVEX_FUZZ_CHANGED_SINCE set to a commit, only the targets whose code changed since it
# get SECONDS; the others get a short run of ORVEX_FUZZ_BRIEF_SECONDS (default 15) on their
# seeds, for what a change elsewhere broke.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]} > 0)) || targets=(linestyle vrml step stepparse roundtrip iges obj gltf glb stl brep)

ORVEX_SETUP_ONLY=1 scripts/setup.sh
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_FUZZ=ON \
    -DORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/orvex-fuzz-}"

corpus_root="$root/../shared/corpus"
seed_patterns() {
    case $1 in
    linestyle) echo "*.lin" ;;
    vrml) echo "*.wrl *.vrml" ;;
    step | stepparse | roundtrip) echo "*.stp *.step" ;;
    iges) echo "*.igs *.iges" ;;
    brep) echo "*.brep *.brp" ;;
    *) echo "*.$1" ;;
    esac
}

dictionary() {
    case $1 in
    stepparse | roundtrip) echo step ;;
    *) echo "$1" ;;
    esac
}

# OpenCASCADE's process-wide tables are not ours to free; see tests/lsan.supp.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1"

# The paths whose change puts each target's code under test again; the readers' shared road
# (the model reader, its failures, the formats, the harness) counts for every target.
changed_paths() {
    case $1 in
    linestyle) echo 'LineStyle|LineType' ;;
    vrml) echo 'Vrml|Scene' ;;
    step | stepparse) echo 'Step' ;;
    roundtrip) echo 'Step|XdeModelWriter|Gltf|Mesh' ;;
    iges) echo 'Iges|IGES' ;;
    obj) echo 'Obj|Mesh' ;;
    gltf | glb) echo 'Gltf|Mesh' ;;
    stl) echo 'Stl|STL|Mesh' ;;
    brep) echo 'Brep|BRep|ShapeReader' ;;
    esac
}
changed=""
if [[ -n "${ORVEX_FUZZ_CHANGED_SINCE:-}" ]]; then
    changed=$(git diff --name-only "$ORVEX_FUZZ_CHANGED_SINCE" HEAD -- '*.cpp' '*.h' 2>/dev/null ||
        echo "tests/fuzz/unknown")
fi
target_seconds() {
    [[ -n "${ORVEX_FUZZ_CHANGED_SINCE:-}" ]] || { echo "$seconds"; return; }
    if grep -qE "$(changed_paths "$1")|ModelReader|KernelSupport|ModelFormat|LoadFailure|tests/fuzz/" \
        <<<"$changed"; then
        echo "$seconds"
    else
        echo "${ORVEX_FUZZ_BRIEF_SECONDS:-15}"
    fi
}

status=0
for target in "${targets[@]}"; do
    run_seconds=$(target_seconds "$target")
    work="$build/fuzz-corpus/$target"
    findings="$build/findings/$target"
    seeds="$build/fuzz-seeds/$target"
    mkdir -p "$work" "$findings" "$seeds"
    # A round trip reads, writes STEP and meshes for GLB: on inputs over 32 KB it manages a
    # handful of runs a minute, too few to explore anything.
    max_kb=256
    [[ $target == roundtrip ]] && max_kb=32
    for pattern in $(seed_patterns "$target"); do
        for folder in tests/fuzz/seeds tests/data "$corpus_root"; do
            [[ -d "$folder" ]] || continue
            # Files under 256 KB only: each run of a bigger one takes as long as reading it.
            find "$folder" -type f -name "$pattern" -size "-${max_kb}k" -exec cp -f {} "$seeds/" \;
        done
    done
    # A translator fault is turned into an exception by a long jump, which skips the destructors
    # of what OpenCASCADE had made so far: those leaks are by design, and LeakSanitizer's scan
    # of the deep stacks such faults leave takes longer than the time limit. The test suite
    # still checks our own code for leaks.
    leaks=1
    reads_step_or_iges=0
    [[ $target == step || $target == stepparse || $target == roundtrip || $target == iges ]] &&
        reads_step_or_iges=1
    ((reads_step_or_iges)) && leaks=0
    log="$build/fuzz-$target.log"
    echo "fuzz: $target for ${run_seconds}s ($(ls "$seeds" | wc -l) seeds)" >&2
    # -fork keeps going past a finding, so one run reports every kind it met.
    ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=$leaks" \
    "$build/bin/orvex-fuzz-$target" "$work" "$seeds" -detect_leaks=$leaks -fork=1 -ignore_crashes=1 \
        -ignore_timeouts=1 -ignore_ooms=1 -timeout=20 -rss_limit_mb=4096 -max_len=$((max_kb * 1024)) \
        -dict="tests/fuzz/$(dictionary "$target").dict" -max_total_time="$run_seconds" \
        -artifact_prefix="$findings/" >"$log" 2>&1 || true
    # A finding counts when it fails again on its own; a time-out that came from a machine
    # busy with other work does not, and is set aside with a note.
    for finding in "$findings"/*; do
        [[ -f "$finding" ]] || continue
        # libFuzzer also keeps inputs that took long but finished: worth a look, not a failure.
        if [[ $(basename "$finding") == slow-unit-* ]]; then
            mkdir -p "$findings/slow"
            mv "$finding" "$findings/slow/"
            continue
        fi
        if ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=$leaks" "$build/bin/orvex-fuzz-$target" \
            -detect_leaks=$leaks -timeout=20 -rss_limit_mb=4096 "$finding" >/dev/null 2>&1; then
            mkdir -p "$findings/unreproduced"
            mv "$finding" "$findings/unreproduced/"
            echo "fuzz: $target: $(basename "$finding") did not fail again alone; set aside" >&2
        elif [[ $(basename "$finding") == timeout-* ]] && ((reads_step_or_iges)); then
            # OpenCASCADE's STEP and IGES translators have loops that never end on some damaged
            # files, deep inside a transfer where nothing can check for them beforehand; the
            # program cuts such a read off with one line (--timeout). Kept to look at, and
            # named, but no failure: crashes and running out of memory still are.
            mkdir -p "$findings/endless"
            mv "$finding" "$findings/endless/"
            echo "fuzz: $target: $(basename "$finding") never finishes (a translator loop the" \
                "program's time limit cuts off); kept in $findings/endless" >&2
        fi
    done
    found=$(find "$findings" -maxdepth 1 -type f | wc -l)
    summary=$(grep -E "^#[0-9]+: cov: " "$log" | tail -1 || true)
    echo "fuzz: $target: ${summary:-no progress line} ; findings: $found" >&2
    ((found == 0)) || { find "$findings" -maxdepth 1 -type f >&2; status=1; }
done
exit $status
