#!/usr/bin/env bash
# The installer end to end in a fresh 64-bit Wine prefix: builds it from both DLLs, installs
# silently, checks files and registration in both registry views, uninstalls silently and
# checks that everything is gone.
#   run.sh <32-bit ZoZedivAza.dll> <64-bit ZoZedivAza.dll>     exit 0: passed, 1: failed
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 DLL32 DLL64" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
dll32=$(realpath "$1"); dll64=$(realpath "$2")

work=$(mktemp -d /tmp/zoz-installer.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all LC_ALL=${LC_ALL:-zh_CN.UTF-8} WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

failures=0
check() {  # check <description> <command...>
  local what=$1; shift
  if "$@"; then echo "ok      $what"; else echo "FAILED  $what"; failures=$((failures + 1)); fi
}

clsid='{42791A05-C1D7-40E4-BBBC-81C70ED92BBA}'
libid='{B16200A8-F2FC-4A74-81B0-4ED9B7CF61CD}'
uninst='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZoZedivAza'
instdir='C:\Program Files\ZoZedivAza'
unixdir=$WINEPREFIX/drive_c/Program\ Files/ZoZedivAza

# reg_value <key> <view 32|64> [value name]: prints the value's data, fails if missing.
reg_value() {
  local out
  if [ $# -ge 3 ]; then out=$(wine reg query "$1" /v "$3" "/reg:$2" 2>/dev/null | tr -d '\r')
  else out=$(wine reg query "$1" /ve "/reg:$2" 2>/dev/null | tr -d '\r'); fi
  [ -n "$out" ] || return 1
  # Lines read "    <name>    REG_SZ    <data>"; the name of the default value is localised.
  LC_ALL=C sed -n 's/^.*    REG_[A-Z_]*    //p' <<<"$out" | head -1
}
value_is() { [ "$(reg_value "$1" "$2" ${4:+"$4"})" = "$3" ]; }
key_missing() { ! wine reg query "$1" "/reg:$2" >/dev/null 2>&1; }
key_present() { wine reg query "$1" "/reg:$2" >/dev/null 2>&1; }

installer=$work/ZoZedivAza-1.0.0.0-installer.exe
bash "$root/tools/installer/build.sh" "$dll32" "$dll64" "$installer" >"$work/makensis.log" 2>&1 \
  || { cat "$work/makensis.log"; echo "FAILED  makensis"; exit 1; }
wineboot -i >/dev/null 2>&1
wineserver -p

wine "$installer" /S; rc=$?
check "installer exits 0 (got $rc)" [ "$rc" -eq 0 ]
check "64-bit DLL installed as built" cmp -s "$dll64" "$unixdir/x64/ZoZedivAza.DLL"
check "32-bit DLL installed as built" cmp -s "$dll32" "$unixdir/x86/ZoZedivAza.DLL"
check "uninstaller written" [ -f "$unixdir/uninstall.exe" ]
check "64-bit view: InprocServer32 is the 64-bit DLL" \
  value_is "HKCR\\CLSID\\$clsid\\InprocServer32" 64 "$instdir\\x64\\ZoZedivAza.DLL"
check "32-bit view: InprocServer32 is the 32-bit DLL" \
  value_is "HKCR\\CLSID\\$clsid\\InprocServer32" 32 "$instdir\\x86\\ZoZedivAza.DLL"
for view in 32 64; do
  check "$view-bit view: ThreadingModel Apartment" \
    value_is "HKCR\\CLSID\\$clsid\\InprocServer32" $view Apartment ThreadingModel
  check "$view-bit view: context-menu handler for all files" \
    value_is 'HKCR\*\ShellEx\ContextMenuHandlers\SimpleExt' $view "$clsid"
  check "$view-bit view: ProgID" value_is 'HKCR\ZoZedivAza.SimpleExt\CLSID' $view "$clsid"
done
check "type library registered for win64" \
  value_is "HKCR\\TypeLib\\$libid\\1.0\\0\\win64" 64 "$instdir\\x64\\ZoZedivAza.DLL"
check "type library registered for win32" \
  value_is "HKCR\\TypeLib\\$libid\\1.0\\0\\win32" 32 "$instdir\\x86\\ZoZedivAza.DLL"
check "uninstall entry" value_is "$uninst" 64 '"'"$instdir"'\uninstall.exe" /S' QuietUninstallString

# NSIS uninstallers copy themselves away and start the copy; _?= runs in place and waits. It
# must stand unquoted at the end of the command line, so the folder is named by its short name.
short=$(winepath -s "$instdir" | tr -d '\r')
wine "$short\\uninstall.exe" /S "_?=$short"; rc=$?
check "uninstaller exits 0 (got $rc)" [ "$rc" -eq 0 ]
check "64-bit DLL removed" [ ! -e "$unixdir/x64" ]
check "32-bit DLL removed" [ ! -e "$unixdir/x86" ]
for view in 32 64; do
  check "$view-bit view: CLSID key removed" key_missing "HKCR\\CLSID\\$clsid" $view
  check "$view-bit view: handler removed" key_missing 'HKCR\*\ShellEx\ContextMenuHandlers\SimpleExt' $view
  check "$view-bit view: ProgIDs removed" key_missing 'HKCR\ZoZedivAza.SimpleExt' $view
  check "$view-bit view: ContextMenuHandlers kept" key_present 'HKCR\*\ShellEx\ContextMenuHandlers' $view
done
check "type library unregistered" key_missing "HKCR\\TypeLib\\$libid" 64
check "uninstall entry removed" key_missing "$uninst" 64
# Run in place, the uninstaller cannot delete itself; that is all that may be left.
rm -f "$unixdir/uninstall.exe"; rmdir "$unixdir" 2>/dev/null
check "install folder gone" [ ! -e "$unixdir" ]

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
