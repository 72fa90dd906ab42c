#!/usr/bin/env bash
# The Windows build: installs mingw-w64, Wine and the test tools from
# Debian's packages, cross-compiles Talvane and its tests into build/windows,
# and runs the tests under Wine on a private X server (Xvfb with openbox):
# the unit tests, the resource check (wrestool) and the end-to-end test of
# the real executable. Wine keeps its own prefix under build/windows; this
# machine's time zone is never touched.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build/windows

PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-win32 mingw-w64-tools wine wine64 fonts-wine
  googletest icoutils xvfb xdotool x11-utils openbox python3 imagemagick)
missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" ||
    { echo "test-windows: FAILED (could not install ${missing[*]})"; exit 1; }
fi

STARTED_PIDS=()
export WINEPREFIX=$BUILD/wineprefix
cleanup() {
  wineserver -k 2>/dev/null || true
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

results=()
status=0
record() { # name result
  results+=("$1: $2")
  [ "$2" = passed ] || status=1
}

# Configure and build.
if cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build "$BUILD"; then
  record build passed
else
  record build FAILED
  printf '%s\n' "${results[@]}"
  echo "test-windows: FAILED"
  exit 1
fi

# Wine needs its display before its first window, or the prefix is left
# unable to show any; a window manager gives windows focus as a desktop does.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
STARTED_PIDS+=($!)
read -r -t 20 display <"$fifo" || { echo "test-windows: FAILED (Xvfb did not start)"; exit 1; }
rm -f "$fifo"
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
STARTED_PIDS+=($!)

export WINEDEBUG=-all
# No Mono or Gecko installer dialogs; a crash exits non-zero instead of
# opening the debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine wineboot --init >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# One server for every Wine process of the run.
wineserver -p

# Everything runs through CTest: the unit tests as Windows programs under
# Wine, the resource check, the end-to-end test.
ctest_log=$BUILD/ctest.log
(cd "$BUILD" && ctest -V --timeout 300) >"$ctest_log" 2>&1
ctest_status=$?
grep -E '^ *[0-9]+/[0-9]+ Test|^([0-9]+: )?(\[  (PASSED|FAILED)  \]|\[==========\] [0-9]+ tests|ok |FAIL |resources:|window_e2e:)|tests passed' \
  "$ctest_log" | sed -E 's/^[0-9]+: //'
summary=$(grep -E '^[0-9]+% tests passed' "$ctest_log" | tail -n 1)
if [ "$ctest_status" -eq 0 ] && [[ "$summary" == "100% tests passed, 0 tests failed"* ]]; then
  record ctest passed
else
  record ctest "FAILED (${summary:-no summary line}, status $ctest_status; see $ctest_log)"
  tail -n 60 "$ctest_log"
fi
# A skipped test counts as passed in CTest's summary; here it doesn't.
if grep -qE 'Not Run|\*\*\*Skipped' "$ctest_log"; then
  record "skipped tests" "FAILED (a test did not run)"
fi
# Each GoogleTest program's own verdict, besides its exit status.
gtest_verdicts=$(grep -cE '^([0-9]+: )?\[  PASSED  \] [0-9]+ tests?\.' "$ctest_log")
if [ "$gtest_verdicts" -eq 2 ] && ! grep -qE '^([0-9]+: )?\[  FAILED  \]' "$ctest_log"; then
  record "GoogleTest verdicts" passed
else
  record "GoogleTest verdicts" "FAILED ($gtest_verdicts of 2 programs report PASSED)"
fi

echo
echo "== Windows build summary =="
printf '  %s\n' "${results[@]}"
echo "  ctest: ${summary:-no summary line}"
echo "  executable: $(ls "$BUILD"/app/*.exe 2>/dev/null)"
if [ "$status" -eq 0 ]; then
  echo "test-windows: PASSED"
else
  echo "test-windows: FAILED"
fi
exit "$status"
