#!/usr/bin/env bash
# Sets up and builds everything, the tests with it (scripts/run.sh builds only the program), then
# runs every test; exits non-zero when any fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
ORVEX_BUILD_TARGETS=all "$root/scripts/setup.sh"
cd "$root/${ORVEX_BUILD_DIR:-build}"
ctest --output-on-failure -j2 "$@"
