#!/usr/bin/env bash
# The whole test run on a fresh Debian 12 machine, as root: installs what is missing, builds the
# 32- and 64-bit products with warnings as errors, runs every test under Wine (fresh prefix per
# target, code page 936, Xvfb), then the host build of the file-format tests and the fuzzer.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh || exit 1

jobs=$(nproc)
build=${ZOZ_BUILD_DIR:-$root/build}
fuzz_seconds=${ZOZ_FUZZ_SECONDS:-30}
# No Mono/Gecko installers, and no crash debugger that would sit waiting on a crashed program.
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winedbg.exe=d"

fail=0
summary=()

# Build both targets first, so a compile error anywhere stops the run early.
for arch in i686 x86_64; do
  cmake -S . -B "$build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
        -DZOZ_WERROR=ON >"$build-$arch-configure.log" 2>&1 || { cat "$build-$arch-configure.log"; exit 1; }
  cmake --build "$build/$arch" -j "$jobs" || exit 1
done

# Each target runs in a world of its own: a fresh Wine prefix (certificate stores, registry,
# settings files) and its own X display. Inside one world the cases run one at a time, since
# they share that state; the two worlds run side by side.
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for prefix in "$build"/wine-*; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
  done
  for f in "$build"/xvfb-*.pid; do [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null; rm -f "$f"; done
  rm -rf "$build"/wine-*
}
trap cleanup EXIT

free_display() {
  local n
  for n in $(seq "$1" 199); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { echo "$n"; return; }
  done
}

run_target() {  # run_target ARCH DISPLAY_NUMBER
  local arch=$1 n=$2
  export WINEPREFIX=$build/wine-$arch DISPLAY=:$n
  # Pictures of every window the tests draw, for a person to look at.
  mkdir -p "$build/$arch/shots"
  local shots=$build/$arch/shots
  export ZOZ_UI_SHOTS="Z:${shots//\//\\}"
  rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  echo "$xvfb" > "$build/xvfb-$arch.pid"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  wineboot -i >/dev/null 2>&1
  wineserver -p 2>/dev/null || true   # keep the server if it lets us; else each program starts it
  ctest --test-dir "$build/$arch" --output-on-failure -j 1 > "$build/$arch/ctest.log" 2>&1
  local rc=$?
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  return $rc
}

d1=$(free_display 90); d2=$(free_display $((d1 + 1)))
echo "== running the tests of both targets under Wine (displays :$d1 and :$d2)"
run_target i686 "$d1" & pids+=($!)
run_target x86_64 "$d2" & pids+=($!)
for i in 0 1; do
  arch=$([ $i -eq 0 ] && echo i686 || echo x86_64)
  wait "${pids[$i]}" || fail=1
  echo "== $arch"
  grep -E '^\s*[0-9]+/[0-9]+ Test|tests passed|tests failed|\*\*\*' "$build/$arch/ctest.log" | grep -vE ' Passed ' | tail -40
  sed -n '/The following tests FAILED/,$p' "$build/$arch/ctest.log"
  summary+=("$arch pictures: $build/$arch/shots/")
  summary+=("$arch: $(grep -E 'tests passed|tests failed' "$build/$arch/ctest.log" | tail -1)")
done
pids=()

# The installer built from both DLLs, installed and removed silently in a prefix of its own.
echo "== installer"
if bash tests/installer/run.sh "$build/i686/ZoZedivAza.dll" "$build/x86_64/ZoZedivAza.dll" > "$build/installer.log" 2>&1; then
  installer_ok=1; summary+=("installer: passed")
else
  installer_ok=0; fail=1; cat "$build/installer.log"; summary+=("installer: FAILED (see $build/installer.log)")
fi

# Host build: the file-format reader under its own tests and under the fuzzer.
CC=clang CXX=clang++ cmake -S tests/host -B "$build/host" -G Ninja >"$build-host-configure.log" 2>&1 \
  || { cat "$build-host-configure.log"; exit 1; }
cmake --build "$build/host" -j "$jobs" || exit 1
ctest --test-dir "$build/host" --output-on-failure 2>&1 | tee "$build/host/ctest.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail=1
summary+=("host: $(grep -E 'tests passed|tests failed' "$build/host/ctest.log" | tail -1)")

mkdir -p "$build/host/corpus"
echo "== fuzzing the head reader for ${fuzz_seconds}s"
if "$build/host/fuzz_tq_head" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
     -artifact_prefix="$build/host/" "$build/host/corpus" > "$build/host/fuzz.log" 2>&1; then
  summary+=("fuzz: clean, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$build/host/fuzz.log" | grep -o '[0-9]*$') inputs")
else
  tail -40 "$build/host/fuzz.log"; fail=1; summary+=("fuzz: FINDING (see $build/host/fuzz.log)")
fi

echo
printf '%s\n' "${summary[@]}"
passed=0; failed=0
for log in "$build"/{i686,x86_64,host}/ctest.log; do
  line=$(grep -E '[0-9]+% tests passed' "$log" | tail -1)
  t=$(sed -n 's/.*out of \([0-9]*\).*/\1/p' <<<"$line"); f=$(sed -n 's/.*, \([0-9]*\) tests failed.*/\1/p' <<<"$line")
  [ -n "$t" ] || { fail=1; continue; }
  passed=$((passed + t - f)); failed=$((failed + f))
done
passed=$((passed + installer_ok)); failed=$((failed + 1 - installer_ok))
echo "$passed passed, $failed failed"
exit $fail
