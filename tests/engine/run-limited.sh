#!/usr/bin/env bash
# Runs the write-error tests with the file size limited to 1 MiB (ulimit -f), so that writes
# of the engine really fail. What they need beyond the limit is made beforehand, unlimited:
# a 1.5 MiB plain file and, for a certificate imported from a PKCS #12 file, its ".tq" file.
#   run-limited.sh EMULATOR TEST_EXE TQFILE_EXE PFX
set -uo pipefail
emulator=$1 exe=$2 tqfile=$3 pfx=$4
work=$(mktemp -d /tmp/zoz-limit.XXXXXX)
trap 'rm -rf "$work"' EXIT
win() { local p=$1; echo "Z:${p//\//\\}"; }
wineserver -p </dev/null >/dev/null 2>&1 || true   # the server keeps the registry: it must not run under the limit
head -c 1500000 /dev/urandom >"$work/big.bin"
"$emulator" "$tqfile" import "$(win "$pfx")" --password pw >/dev/null || exit 1
"$emulator" "$tqfile" encrypt -r 3C4D5E6F7081 "$(win "$work/big.bin")" "$(win "$work/big.tq")" || exit 1
export ZOZ_LIMIT_DIR
ZOZ_LIMIT_DIR=$(win "$work")
(trap '' XFSZ; ulimit -f 1024; "$emulator" "$exe")
