#!/usr/bin/env bash
# The main job: builds both DLLs and the tools, then shows under Wine what the product does for
# its users: registration as Explorer's context-menu handler, a file encrypted for the user's own
# and a colleague's certificate, opened again on the user's and on the colleague's machine (two
# Wine prefixes), refused on a third, and pictures of every dialog.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh

build=${ZOZ_BUILD_DIR:-$root/build}
demo=$build/demo
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winedbg.exe=d"

step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
gbk() { iconv -f GBK -t UTF-8 -c; }   # the tools speak the user's code page, GBK

step "Building the 32-bit and the 64-bit product"
for arch in i686 x86_64; do
  cmake -S . -B "$build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" >/dev/null
  cmake --build "$build/$arch" -j "$(nproc)" | tail -1
done
ls -l "$build"/i686/ZoZedivAza.dll "$build"/x86_64/ZoZedivAza.dll

rm -rf "$demo"; mkdir -p "$demo/files" "$demo/shots"
n=$(for i in $(seq 140 199); do [ -e /tmp/.X11-unix/X$i ] || { echo $i; break; }; done)
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
export DISPLAY=:$n
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
cleanup() {
  for p in "$demo"/wine-*; do [ -d "$p" ] && { WINEPREFIX=$p wineserver -k 2>/dev/null || true; }; done
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

machine() {  # machine NAME: a fresh Windows installation for one person
  export WINEPREFIX=$demo/wine-$1
  mkdir -p "$WINEPREFIX"
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -p || true; }
}
tq64=$build/x86_64/tools/tqfile/tqfile.exe
tqfile() { wine "$tq64" "$@" 2>&1 | gbk; return "${PIPESTATUS[0]}"; }
winpath() { echo "Z:${1//\//\\}"; }

step "Zhang San's machine: registering the extension for 64-bit and 32-bit Explorer"
machine zhangsan
wine 'C:\windows\system32\regsvr32.exe' /s "$(winpath "$build/x86_64/ZoZedivAza.dll")"
wine 'C:\windows\syswow64\regsvr32.exe' /s "$(winpath "$build/i686/ZoZedivAza.dll")"
wine reg query 'HKCR\*\ShellEx\ContextMenuHandlers\SimpleExt' 2>/dev/null | gbk | tr -d '\r' | grep -av '^$'
clsid=$(wine reg query 'HKCR\*\ShellEx\ContextMenuHandlers\SimpleExt' /ve 2>/dev/null | tr -d '\r' | grep -o '{[^}]*}')
wine reg query "HKCR\\CLSID\\$clsid\\InprocServer32" 2>/dev/null | gbk | tr -d '\r' | grep -av '^$'

step "Certificates from the organisation's CA (made here with openssl)"
cd "$demo/files"
make_cert() {  # make_cert FILE SUBJECT SERIAL
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 3650 -utf8 \
    -subj "$2" -set_serial "$3" -addext "keyUsage=critical,digitalSignature,keyEncipherment" 2>/dev/null
  openssl pkcs12 -export -in "$1.pem" -inkey "$1.key" -out "$1.p12" -passout pass:demo \
    -keypbe PBE-SHA1-3DES -certpbe PBE-SHA1-3DES -macalg sha1
  openssl x509 -in "$1.pem" -outform DER -out "$1.cer"
  echo "$1: $(openssl x509 -in "$1.pem" -noout -nameopt utf8 -subject -serial | tr "\n" " ")"
}
make_cert zhangsan "/O=示例公司/CN=张三" 0x00A1B2C3D4
make_cert lisi "/O=示例公司/CN=李四" 0x5E6F7081
make_cert wangwu "/O=示例公司/CN=王五" 0x0C0FFEE0

step "Zhang San imports his own key and certificate (MY) and Li Si's certificate (ADDRESSBOOK)"
tqfile import zhangsan.p12 --password demo
tqfile import lisi.cer
echo "-- MY:"; tqfile certs MY
echo "-- ADDRESSBOOK:"; tqfile certs ADDRESSBOOK

step "Zhang San encrypts a report for himself and for Li Si"
head -c 300000 /dev/urandom > 季度报告.doc
printf '机密: 第四季度预算\n' >> 季度报告.doc
tqfile encrypt -r 00A1B2C3D4 -r 5E6F7081 季度报告.doc
ls -l 季度报告.doc 季度报告.doc.tq
echo "-- head of the encrypted file (list length, recipient list):"
head -c 26 季度报告.doc.tq | od -A d -t x1 -c | head -4
echo "-- recipients:"; tqfile recipients 季度报告.doc.tq

step "Zhang San opens it again"
tqfile decrypt 季度报告.doc.tq 张三解密.doc
cmp 季度报告.doc 张三解密.doc && echo "identical to the original: $(stat -c %s 张三解密.doc) bytes"

step "Li Si's machine: only his own key; he opens the same file"
machine lisi
tqfile import lisi.p12 --password demo
tqfile decrypt 季度报告.doc.tq 李四解密.doc
cmp 季度报告.doc 李四解密.doc && echo "identical to the original: $(stat -c %s 李四解密.doc) bytes"

step "Wang Wu's machine: the file was not encrypted for him"
machine wangwu
tqfile import wangwu.p12 --password demo
set +e
tqfile decrypt 季度报告.doc.tq 王五解密.doc; rc=$?
set -e
echo "refused (exit status $rc, the engine's code modulo 256); written: $([ -e 王五解密.doc ] && echo yes || echo nothing)"

step "Pictures of the dialogs (the tests drive them under Xvfb with real certificates)"
machine pictures
export ZOZ_UI_SHOTS; ZOZ_UI_SHOTS=$(winpath "$demo/shots")
for t in tests/ui/ui_skin_tests tests/dialogs_enc/test_dialogs_enc tests/dialogs_dec/test_dialogs_dec; do
  exe=$build/x86_64/$t.exe
  [ -f "$exe" ] || continue
  wine "$exe" --gtest_brief=1 2>&1 | tail -2 || true
done

step "A directory query: colleagues' certificates found by e-mail in an LDAP server (slapd on 127.0.0.1)"
slapd_dir=$build/x86_64/tests/ldap/slapd
bash "$root/tests/ldap/slapd-fixture.sh" start "$slapd_dir" >/dev/null
wine "$build/x86_64/tests/ldap_dialog/test_ldap_dialog.exe" --gtest_brief=1 \
  --gtest_filter='DirectoryQuery.PictureOfARowFoundInTheDirectory:DirectoryQuery.NoticeStaysUpWhileTheThreadWaitsForTheDirectory' \
  2>&1 | tail -2 || true
bash "$root/tests/ldap/slapd-fixture.sh" stop "$slapd_dir" >/dev/null || true
ls -1 "$demo/shots"/*.png 2>/dev/null | sed "s|^|  |"
echo
echo "Files of this run: $demo/files   Pictures: $demo/shots"
