#!/bin/sh
# Runs the Windows test programs under 64-bit Wine and Xvfb, with the 64-bit
# MervaleTwain.ds installed where Wine's own source manager looks for it.
# usage: wine-tests.sh <MervaleTwain.ds> <output folder> <test.exe>...
set -eu
ds=$(realpath "$1")
out=$(realpath -m "$2")
shift 2
mkdir -p "$out"

WINE64=$(dpkg -L wine64 | grep '/wine64$' | head -n 1)
export WINE64
export WINEPREFIX="$out/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d"
export MERVALE_TEST_OUTPUT="Z:$out"

session="$out/session.sh"
cat > "$session" <<'SESSION'
set -u
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE64" wineboot -i >/dev/null 2>&1
  wineserver -w
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
cp "$DS" "$WINEPREFIX/drive_c/windows/twain_64/sane.ds"
rm -f "$WINEPREFIX/drive_c/twsrc.log"
status=0
for program in "$@"; do
  echo "== $(basename "$program")"
  timeout -k 10 120 "$WINE64" "$program"
  result=$?
  if [ "$result" -eq 124 ] || [ "$result" -eq 137 ]; then
    # Wine under a loaded Xvfb has, rarely, stalled a program for good; such
    # a stall is reported and the program gets one more run, while a failed
    # test fails at once.
    echo "== $(basename "$program") did not finish within 120 s: running it once more"
    wineserver -k >/dev/null 2>&1 || true
    timeout -k 10 120 "$WINE64" "$program"
    result=$?
  fi
  [ "$result" -eq 0 ] || status=1
done
wineserver -k >/dev/null 2>&1 || true
exit $status
SESSION

# A fresh prefix every run: a test that died half way (a camera left
# registered, say) must not decide the next run.
rm -rf "$WINEPREFIX"

export DS="$ds"
status=0
timeout -k 10 540 xvfb-run -a -s "-screen 0 1024x768x24" sh "$session" "$@" || status=$?
wineserver -k >/dev/null 2>&1 || true

# Screenshots are written as BMP inside Wine; keep PNG copies to look at.
for shot in "$out"/*.bmp; do
  [ -e "$shot" ] || continue
  command -v convert >/dev/null 2>&1 && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
exit $status
