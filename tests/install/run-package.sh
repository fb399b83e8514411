#!/usr/bin/env bash
# Makes the Debian package from a build folder, unpacks it into a scratch root, and uses what
# it installed: the program on a STEP file, its manual page, its bash completion, and the CMake
# package, through which a consumer program is built and run. Arguments: the build folder, the
# consumer's source folder, the STEP file, and compiler flags the build's libraries need (a
# sanitizer), possibly empty.
set -euo pipefail
build=$1 source=$2 file=$3 flags=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/deb/*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"

# What it holds: the program, the three libraries, both sets of headers, the CMake package, the
# manual and the completion; three.js comes from libjs-three.
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in usr/bin/orvex-interop usr/lib/libOrvex.Host.so usr/lib/libOrvex.Interop.Kernel.so \
    usr/lib/libOrvex.Interop.Data.so usr/include/orvex/XdeDocument.h \
    usr/include/orvex/host/Data/Kernel/Document.h \
    usr/lib/cmake/OrvexInteropData/OrvexInteropDataConfig.cmake \
    usr/share/man/man1/orvex-interop.1.gz usr/share/bash-completion/completions/orvex-interop; do
    grep -qx "./$path" <<<"$contents" || fail "$path is not in the package"
done
! grep -qi "three" <<<"$contents" || fail "three.js is copied into the package"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libjs-three libocct-data-exchange-7.6 libocct-foundation-7.6 libfmt9; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == chromium ]] || fail "chromium is not recommended"

# The installed program, and the page it writes with the system's three.js.
program=$root/usr/bin/orvex-interop
export ASAN_OPTIONS=detect_leaks=0
"$program" --version | grep -qx "$(dpkg-deb -f "$deb" Version)" || fail "--version is not the package's"
"$program" import "$file" | grep -q "^Summary: 3 AssemblyElement" || fail "the installed program does not import"
"$program" view "$file" -o "$work/page.html" >/dev/null
grep -q "WebGLRenderer" "$work/page.html" || fail "the page lacks three.js"

# The manual, as man shows it: every verb, and the options of one.
manual=$(MANWIDTH=100 man -l "$root/usr/share/man/man1/orvex-interop.1.gz" 2>&1)
for words in "ORVEX-INTEROP(1)" "orvex-interop convert [OPTIONS] [FILE]..." "--shard K/N" \
    "--from-list LIST" "EXIT STATUS"; do
    grep -qF -- "$words" <<<"$manual" || fail "the manual lacks '$words'"
done
[[ $(grep -cE "^   [a-z-]+$" <<<"$manual") -eq $("$program" --help | sed -n '/^Subcommands:/,$p' |
    grep -cE "^  [a-z-]+ ") ]] || fail "the manual does not have a section for every verb"

# Completion: the verbs after the program's name, the verb's options after '-', past global
# options and their values.
completions() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1));
             _orvex_interop; printf "%s\n" "${COMPREPLY[@]}"' \
        completion "$root/usr/share/bash-completion/completions/orvex-interop" "$@"
}
verbs=$(completions orvex-interop "")
[[ $(wc -l <<<"$verbs") -eq 16 ]] || fail "completion lacks verbs: $verbs"
[[ $(completions orvex-interop --timeout 5 con) == convert ]] || fail "'con' does not complete"
options=$(completions orvex-interop -v convert --)
grep -qx -- "--shard" <<<"$options" || fail "convert's options do not complete: $options"
! grep -qx -- "--select" <<<"$options" || fail "export's options complete for convert"
[[ $(completions orvex-interop --m) == --max-memory ]] || fail "global options do not complete"

# A program outside the tree, built against the installed CMake package.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$root/usr" "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/build" >/dev/null
output=$("$work/build/consumer" "$file")
echo "$output"
# The sample assembly: one free shape, its assemblies and the references that place its parts.
grep -qx "free shapes 1" <<<"$output"
grep -Eq "^assemblies [1-9]" <<<"$output"
grep -Eq "^references [1-9]" <<<"$output"
