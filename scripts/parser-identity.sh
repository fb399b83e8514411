#!/usr/bin/env bash
# The kernel's STEP parse against OpenCASCADE's on real files: every .stp/.step file below the
# folders given is imported with `import --json`, once with the kernel's parse and once with
# `--stock-parser`, and the two documents must be byte-identical. With BASELINE set to another
# build's program, the kernel's parse must also give the document that program gives (the same
# output before and after a change). Prints each file that differs and a count; exits 1 when one
# does. Not part of CI: the files it is meant for are not in the repository.
#
#   scripts/parser-identity.sh /tmp/sweep/step ../shared/corpus
#   BASELINE=/tmp/main-build/bin/orvex-interop scripts/parser-identity.sh DIR
#   JOBS=1 TIMEOUT=600 PROGRAM=build-bench/bin/orvex-interop scripts/parser-identity.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ $# -lt 1 ]]; then
    echo "usage: $0 FOLDER..." >&2
    exit 2
fi
program=${PROGRAM:-$root/build/bin/orvex-interop}
baseline=${BASELINE:-}
jobs=${JOBS:-2}
timeout=${TIMEOUT:-300}
[[ -x $program ]] || { echo "$0: no program at $program" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export program baseline timeout out

# One file: "same", or what differs. A file both parses refuse the same way counts as the same.
compare_file() {
    local file=$1 name
    name=$(printf '%s' "$file" | md5sum | cut -c1-16)
    timeout "$timeout" "$program" import --json "$file" >"$out/$name.ours" 2>/dev/null || true
    timeout "$timeout" "$program" import --json --stock-parser "$file" >"$out/$name.stock" \
        2>/dev/null || true
    local verdict=same
    cmp -s "$out/$name.ours" "$out/$name.stock" || verdict="differs from --stock-parser"
    if [[ -n $baseline ]]; then
        timeout "$timeout" "$baseline" import --json "$file" >"$out/$name.base" 2>/dev/null || true
        if ! cmp -s "$out/$name.ours" "$out/$name.base"; then
            [[ $verdict == same ]] && verdict="differs" || verdict="$verdict,"
            verdict="$verdict from the baseline"
        fi
    fi
    [[ -s $out/$name.ours ]] || verdict="$verdict (no document)"
    echo "$verdict	$file"
    rm -f "$out/$name".*
}
export -f compare_file

for folder in "$@"; do
    find "$(realpath "$folder")" -type f \( -iname '*.stp' -o -iname '*.step' \)
done | sort | xargs -d '\n' -P "$jobs" -I{} bash -c 'compare_file "$1"' _ {} >"$out/verdicts"

files=$(wc -l <"$out/verdicts")
empty=$(grep -c '(no document)' "$out/verdicts" || true)
differing=$(grep -vc '^same' "$out/verdicts" || true)
grep -v '^same' "$out/verdicts" || true
echo "$files files, $differing differ, $empty without a document on both sides"
[[ $differing -eq 0 ]]
