#!/usr/bin/env bash
# Sets up and builds, then runs every test; exits non-zero when any fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cd "$root/${ORVEX_BUILD_DIR:-build}"
ctest --output-on-failure -j2 "$@"
