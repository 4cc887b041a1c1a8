#!/usr/bin/env bash
# Quellor's one entry point for users and CI.
#   ./run.sh demo    install what is missing, build, run quellor-render's built-in scenario
#   ./run.sh test    install what is missing, build both targets, run every test
#   ./run.sh bench   install what is missing, build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=$(nproc)

PACKAGES=(build-essential cmake ninja-build pkg-config git
  libgtest-dev libbenchmark-dev libfftw3-dev libsndfile1-dev libspeexdsp-dev libstb-dev
  fonts-roboto-unhinted g++-mingw-w64-x86-64-posix wine64 xvfb espeak-ng sox)

setup() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

configure() { # dir, extra cmake args...
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
}

build_linux() {
  configure build/linux
  cmake --build build/linux -j "$JOBS"
}

build_windows() {
  configure build/windows -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DQUELLOR_TOOLS=OFF
  cmake --build build/windows -j "$JOBS"
}

build_asan() {
  configure build/asan -DQUELLOR_SANITIZE=ON -DQUELLOR_TOOLS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/asan -j "$JOBS"
}

wine_prefix() {
  export WINEDEBUG=-all
  export WINEPREFIX=${WINEPREFIX:-$(mktemp -d /tmp/quellor-wine.XXXXXX)}
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  fi
}

run_tests() {
  local failed=0
  echo "== Linux tests"
  ctest --test-dir build/linux --output-on-failure -j "$JOBS" || failed=1
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer tests"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$JOBS" || failed=1
  echo "== Windows tests under Wine"
  wine_prefix
  ctest --test-dir build/windows --output-on-failure -j 1 || failed=1
  return $failed
}

case "${1:-}" in
  demo)
    setup
    build_linux
    shift
    ./build/linux/tools/quellor-render "$@"
    ;;
  test)
    setup
    build_linux
    build_windows
    build_asan
    run_tests
    ;;
  bench)
    setup
    configure build/bench -DQUELLOR_BENCH=ON -DQUELLOR_TESTS=OFF
    cmake --build build/bench -j "$JOBS"
    for b in build/bench/bench/*_bench; do
      [ -x "$b" ] && "$b" --benchmark_counters_tabular=true
    done
    ;;
  *)
    echo "usage: ./run.sh demo|test|bench" >&2
    exit 2
    ;;
esac
