#!/usr/bin/env bash
# Sets up and builds, then runs orvex-interop with the given arguments; with none, imports the
# bundled sample assembly.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" >&2
program="$root/${ORVEX_BUILD_DIR:-build}/bin/orvex-interop"
if (($# == 0)); then
    exec "$program" import "$root/examples/as1-assembly.stp"
fi
exec "$program" "$@"
