#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds the consumer program against the installed
# package with find_package, and runs it on a STEP file. Arguments: the build folder, the
# consumer's source folder, the STEP file.
set -euo pipefail
build=$1 source=$2 file=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" "${launcher[@]}" >/dev/null
cmake --build "$work/build" >/dev/null
output=$("$work/build/consumer" "$file")
echo "$output"
# The sample assembly: one free shape, its assemblies and the references that place its parts.
grep -qx "free shapes 1" <<<"$output"
grep -Eq "^assemblies [1-9]" <<<"$output"
grep -Eq "^references [1-9]" <<<"$output"
