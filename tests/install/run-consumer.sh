#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds the consumer program against the installed
# package with find_package, and runs it on a STEP file. Arguments: the build folder, the
# consumer's source folder, the STEP file, and compiler flags the build's libraries need (a
# sanitizer), possibly empty.
set -euo pipefail
build=$1 source=$2 file=$3 flags=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/build" >/dev/null
output=$("$work/build/consumer" "$file")
echo "$output"
# The sample assembly: one free shape, its assemblies and the references that place its parts.
grep -qx "free shapes 1" <<<"$output"
grep -Eq "^assemblies [1-9]" <<<"$output"
grep -Eq "^references [1-9]" <<<"$output"
