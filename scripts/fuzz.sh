#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang) and runs each for a
# bounded time: the bitmap reader, the settings file and the triplets. Each
# starts from its seeds (fuzz/corpus/NAME/ and, for the triplets, the
# sessions fuzz/triplet_seeds.py writes); a finding is kept in
# build/fuzz/findings/ and fails the run.
# usage: fuzz.sh [SECONDS per target, default 30] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp_reader_fuzz settings_fuzz triplet_fuzz)

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)" || exit 1

declare -A max_len=([bmp_reader_fuzz]=4096 [settings_fuzz]=8192 [triplet_fuzz]=4096)
work=$PWD/build/fuzz/corpus
findings=$PWD/build/fuzz/findings
mkdir -p "$findings"
python3 fuzz/triplet_seeds.py "$work/triplet_fuzz"

failed=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$target" ] && cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null
  log="build/fuzz/$target.log"
  if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20 \
       -print_final_stats=1 -artifact_prefix="$findings/$target-" "$corpus" >"$log" 2>&1; then
    echo "== fuzz $target: passed ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') inputs in ${seconds} s)"
  else
    failed=1
    echo "== fuzz $target: FAILED, finding in $findings/"
    grep -E 'ERROR|SUMMARY|^#[0-9]+ *(NEW|pulse)' "$log" | grep -v pulse | tail -n 3
    grep -A 12 'ERROR:' "$log" | head -n 20
  fi
done
exit $failed
