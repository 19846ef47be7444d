#!/usr/bin/env bash
# Builds Velkar four times and runs the tests on each: the release build
# (the whole suite), a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (all but the slow tests), a build with
# ThreadSanitizer (the tests of several threads), and a Debug build, whose
# assertions check the position after every move and take-back (the unit
# tests).  Then the WebAssembly build: its engine under Node, the pipe tests
# through its UCI command, and its page in a real browser.  Exits non-zero
# on any failure; its last lines say which tests were skipped, and why.
#
# The Debian packages README.md lists are installed where this runs as root
# with apt; elsewhere the missing ones are named.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

has_gtest() { compgen -G '/usr/lib/*/libgtest.a' >/dev/null || [ -f /usr/lib/libgtest.a ]; }
has_fathom() { [ -f /usr/include/tbprobe.h ] && [ -x /usr/games/fathom ]; }
has_emscripten() { command -v emcmake >/dev/null && [ -f /usr/share/nodejs/acorn/package.json ]; }
has_fuzzer() { compgen -G '/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null; }

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v python3 >/dev/null || missing+=(python3)
has_gtest || missing+=(libgtest-dev)
[ -f /usr/include/tbprobe.h ] || missing+=(libfathom-dev)
[ -x /usr/games/fathom ] || missing+=(fathom)
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
command -v clang-format-14 >/dev/null || missing+=(clang-format-14)
command -v clang++-14 >/dev/null || missing+=(clang-14)
has_fuzzer || missing+=(libclang-rt-14-dev)
command -v emcmake >/dev/null || missing+=(emscripten)
[ -f /usr/share/nodejs/acorn/package.json ] || missing+=(node-acorn)
command -v chromium >/dev/null || missing+=(chromium)
not_installed=()
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    echo "== installing ${missing[*]}"
    apt-get update -qq || true
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null; then
      # One at a time, to know which cannot be had.
      for p in "${missing[@]}"; do
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$p" >/dev/null 2>&1 || not_installed+=("$p")
      done
    fi
  else
    not_installed=("${missing[@]}")
  fi
fi
if [ ${#not_installed[@]} -gt 0 ]; then
  echo "NOTE: not installed (install them as root, e.g. apt-get install ${not_installed[*]}): ${not_installed[*]}"
fi
for tool in cmake g++ python3; do
  command -v "$tool" >/dev/null || { echo "run_all.sh: $tool is needed and not installed"; exit 1; }
done
has_gtest || { echo "run_all.sh: GoogleTest (libgtest-dev) is needed and not installed"; exit 1; }

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

# ---------------------------------------------------------------------------
# The WebAssembly build: the engine under Node (module and UCI command), the
# pipe tests through node web/dist/uci.js, and the page in Debian's chromium.
# The pipe tests left out depend on the table's size: the web build starts
# with 16 MB, and the recorded transcript and a bench read from standard
# input search other trees with it (uci.js bench uses 128 MB, as natively).
# ---------------------------------------------------------------------------
web_note=""
page_note=""
if ! has_emscripten; then
  web_note="emscripten or node-acorn is not installed"
elif ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  web_note="Node.js or npm is not installed"
else
  echo "== WebAssembly build"
  web/build.sh
  (cd web && node --test tests/engine.test.js tests/review.test.js)
  failed=0
  for t in test_protocol test_position test_bad_input test_search test_go_nodes test_options test_strength test_threads \
    test_bench; do
    log="build-wasm/pipe-$t.log"
    if ! VELKAR_LABEL=wasm VELKAR_HASH_DEFAULT=16 VELKAR_DATA_DIR="$PWD/tests/data" timeout 900 \
        python3 "tests/pipe/$t.py" web/dist/uci.js >"$log" 2>&1; then
      cat "$log"
      failed=1
    fi
    echo "wasm $(tail -n 1 "$log")"
  done
  [ "$failed" = 0 ] || { echo "pipe tests of the WebAssembly build failed"; exit 1; }
  if command -v chromium >/dev/null; then
    (cd web && VELKAR_CHROMIUM="$(command -v chromium)" node --test tests/page.test.js)
  else
    page_note="chromium is not installed"
  fi
fi

echo "== tests/run_all.sh: done"
if ! has_fathom; then
  echo "NOTE: the endgame-table tests were skipped (libfathom-dev or fathom is not installed)"
fi
if [ ! -d tests/soak/node_modules ]; then
  echo "NOTE: the soak tests were skipped (npm could not install chess.js in tests/soak)"
fi
if [ -n "$web_note" ]; then
  echo "SKIPPED: the WebAssembly tests and the browser test ($web_note)"
elif [ -n "$page_note" ]; then
  echo "SKIPPED: the browser test of the page ($page_note)"
else
  echo "The WebAssembly tests and the browser test ran."
fi
