#!/usr/bin/env bash
# Installs everything the build, the tests and the demonstration need on Debian 12, as root.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build make git python3 file
  mingw-w64 mingw-w64-tools g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 libwine-dev
  xvfb xauth x11-apps xdotool imagemagick fonts-wqy-microhei
  googletest
  clang libclang-rt-14-dev
  openssl slapd ldap-utils
  locales
  nsis
)

missing=()
if dpkg --print-foreign-architectures | grep -qx i386; then
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
else
  dpkg --add-architecture i386
  missing=("${packages[@]}")
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests run with LC_ALL=zh_CN.UTF-8 (ANSI code page 936 under Wine).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
echo "install-deps: all present"
