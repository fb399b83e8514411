#!/usr/bin/env bash
# Writes what the program prints for every corpus file, one file per verb and input, so that two
# builds can be compared byte for byte (diff -r) before and after a change that must not alter
# behaviour:
#
#   scripts/output-snapshot.sh build/bin/orvex-interop /tmp/before
#   ... change, build ...
#   scripts/output-snapshot.sh build/bin/orvex-interop /tmp/after
#   diff -r /tmp/before /tmp/after
#
# Each output holds the exit code, standard output and standard error of `import --json`,
# `xde --json`, `scene --json` or `linetypes --json`; for STEP and IGES files also of `check`,
# `compare` of the file with itself, `export --verify` to STEP and to GLB, and `convert` of
# the file to STL. CORPUS defaults to ../shared/corpus beside the checkout.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 PROGRAM OUTDIR" >&2
    exit 2
fi
program=$(realpath "$1")
out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${CORPUS:-$root/../shared/corpus}
if [[ ! -d $corpus ]]; then
    echo "$0: no corpus at $corpus" >&2
    exit 2
fi
mkdir -p "$out"

# One verb on one file; the record is named after the file's place in the corpus.
record() {
    local verb=$1 file=$2
    local name=${file#"$corpus"/}
    local target="$out/${name//\//_}.$verb"
    {
        set +e
        (cd "$corpus" && timeout 300 "$program" --timeout 240 "$verb" --json "$name" 2>&1)
        echo "exit $?"
    } >"$target"
}

# A verb that writes, run in a folder of its own so that the paths it prints are the same in
# every snapshot; `convert`'s times are not.
written() {
    local verb=$1 file=$2
    shift 2
    local name=${file#"$corpus"/}
    local target="$out/${name//\//_}.$verb-$(echo "$*" | tr -c 'a-z0-9' '-')"
    local work
    work=$(mktemp -d)
    mkdir "$work/converted"
    {
        set +e
        (cd "$work" && timeout 300 "$program" --timeout 240 "$verb" "$file" "$@" 2>&1 |
            sed -e "s|$corpus|CORPUS|g" -e "s|$work|WORK|g" -e 's/[0-9]*\.[0-9][0-9] s/T s/')
        echo "exit ${PIPESTATUS[0]}"
    } >"$target"
    rm -rf "$work"
}

while IFS= read -r -d '' file; do
    case ${file,,} in
    *.stp | *.step | *.igs | *.iges)
        record import "$file"
        record xde "$file"
        written check "$file"
        written compare "$file" "$file"
        written export "$file" out.stp --verify
        written export "$file" out.glb --verify
        written convert "$file" --format stl --out converted
        ;;
    *.wrl | *.vrml) record scene "$file" ;;
    *.lin) record linetypes "$file" ;;
    esac
done < <(find "$corpus" -type f -print0 | sort -z)
echo "$(find "$out" -type f | wc -l) outputs in $out"
