#!/usr/bin/env bash
# Makes the Debian package from a build folder, checks it with lintian, unpacks it into a
# scratch root, and uses what it installed: the program on a STEP file, its manual page, its bash
# completion, and the CMake package, through which consumer programs are built and run.
# Arguments: the build folder, the consumers' source folder, the STEP file, and compiler flags
# the build's libraries need (a sanitizer), possibly empty.
set -euo pipefail
build=$1 source=$2 file=$3 flags=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/deb/*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"

# Debian's own checks: any error fails (warnings the package keeps are listed in the README).
if command -v lintian >/dev/null; then
    status=0
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
    grep -v "running with root privileges" "$work/lintian.log" || true
    [[ $status -eq 0 ]] || fail "lintian finds errors"
else
    echo "package: lintian is not installed; not checking the package with it"
fi

# What it holds: the program, the libraries in the multiarch folder, the headers of the plugin,
# the host and Orvex.Api, the CMake package, the manual, the completion, the copyright and the
# changelog; three.js comes from libjs-three.
libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in usr/bin/orvex-interop $libdir/libOrvex.Host.so $libdir/libOrvex.Interop.Kernel.so \
    $libdir/libOrvex.Interop.Data.so $libdir/libOrvex.Api.so usr/include/orvex/XdeDocument.h \
    usr/include/orvex/orvex.h usr/include/orvex/host/Data/Kernel/Document.h \
    $libdir/cmake/OrvexInteropData/OrvexInteropDataConfig.cmake \
    usr/share/man/man1/orvex-interop.1.gz usr/share/bash-completion/completions/orvex-interop \
    usr/share/doc/orvex-interop/copyright usr/share/doc/orvex-interop/changelog.Debian.gz; do
    grep -qx "./$path" <<<"$contents" || fail "$path is not in the package"
done
! grep -q "^\./usr/lib/libOrvex" <<<"$contents" || fail "libraries outside $libdir"
# The Python module, when the build has it.
if [[ -d $build/python/orvex ]]; then
    for path in __init__.py __init__.pyi py.typed; do
        grep -qx "./usr/lib/python3/dist-packages/orvex/$path" <<<"$contents" ||
            fail "the Python module's $path is not in the package"
    done
    grep -q "^\./usr/lib/python3/dist-packages/orvex/_orvex\..*\.so$" <<<"$contents" ||
        fail "the compiled Python module is not in the package"
fi
! grep -qi "three" <<<"$contents" || fail "three.js is copied into the package"
# The packages it depends on, without their versions.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for package in libjs-three python3 python3-numpy libocct-data-exchange-7.6 libocct-foundation-7.6 \
    libfmt9; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package:" $depends
done
[[ $(dpkg-deb -f "$deb" Recommends) == chromium ]] || fail "chromium is not recommended"
# The changelog's latest entry is this version.
version=$(dpkg-deb -f "$deb" Version)
[[ $(gzip -dc "$root/usr/share/doc/orvex-interop/changelog.Debian.gz" | sed -n 1p) == \
    "orvex-interop ($version) "* ]] || fail "the changelog does not start at $version"

# The installed program, and the page it writes with the system's three.js.
# The scratch root is not where the loader looks for libraries, and nothing installed carries
# an RPATH.
export LD_LIBRARY_PATH=$root/$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
program=$root/usr/bin/orvex-interop
export ASAN_OPTIONS=detect_leaks=0
"$program" --version | grep -qx "${version%-*}" || fail "--version is not the package's"
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

# The Python module, as python3 imports it from the package.
if [[ -d $build/python/orvex ]]; then
    parts=$(PYTHONPATH=$root/usr/lib/python3/dist-packages python3 -c \
        'import orvex, sys; print(len(orvex.read(sys.argv[1]).parts))' "$file")
    [[ $parts -gt 0 ]] || fail "the packaged Python module reads no parts"
fi

# Completion: the verbs after the program's name, the verb's options after '-', past global
# options and their values.
completions() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1));
             _orvex_interop; printf "%s\n" "${COMPREPLY[@]}"' \
        completion "$root/usr/share/bash-completion/completions/orvex-interop" "$@"
}
verbs=$(completions orvex-interop "")
[[ $(wc -l <<<"$verbs") -eq 17 ]] || fail "completion lacks verbs: $verbs"
[[ $(completions orvex-interop --timeout 5 con) == convert ]] || fail "'con' does not complete"
options=$(completions orvex-interop -v convert --)
grep -qx -- "--shard" <<<"$options" || fail "convert's options do not complete: $options"
! grep -qx -- "--select" <<<"$options" || fail "export's options complete for convert"
[[ $(completions orvex-interop --m) == --max-memory ]] || fail "global options do not complete"

# Programs outside the tree, built against the installed CMake package.
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
# Orvex.Api: the sample read twice compares equal.
output=$("$work/build/compare" "$file" "$file")
echo "$output"
grep -Eq "^parts [1-9]" <<<"$output"
grep -qx "equal true" <<<"$output"
