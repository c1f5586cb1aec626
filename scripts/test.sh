#!/usr/bin/env bash
# Builds every preset and runs every test group: the formatting check, the
# native tests under AddressSanitizer and UndefinedBehaviorSanitizer, the
# tests where the camera's thread meets the dialog's under ThreadSanitizer,
# the optimised build's tests, the export checks of both Windows builds, each
# Windows test program under 64-bit Wine and Xvfb, the TWAIN working group's
# certification program against the Linux build (through the working group's
# source manager, as published: no events passed), and the fuzz targets for
# a bounded time. Every group runs and reports even when another fails; the
# last line counts the test cases of all groups, and the command fails when
# any group failed.
# usage: test.sh [FUZZ SECONDS per target, default 30]
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

jobs=$(nproc)
fuzz_seconds=${1:-30}
logs=build/test-logs
mkdir -p "$logs"
summary=()
total_passed=0
total_failed=0

# report GROUP PASSED FAILED [NOTE]
report() {
  local line
  line=$(printf '%-24s %5d passed, %3d failed' "$1" "$2" "$3")
  [ $# -ge 4 ] && line="$line  ($4)"
  summary+=("$line")
  echo "== $line"
  total_passed=$((total_passed + $2))
  total_failed=$((total_failed + $3))
}

# Shows what a failed group printed, for the reader of a CI log.
show_failure() {
  echo "---- $1 (last lines of $2)"
  tail -n 150 "$2"
  echo "----"
}

format_check() {
  local log=$logs/format.log
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror >"$log" 2>&1
  local status=$?
  if [ $status -eq 0 ]; then
    report format 1 0
  else
    show_failure "clang-format" "$log"
    report format 0 1 "run clang-format -i on the files named"
  fi
}

# build PRESET: configures and builds; a failed build is one failed case.
build() {
  local log=$logs/build-$1.log
  echo "== build $1"
  if cmake --preset "$1" >"$log" 2>&1 && cmake --build --preset "$1" -j "$jobs" >>"$log" 2>&1; then
    return 0
  fi
  show_failure "build $1" "$log"
  report "build $1" 0 1 "build failed, its tests did not run"
  return 1
}

# ctest_group NAME PRESET [ctest options]: every CTest test is a case.
ctest_group() {
  local name=$1 preset=$2
  shift 2
  local log=$logs/tests-$name.log
  echo "== tests: $name"
  ctest --preset "$preset" "$@" >"$log" 2>&1
  local status=$?
  local counts failed total
  counts=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$counts" ]; then
    show_failure "$name" "$log"
    report "$name" 0 1 "ctest ended without a result"
    return
  fi
  failed=$(echo "$counts" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  total=$(echo "$counts" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
  [ $status -eq 0 ] || show_failure "$name" "$log"
  report "$name" $((total - failed)) "$failed"
}

# The Wine programs hold many test cases each; they are counted from the
# programs' own output, and a program that died without naming its failed
# cases counts as one failed case.
wine_group() {
  local log=$logs/tests-win64.log
  echo "== tests: win64 (under Wine)"
  ctest --preset win64 --verbose >"$log" 2>&1
  local status=$?
  local passed failed programs_failed
  passed=$(grep -cE '\[       OK \] ' "$log")
  failed=$(grep -cE '\[  FAILED  \] [^ ]+\.[^ ]+ \(' "$log")
  programs_failed=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 | sed -E 's/.* ([0-9]+) tests failed out of.*/\1/')
  programs_failed=${programs_failed:-1}
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=$programs_failed; fi
  [ $status -eq 0 ] || show_failure "win64" "$log"
  grep -E 'tests failed out of|Test +#' "$log" | grep -E 'Passed|Failed|Timeout|Not Run|tests failed' | sed 's/^/   /'
  for stall in build/win64/wine-output/stalled-*.txt; do
    [ -e "$stall" ] && echo "   rerun after a stall: $(cat "$stall")"
  done
  # The export check and the fixture steps count as cases too.
  local others
  others=$(grep -E 'Test +#[0-9]+: (ds_exports_and_imports|wine_prefix|wine_finish) .*Passed' "$log" | grep -c .)
  report "win64 (Wine)" $((passed + others)) "$failed"
}

# The working group's certification suite lies beside the checkout, in
# shared/peers, or beside the repository it was cloned from; each of its
# tests is a case.
certification_group() {
  local log=$logs/certification.log
  local peers=../shared/peers
  local origin
  origin=$(git config --get remote.origin.url 2>/dev/null || true)
  if [ ! -d "$peers" ] && [ -n "$origin" ] && [ -d "$origin/../shared/peers" ]; then
    peers=$origin/../shared/peers
  fi
  echo "== certification (CERT_EVENT_PUMP=0)"
  if [ ! -x "$peers/cert/run.sh" ]; then
    echo "   no certification program in $peers"
    report certification 0 1 "shared/peers is missing"
    return
  fi
  rm -rf build/cert
  CERT_EVENT_PUMP=0 "$peers/cert/run.sh" build/linux-release "$peers/sources" build/cert >"$log" 2>&1
  local status=$?
  local counts passed failed
  counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  passed=$(echo "$counts" | sed -E 's/^([0-9]+) passed.*/\1/')
  failed=$(echo "$counts" | sed -E 's/^[0-9]+ passed, ([0-9]+) failed.*/\1/')
  # A run in which no test ran (no driver found, say) is a failure too.
  if [ -z "$counts" ] || [ "$passed" -eq 0 ]; then
    passed=0
    [ "$failed" -gt 0 ] 2>/dev/null || failed=1
  fi
  grep -E '^FAIL' -A 3 "$log" | sed 's/^/   /'
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
  [ "$status" -eq 0 ] || show_failure "certification" "$log"
  report certification "$passed" "$failed"
}

fuzz_group() {
  local log=$logs/fuzz.log
  echo "== fuzz ($fuzz_seconds s a target)"
  scripts/fuzz.sh "$fuzz_seconds" >"$log" 2>&1
  grep '^== fuzz' "$log" | sed 's/^/   /'
  local passed failed
  passed=$(grep -c '^== fuzz .*: passed' "$log")
  failed=$(grep -c '^== fuzz .*: FAILED' "$log")
  if [ "$passed" -eq 0 ] && [ "$failed" -eq 0 ]; then
    show_failure "fuzz" "$log"
    failed=1
  elif [ "$failed" -ne 0 ]; then
    show_failure "fuzz" "$log"
  fi
  report fuzz "$passed" "$failed"
}

format_check

build linux && ctest_group "linux (ASan, UBSan)" linux -j "$jobs"
build linux-tsan && ctest_group "linux-tsan (TSan)" linux-tsan -j "$jobs"
if build linux-release; then
  ctest_group "linux-release" linux-release -j "$jobs"
  certification_group
fi
build win32 && ctest_group "win32" win32
build win64 && wine_group
fuzz_group

echo
echo "== summary"
for line in "${summary[@]}"; do echo "   $line"; done
echo "tests: $total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
