#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then configures and
# builds it in build/ (not with ORVEX_SETUP_ONLY=1). Extra arguments go to CMake's configure step.
# ORVEX_BUILD_TARGETS names the targets to build, space-separated; everything when unset.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ccache pkg-config
    libocct-foundation-dev libocct-modeling-data-dev libocct-modeling-algorithms-dev
    libocct-ocaf-dev libocct-data-exchange-dev libocct-visualization-dev libtbb-dev
    libfontconfig-dev
    libglm-dev libfmt-dev libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # The import benchmark times OpenCASCADE's own STEP scanner, whose header needs flex's.
    libfl-dev
    clang libclang-rt-14-dev clang-format
    locales
    # The 3D page inlines three.js; snapshots and the page's tests draw it in headless
    # Chromium with its software OpenGL; the tests read the pictures with zlib.
    libjs-three chromium zlib1g-dev
    # The Debian package: its dependencies (dpkg-shlibdeps), and the tests of its manual page;
    # the test of batch conversion over GNU parallel, whose reports it merges with jq.
    dpkg-dev man-db parallel jq
    # The Python module: its bindings, its arrays and its tests.
    python3-dev pybind11-dev python3-numpy python3-pytest
    # The package's test checks it with lintian.
    lintian
)

# One query for all of them: a query per package takes seconds, longer than the rest of a set-up
# with nothing to do. A package the database does not know is not listed.
declare -A installed=()
while read -r package status; do
    if [[ "$status" == "install ok installed" ]]; then
        installed[$package]=1
    fi
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for package in "${packages[@]}"; do
    [[ -n "${installed[$package]:-}" ]] || missing+=("$package")
done

as_root() {
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    else
        command -v sudo >/dev/null || { echo "setup: need root or sudo for: $*" >&2; exit 1; }
        sudo "$@"
    fi
}

if ((${#missing[@]} > 0)); then
    echo "setup: installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -qq
    as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A decimal-comma locale, so that the tests can show numbers are read the same under it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

[[ -z "${ORVEX_SETUP_ONLY:-}" ]] || exit 0

build_dir=${ORVEX_BUILD_DIR:-build}
build_type=${ORVEX_BUILD_TYPE:-RelWithDebInfo}
# A folder configured before with the same build type and no new options is configured again by
# the build itself when a CMakeLists.txt changes; configuring it here would only cost seconds.
cached_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
if (($# > 0)) || [[ "$cached_type" != "$build_type" ]]; then
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" "$@" >/dev/null
fi
read -r -a targets <<<"${ORVEX_BUILD_TARGETS:-all}"
cmake --build "$build_dir" -j2 --target "${targets[@]}"
