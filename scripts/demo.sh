#!/usr/bin/env bash
# The main job: builds the source and twain-acquire, then runs a whole
# session on Linux: twain-acquire opens the native source with the virtual
# document camera (the desk of scripts/demo-scene.txt) while a scripted user
# (scripts/demo-user.txt) shoots in each mode, draws a crop frame, submits
# and closes. Every picture arrives by native transfer (other options of
# twain-acquire may be given, e.g. --mech file) and is written to
# build/demo-output. The session's settings, picture folder and trace are
# kept in build/demo-work, so the user's own are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j 2 --target MervaleTwain twain-acquire

build=build/linux-release
output=build/demo-output
work=build/demo-work
rm -rf "$output" "$work"
mkdir -p "$output" "$work/tmp" "$work/config"

export TMPDIR="$PWD/$work/tmp" XDG_CONFIG_HOME="$PWD/$work/config"
# --- Parameter settings and picture preview (begin) ---
# The picture deleted in the preview goes to this session's own trash.
export XDG_DATA_HOME="$PWD/$work/data"
# --- Parameter settings and picture preview (end) ---
export MERVALE_USER_SCRIPT="${MERVALE_USER_SCRIPT:-$PWD/scripts/demo-user.txt}"
export MERVALE_SCENE="${MERVALE_SCENE:-$PWD/scripts/demo-scene.txt}"
start=$(date +%s)
timeout 120 "$build/tools/twain-acquire/twain-acquire" --source "$build/MervaleTwain.ds" --wait 30000 \
  --out "$output" "$@"
echo
echo "Demo finished in $(($(date +%s) - start)) s: $(find "$output" -name '*.bmp' | wc -l) pictures in $output"
ls -l "$output"
echo "The source's trace of this session: $TMPDIR/twsrc.log"
# --- Parameter settings and picture preview (begin) ---
echo "Deleted in the picture preview (the session's trash): $(ls "$XDG_DATA_HOME/Trash/files" 2>/dev/null | tr '\n' ' ')"
# --- Parameter settings and picture preview (end) ---

# Continuous scanning: a second session on a desk where a hand lays five
# pages one on another (scripts/demo-continuous-scene.txt). The user
# (scripts/demo-continuous-user.txt) starts the automatic scanning, which
# shoots each page once it lies still, then runs a short timed scan; the
# pictures are written to build/demo-output/continuous.
continuous="$output/continuous"
mkdir -p "$continuous"
start=$(date +%s)
MERVALE_USER_SCRIPT="$PWD/scripts/demo-continuous-user.txt" MERVALE_SCENE="$PWD/scripts/demo-continuous-scene.txt" \
  timeout 120 "$build/tools/twain-acquire/twain-acquire" --source "$build/MervaleTwain.ds" --wait 60000 \
  --out "$continuous" "$@"
echo
echo "Continuous scanning finished in $(($(date +%s) - start)) s: $(find "$continuous" -name '*.bmp' | wc -l) pictures in $continuous"
ls -l "$continuous"
