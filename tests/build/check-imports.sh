#!/usr/bin/env bash
# setup.exe and uninst.exe must import system DLLs only: no C or C++ runtime, no threading library.
#   check-imports.sh PROGRAM.EXE
set -euo pipefail
exe=$1
[ -f "$exe" ] || { echo "check-imports.sh: $exe is missing: build the Windows builds first" >&2; exit 1; }
allowed=" KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll LZ32.dll COMDLG32.dll OLE32.dll "
status=0
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
for dll in $dlls; do
  case "$allowed" in
    *" $dll "*) ;;
    *) echo "$exe imports $dll, which is not a system DLL"; status=1 ;;
  esac
done
echo "$exe imports:" $dlls
exit $status
