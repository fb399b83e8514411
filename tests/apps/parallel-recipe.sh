#!/usr/bin/env bash
# Runs the README's GNU parallel recipe for converting over many machines, with two local job
# slots in place of the three machines, on STEP files from the given folders, and checks the
# merged report: the three shards, every file once, no output written twice.
# Arguments: the README, the folder of the program, then folders of STEP files.
set -euo pipefail
readme=$1 bin=$(cd "$2" && pwd)
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "parallel recipe: $*" >&2; exit 1; }

mkdir "$work/vault"
for folder in "$@"; do
    [[ -d $folder ]] && find "$folder" -maxdepth 1 -iname '*.st*p' -exec cp -t "$work/vault" {} +
done
[[ -n $(ls "$work/vault") ]] || fail "no STEP files in $*"

recipe=$(sed -n '/^<!-- parallel-recipe -->$/,/^<!-- parallel-recipe -->$/p' "$readme" |
    grep -v -e '^<!--' -e '^```')
grep -q -- "--sshlogin 1/alpha,1/beta,1/gamma" <<<"$recipe" || fail "the README's recipe changed"
recipe=${recipe//--sshlogin 1\/alpha,1\/beta,1\/gamma/--sshlogin 2\/:}
echo "$recipe"
cd "$work"
export PATH="$bin:$PATH"
status=0
bash -euo pipefail -c "$recipe" || status=$?

inputs=$(sort list.txt)
[[ $(jq -c .shards report.json) == "[1,2,3]" ]] || fail "shards $(jq -c .shards report.json)"
[[ $(jq -r '.files[].input' report.json | sort) == "$inputs" ]] ||
    fail "the shards' files are not the list, each once"
[[ $(jq '.ok + .failed' report.json) -eq $(wc -l <list.txt) ]] || fail "the counts do not add up"
ok=$(jq -r '.files[] | select(.status == "ok") | .output' report.json | sort)
[[ -n $ok && -z $(uniq -d <<<"$ok") ]] || fail "an output was written twice, or none was"
while read -r output; do [[ -s $output ]] || fail "$output is missing"; done <<<"$ok"
[[ $(ls meshes | wc -l) -eq $(wc -l <<<"$ok") ]] || fail "meshes/ holds files no report names"
# parallel's exit code counts the shards where some file failed.
failed=$(jq .failed report.json)
((failed > 0 ? status >= 1 && status <= 3 : status == 0)) || fail "parallel exited $status"
echo "$(jq .ok report.json) converted, $(jq .failed report.json) failed in 3 shards"
