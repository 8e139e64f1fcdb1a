#!/usr/bin/env bash
# Fails unless every DLL in the import table of the given binary is a DLL of Windows itself.
set -eu
objdump=$1; bin=$2
allowed=' kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll oleaut32.dll
 crypt32.dll wldap32.dll comctl32.dll comdlg32.dll msimg32.dll msvcrt.dll uxtheme.dll version.dll '
names=$("$objdump" -p "$bin" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr -d '\r')
[ -n "$names" ] || { echo "no import table found in $bin"; exit 1; }
bad=0
for n in $names; do
  case " $(echo $allowed) " in
    *" $n "*) echo "ok      $n" ;;
    *) echo "FOREIGN $n"; bad=1 ;;
  esac
done
exit $bad
