#!/usr/bin/env bash
# Emulator for cross-built test executables: runs a Windows program under Wine in the
# prefix, locale and display that tools/test.sh set up for this run.
: "${WINEPREFIX:?WINEPREFIX must name the throwaway prefix of this run (see tools/test.sh)}"
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
