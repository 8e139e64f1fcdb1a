#!/usr/bin/env bash
# Builds the installer from the two DLLs.
#   build.sh <32-bit ZoZedivAza.dll> <64-bit ZoZedivAza.dll> <output installer .exe>
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 DLL32 DLL64 OUTPUT.exe" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
for f in "$1" "$2"; do [ -f "$f" ] || { echo "missing $f" >&2; exit 2; }; done
mkdir -p "$(dirname "$3")"
makensis -V2 -INPUTCHARSET UTF8 \
  "-DDLL32=$(realpath "$1")" "-DDLL64=$(realpath "$2")" "-DOUTFILE=$(realpath -m "$3")" \
  "$here/ZoZedivAza.nsi"
