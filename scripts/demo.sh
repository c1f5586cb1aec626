#!/usr/bin/env bash
# The main job: builds the source and runs an application session against it
# with twain-acquire, printing each step.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target MervaleTwain twain-acquire

build=build/linux-release
export TMPDIR="${TMPDIR:-/tmp}"
"$build/tools/twain-acquire/twain-acquire" --source "$build/MervaleTwain.ds" --wait 500
echo "The source's trace of this session: $TMPDIR/twsrc.log"
