#!/usr/bin/env bash
# Builds every preset and runs every test: the native tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests where the
# camera's thread meets the dialog's under ThreadSanitizer, the export checks
# of both Windows builds, and the Windows tests under 64-bit Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-tsan win32 win64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== tests: win32"
ctest --preset win32
echo "== tests: win64 (under Wine)"
ctest --preset win64
echo "== tests: linux-tsan"
ctest --preset linux-tsan -j "$jobs"
echo "== tests: linux"
ctest --preset linux -j "$jobs"
