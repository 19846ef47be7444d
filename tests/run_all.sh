#!/usr/bin/env bash
# Builds Velkar four times and runs the tests on each: the release build
# (the whole suite), a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (all but the slow tests), a build with
# ThreadSanitizer (the tests of several threads), and a Debug build, whose
# assertions check the position after every move and take-back (the unit
# tests).  Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

# The endgame-table prober (and its command-line tool, which the table tests
# compare with): installed where this runs as root with apt; without them
# Velkar builds without tables and those tests are skipped.
if [ ! -f /usr/include/tbprobe.h ] || [ ! -x /usr/games/fathom ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    (apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libfathom-dev fathom >/dev/null) ||
      echo "could not install libfathom-dev and fathom"
  fi
fi

# The soak tests check every move with chess.js; without it they are skipped.
if command -v npm >/dev/null && [ ! -d tests/soak/node_modules ]; then
  (cd tests/soak && npm ci --no-audit --no-fund >/dev/null) || echo "npm ci failed: the soak tests will be skipped"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKAR_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE slow

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKAR_TSAN=ON
cmake --build build-tsan -j"$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R '^(Fils\.|pipe_test_threads$)'

cmake -S . -B build-debug -DCMAKE_BUILD_TYPE=Debug
cmake --build build-debug -j"$jobs"
ctest --test-dir build-debug --output-on-failure -j"$jobs" -E '^pipe_'

if [ ! -f /usr/include/tbprobe.h ] || [ ! -x /usr/games/fathom ]; then
  echo "NOTE: the endgame-table tests were skipped (libfathom-dev or fathom is not installed)"
fi
