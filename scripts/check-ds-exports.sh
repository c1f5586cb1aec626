#!/bin/sh
# Checks a Windows build of the source: it exports exactly DS_Entry, and it
# imports nothing but Windows' own DLLs (the C++ runtime is linked in).
# usage: check-ds-exports.sh <objdump> <MervaleTwain.ds>
set -eu
objdump=$1
ds=$2
table=$("$objdump" -p "$ds")

exports=$(printf '%s\n' "$table" | awk '/\[Ordinal\/Name Pointer\] Table/ {inside = 1; next}
                                        inside && /^[ \t]*\[/ {print $NF; next}
                                        inside {inside = 0}')
if [ "$exports" != "DS_Entry" ]; then
  echo "exports are not exactly DS_Entry:"; printf '%s\n' "$exports"
  exit 1
fi

windows_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll 
 quartz.dll shell32.dll shlwapi.dll user32.dll windowscodecs.dll ws2_32.dll "
status=0
for dll in $(printf '%s\n' "$table" | awk '/DLL Name:/ {print tolower($3)}'); do
  case "$windows_dlls" in
    *" $dll "*) ;;
    *) echo "imports a DLL outside Windows' own: $dll"; status=1 ;;
  esac
done
[ $status -eq 0 ] && echo "DS_Entry is the only export; imports are Windows' own"
exit $status
