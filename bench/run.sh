#!/usr/bin/env bash
# Benchmark of the file engine: bash bench/run.sh [i686|x86_64]
# Builds what is missing, makes a throwaway Wine prefix with one certificate, then prints the
# engine's MB/s for a 256 MiB file next to the platform cipher over memory (its limit) and
# openssl enc -des-ede3-cbc on the same file (a peer), and the peak memory of encrypting
# 16 MiB and 256 MiB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
build=${ZOZ_BENCH_BUILD:-$root/build-bench}/$arch
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target zoz_bench tqfile >/dev/null

work=$(mktemp -d /tmp/zoz-bench.XXXXXX)
export WINEPREFIX=$work/prefix LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
wineboot -i >/dev/null 2>&1 || true
wineserver -p || true

win() { local p=$1; echo "Z:${p//\//\\}"; }
bench=$build/bench/zoz_bench.exe
tqfile=$build/tools/tqfile/tqfile.exe
serial=5A0B1C2D3E4F
wine "$tqfile" import "$(win "$root/tests/tqfile/data/own.pfx")" --password pw >/dev/null

head -c $((16 << 20)) /dev/urandom >"$work/small"
head -c $((256 << 20)) /dev/urandom >"$work/big"
calc() { awk "BEGIN { printf \"%.4f\", $1 }"; }
value() { sed -n "s/^$1 //p" <<<"$2" | tr -d '\r'; }

small=$(wine "$bench" encrypt "$(win "$work/small")" "$(win "$work/small.tq")" $serial)
enc=$(wine "$bench" encrypt "$(win "$work/big")" "$(win "$work/big.tq")" $serial)
dec=$(wine "$bench" decrypt "$(win "$work/big.tq")" "$(win "$work/big.out")" $serial)
cmp -s "$work/big" "$work/big.out" || { echo "decrypted file differs" >&2; exit 1; }
rm -f "$work/big.out" "$work/small.tq"
mem=$(wine "$bench" cipher 256)

key=$(head -c 24 /dev/urandom | od -An -tx1 | tr -d ' \n')
t0=$(date +%s.%N)
openssl enc -des-ede3-cbc -K "$key" -iv 0000000000000000 -in "$work/big" -out "$work/big.ossl"
t1=$(date +%s.%N)
openssl enc -d -des-ede3-cbc -K "$key" -iv 0000000000000000 -in "$work/big.ossl" -out "$work/big.ossl.out"
t2=$(date +%s.%N)
size=$((256 << 20))
ossl_enc=$(calc "$size / 1000000 / ($t1 - $t0)")
ossl_dec=$(calc "$size / 1000000 / ($t2 - $t1)")

e=$(value mb_per_s "$enc"); d=$(value mb_per_s "$dec")
me=$(value encrypt_mb_per_s "$mem"); md=$(value decrypt_mb_per_s "$mem")
printf '%s, 256 MiB file\n' "$arch"
printf '%-34s %10s %10s\n' "" "encrypt" "decrypt"
printf '%-34s %10.1f %10.1f MB/s\n' "engine (EncryptFile/DecryptFile)" "$e" "$d"
printf '%-34s %10.1f %10.1f MB/s\n' "platform cipher over memory" "$me" "$md"
printf '%-34s %10.1f %10.1f MB/s\n' "openssl enc -des-ede3-cbc" "$ossl_enc" "$ossl_dec"
printf '%-34s %10.2f %10.2f\n' "engine / platform cipher" "$(calc "$e / $me")" "$(calc "$d / $md")"
printf '%-34s %10.2f %10.2f\n' "engine / openssl" "$(calc "$e / $ossl_enc")" "$(calc "$d / $ossl_dec")"
ws_small=$(value peak_working_set_kib "$small"); ws_big=$(value peak_working_set_kib "$enc")
pf_small=$(value peak_pagefile_kib "$small"); pf_big=$(value peak_pagefile_kib "$enc")
printf 'peak memory while encrypting      16 MiB: working set %s KiB, pagefile %s KiB\n' "$ws_small" "$pf_small"
printf '                                 256 MiB: working set %s KiB, pagefile %s KiB\n' "$ws_big" "$pf_big"
printf 'difference                               : working set %d KiB, pagefile %d KiB\n' \
  $((ws_big - ws_small)) $((pf_big - pf_small))
