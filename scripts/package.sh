#!/usr/bin/env bash
# Makes the Debian package orvex-interop_VERSION-REVISION_ARCH.deb in OUTDIR: the program, its
# shared libraries in the multiarch folder, their headers and CMake package, the Python module,
# the manual page, the bash completion, the copyright file and the changelog. Installs what the
# build needs (scripts/setup.sh), builds without the tests for the prefix /usr in build-package/
# (ORVEX_BUILD_DIR to change it), and packs with CPack.
#     scripts/package.sh OUTDIR
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: scripts/package.sh OUTDIR" >&2; exit 1; }
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
[[ -w $out ]] || { echo "package: cannot write to $out" >&2; exit 1; }
build_dir=${ORVEX_BUILD_DIR:-build-package}
export ORVEX_BUILD_DIR=$build_dir
"$root/scripts/setup.sh" -DORVEX_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
cd "$root/$build_dir"
cpack -G DEB -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
ls "$out"/orvex-interop_*.deb
