#!/usr/bin/env bash
# Builds the concurrency test (label "threads") with ThreadSanitizer in build-tsan/ and runs it.
# Any report ends the run with a non-zero exit code; tests/tsan.supp may list reports
# inside OpenCASCADE known to be harmless (none at present). Extra arguments go to ctest.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/${ORVEX_TSAN_BUILD_DIR:-build-tsan}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
cmake -S "$root" -B "$build" -DORVEX_TSAN=ON -DORVEX_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"${ORVEX_JOBS:-2}" --target ConcurrentImportTest
cd "$build"
ctest -L threads --output-on-failure "$@"
