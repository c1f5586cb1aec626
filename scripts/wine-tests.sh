#!/bin/sh
# Runs the Windows test programs under 64-bit Wine and Xvfb, with the 64-bit
# MervaleTwain.ds installed where Wine's own source manager looks for it.
# Each program is a test of its own; they share one Wine prefix:
#   wine-tests.sh prefix OUT               a fresh prefix in OUT/prefix
#   wine-tests.sh run OUT DS PROGRAM.exe   one program, on an X server of its own
#   wine-tests.sh finish OUT               stops Wine, keeps PNG copies of the screenshots
set -u
command=$1
out=$(realpath -m "$2")
# Debian's wine64 puts neither loader nor server on PATH: both are called directly.
WINE64=$(dpkg -L wine64 | grep '/wine64$' | head -n 1)
WINESERVER=$(dpkg -L wine64 | grep '/wineserver64$' | head -n 1)
export WINE64 WINESERVER
export WINEPREFIX="$out/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d"
export MERVALE_TEST_OUTPUT="Z:$out"
limit=120

case "$command" in
  prefix)
    # A fresh prefix every run: a test that died half way (a camera left
    # registered, say) must not decide the next run.
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX" "$out"/stalled-*.txt
    mkdir -p "$out"
    timeout -k 10 240 xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
      "$WINE64" wineboot -i >/dev/null 2>&1
      "$WINESERVER" -w
      "$WINE64" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
      "$WINESERVER" -w'
    [ -f "$WINEPREFIX/system.reg" ]
    ;;
  run)
    ds=$(realpath "$3")
    program=$4
    name=$(basename "$program" .exe)
    cp "$ds" "$WINEPREFIX/drive_c/windows/twain_64/sane.ds" || exit 1
    rm -f "$WINEPREFIX/drive_c/twsrc.log"
    attempt() {
      timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" sh -c '"$WINE64" "$1"; status=$?; "$WINESERVER" -k >/dev/null 2>&1; exit $status' sh "$program"
    }
    attempt
    result=$?
    if [ "$result" -eq 124 ] || [ "$result" -eq 137 ]; then
      # Wine under a loaded Xvfb has, rarely, stalled a program for good; such
      # a stall is reported (and listed by the test command) and the program
      # gets one more run, while a failed test fails at once.
      echo "== $name did not finish within $limit s: running it once more"
      echo "$name stalled after $limit s and was run once more" > "$out/stalled-$name.txt"
      "$WINESERVER" -k >/dev/null 2>&1 || true
      attempt
      result=$?
    fi
    "$WINESERVER" -k >/dev/null 2>&1 || true
    exit $result
    ;;
  finish)
    "$WINESERVER" -k >/dev/null 2>&1 || true
    # Screenshots are written as BMP inside Wine; keep PNG copies to look at.
    for shot in "$out"/*.bmp; do
      [ -e "$shot" ] || continue
      command -v convert >/dev/null 2>&1 && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
    done
    exit 0
    ;;
  *)
    echo "usage: wine-tests.sh prefix OUT | run OUT DS PROGRAM | finish OUT" >&2
    exit 2
    ;;
esac
