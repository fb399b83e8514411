#!/usr/bin/env bash
# Round trips over a folder of real STEP and IGES files: each file is imported, exported to STEP
# and compared with what was written, and exported to GLB. Prints a table of what differs,
# grouped by kind, with the files of each, and one line of figures. Not part of CI: the files it
# is meant for (OCCT's test data, restored by ../shared/sweep/restore.sh) are not in the
# repository.
#
#   scripts/sweep.sh /tmp/sweep                # every .stp/.step/.igs/.iges below it, any case
#   JOBS=1 TIMEOUT=600 scripts/sweep.sh DIR    # one file at a time, ten minutes a step
#   OUT=/tmp/runs scripts/sweep.sh DIR         # where the outputs and records stay
#   SWEEP_KEEP=1 ...                           # reuse the records a previous run left in OUT
#
# A round trip counts as equal when compare finds nothing, or only what the export's own
# warnings name (loose faces it puts into shells, edges without an end it leaves out). Each
# written STEP file is also read by OpenCASCADE's own reader, which must find the same leaves,
# assemblies and names as in the file read. Each file's record (exit codes, warnings, compare's
# JSON) stays in OUT/records for a closer look.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ $# -ne 1 || ! -d $1 ]]; then
    echo "usage: $0 FOLDER" >&2
    exit 2
fi
folder=$(realpath "$1")
program=${PROGRAM:-$root/build/bin/orvex-interop}
out=${OUT:-/tmp/orvex-sweep}
jobs=${JOBS:-2}
timeout=${TIMEOUT:-300}
[[ -x $program ]] || { echo "$0: no program at $program; run scripts/setup.sh" >&2; exit 2; }

[[ -n ${SWEEP_KEEP:-} ]] || rm -rf "$out/records" "$out/written"
mkdir -p "$out/records" "$out/written"
export program out timeout

# One step of one file: its exit code, then what it printed, into the file's record folder.
# The program gets the time limit itself, so that it fails with its own message; `timeout`
# stops it if that does not work.
step() {
    local record=$1 name=$2
    shift 2
    set +e
    timeout --kill-after=10 $((timeout + 30)) "$program" --timeout "$timeout" "$@" \
        >"$record/$name.out" 2>"$record/$name.err"
    echo $? >"$record/$name.code"
    set -e
}

# Every step of one file; a record that is already whole (SWEEP_KEEP) is left as it is.
sweep_file() {
    local file=$1
    local key=${file//\//_}
    local record="$out/records/$key" written="$out/written/$key"
    [[ -f $record/done ]] && return 0
    rm -rf "$record" && mkdir -p "$record"
    echo "$file" >"$record/file"
    step "$record" import import --json "$file"
    if [[ $(cat "$record/import.code") == 0 ]]; then
        step "$record" step export "$file" "$written.stp"
        if [[ $(cat "$record/step.code") == 0 ]]; then
            step "$record" compare compare --json "$file" "$written.stp"
            # What OpenCASCADE itself makes of a STEP file written, beside what it makes of the
            # file read.
            case ${file,,} in
            *.stp | *.step)
                step "$record" stock import --json --stock-reader --stock-parser "$written.stp"
                step "$record" stock-original import --json --stock-reader --stock-parser "$file"
                ;;
            esac
        fi
        step "$record" glb export "$file" "$written.glb"
        rm -f "$written.stp" "$written.glb"
    fi
    touch "$record/done"
}
export -f step sweep_file

find "$folder" -type f \( -iname '*.stp' -o -iname '*.step' -o -iname '*.igs' -o -iname '*.iges' \) |
    sort | xargs -d '\n' -P "$jobs" -I{} bash -c 'sweep_file "$1"' _ {}

/usr/bin/python3 "$root/scripts/sweep_table.py" "$out/records" "$folder"
