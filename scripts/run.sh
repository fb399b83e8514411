#!/usr/bin/env bash
# Sets up and builds the program, then runs it with the given arguments; with none, it imports
# the bundled sample assembly.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# Only the program: it links the library, the kernel, the host and the plugin (the dynamic loader
# loads the plugin at start-up, and its registration runs then), so building it builds all it
# runs with. The tests, benchmarks and Python module are scripts/test.sh's to build.
ORVEX_BUILD_TARGETS=orvex-interop "$root/scripts/setup.sh" >&2
program="$root/${ORVEX_BUILD_DIR:-build}/bin/orvex-interop"
if (($# == 0)); then
    exec "$program" import "$root/examples/as1-assembly.stp"
fi
exec "$program" "$@"
