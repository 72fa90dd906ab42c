#!/usr/bin/env bash
# The Windows build: installs mingw-w64, Wine (64- and 32-bit) and the test
# tools from Debian's packages, cross-compiles Talvane and its tests twice
# (x86_64 and i686) under build/windows, and runs each build's tests under
# Wine on a private X server (Xvfb with openbox): the unit tests, the
# import and resource checks, and the end-to-end test of the real
# executable. Wine keeps its own prefix under build/windows; this machine's
# time zone is never touched.
#
# On a host that can't run 32-bit programs (a kernel with its 32-bit
# emulation switched off), the i686 build's Wine tests can't run: its
# executable is still built and its imports and resources checked, and one
# line says what did not run. TALVANE_NO_32BIT=1 makes any host count as
# one of those.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build/windows
ARCHES=(x86_64 i686)

APT=(apt-get -o DPkg::Lock::Timeout=900)
PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools
  wine wine64 wine32:i386 fonts-wine googletest icoutils xvfb xdotool x11-utils openbox python3
  imagemagick)
missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # The i686 build's tests need 32-bit Wine, which comes from i386 multiarch.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  "${APT[@]}" update -qq &&
    DEBIAN_FRONTEND=noninteractive "${APT[@]}" install -y -qq "${missing[@]}" ||
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

# The 32-bit Wine loader is an i386 program like any other: where it can't
# start, neither can the i686 tests.
WINE32=/usr/lib/wine/wine
no_32bit=
if [ -n "${TALVANE_NO_32BIT:-}" ]; then
  no_32bit="TALVANE_NO_32BIT is set"
elif ! wine32_says=$("$WINE32" --version 2>&1); then
  no_32bit="this host cannot run 32-bit programs ($WINE32: ${wine32_says##*: })"
fi

# Configure and build, one tree per processor.
for arch in "${ARCHES[@]}"; do
  if cmake -S . -B "$BUILD/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build "$BUILD/$arch"; then
    record "$arch build" passed
  else
    record "$arch build" FAILED
    printf '%s\n' "${results[@]}"
    echo "test-windows: FAILED"
    exit 1
  fi
done

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
# A prefix made where 32-bit Wine could not run (not installed, or the host
# refused it) has no 32-bit system, and can't run 32-bit programs later.
if [ -z "$no_32bit" ] && [ -d "$WINEPREFIX" ] &&
  [ -z "$(ls -A "$WINEPREFIX/drive_c/windows/syswow64" 2>/dev/null)" ]; then
  rm -rf "$WINEPREFIX"
fi
# The 64-bit loader the x86_64 tests run through, which any host here runs.
wine64=$(sed -n 's/^TALVANE_WINE64:FILEPATH=//p' "$BUILD/x86_64/CMakeCache.txt")
"$wine64" wineboot --init >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# One server for every Wine process of the run.
wineserver -p

# Everything runs through CTest: the unit tests as Windows programs under
# Wine, the import and resource checks, the end-to-end test.
summaries=()
not_run=
for arch in "${ARCHES[@]}"; do
  log=$BUILD/$arch/ctest.log
  echo "== $arch =="
  wine_tests=1
  only=()
  if [ "$arch" = i686 ] && [ -n "$no_32bit" ]; then
    # Only the checks that read the executable; nothing of it runs.
    wine_tests=0
    only=(-R '^(imports_check|resources_check)$')
  fi
  (cd "$BUILD/$arch" && ctest -V --timeout 300 "${only[@]}") >"$log" 2>&1
  ctest_status=$?
  grep -E '^ *[0-9]+/[0-9]+ Test|^([0-9]+: )?(\[  (PASSED|FAILED)  \]|\[==========\] [0-9]+ tests|ok |FAIL |imports:|resources:|window_e2e:)|tests passed' \
    "$log" | sed -E 's/^[0-9]+: //'
  summary=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1)
  summaries+=("$arch ctest: ${summary:-no summary line}")
  if [ "$ctest_status" -eq 0 ] && [[ "$summary" == "100% tests passed, 0 tests failed"* ]]; then
    record "$arch ctest" passed
  else
    record "$arch ctest" "FAILED (${summary:-no summary line}, status $ctest_status; see $log)"
    tail -n 60 "$log"
  fi
  # A skipped test counts as passed in CTest's summary; here it doesn't.
  if grep -qE 'Not Run|\*\*\*Skipped' "$log"; then
    record "$arch skipped tests" "FAILED (a test did not run)"
  fi
  # Each GoogleTest program's own verdict, besides its exit status.
  verdicts=$(grep -cE '^([0-9]+: )?\[  PASSED  \] [0-9]+ tests?\.' "$log")
  if [ "$wine_tests" -eq 0 ]; then
    not_run="$arch Wine tests did not run: $no_32bit; its build, imports and resources were checked"
  elif [ "$verdicts" -eq 2 ] && ! grep -qE '^([0-9]+: )?\[  FAILED  \]' "$log"; then
    record "$arch GoogleTest verdicts" passed
  else
    record "$arch GoogleTest verdicts" "FAILED ($verdicts of 2 programs report PASSED)"
  fi
  # The import check is what keeps the executable starting on XP.
  if grep -qE '^([0-9]+: )?imports: .* 0 failure\(s\)$' "$log"; then
    record "$arch imports" passed
  else
    record "$arch imports" "FAILED (no passing import check; see $log)"
  fi
done

echo
echo "== Windows build summary =="
printf '  %s\n' "${results[@]}" "${summaries[@]}"
for arch in "${ARCHES[@]}"; do
  echo "  $arch executable: $(ls "$BUILD/$arch"/app/*.exe 2>/dev/null)"
done
[ -z "$not_run" ] || echo "$not_run"
if [ "$status" -eq 0 ]; then
  echo "test-windows: PASSED"
else
  echo "test-windows: FAILED"
fi
exit "$status"
