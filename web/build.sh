#!/usr/bin/env bash
# Builds Velkar's WebAssembly version and its page into web/dist/:
#
#   velkar-core.js, velkar-core.wasm   the engine (emscripten's loader and code)
#   velkar-core-mt.js, .wasm, .worker.js   its threaded build (-pthread)
#   velkar-core-node.js, .wasm         its build for Node, without Asyncify
#   velkar.js                          the module: a Web Worker in a browser, a module in Node
#   uci.js                             the UCI engine for Node: node web/dist/uci.js
#   index.html, app.js, style.css      the page, and vendor/ with its npm dependencies
#
# Needs Debian's emscripten (3.1.6) with node-acorn, CMake, and npm for the
# page's dependencies (web/package-lock.json).  Any compiler warning fails
# the build.  Each of the three is guided by a profile of bench, which an
# instrumented copy built for this machine by emscripten's clang takes
# first (cmake/Optimisation.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v emcmake >/dev/null; then
  echo "web/build.sh: emscripten is not installed (Debian: apt-get install emscripten node-acorn)" >&2
  exit 2
fi
# Debian's emscripten runs its JavaScript optimiser with Debian's acorn.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

emcmake cmake -S . -B build-wasm -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build build-wasm -j"$(nproc 2>/dev/null || echo 2)" --target velkar
# The threaded build, for pages served cross-origin isolated.
emcmake cmake -S . -B build-wasm-mt -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=-Werror -pthread" \
  -DVELKAR_WASM_THREADS=ON >/dev/null
cmake --build build-wasm-mt -j"$(nproc 2>/dev/null || echo 2)" --target velkar

# The build for Node (uci.js and createVelkar), which waits for input in a
# worker thread of its own and needs no Asyncify.
emcmake cmake -S . -B build-wasm-node -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror \
  -DVELKAR_WASM_NODE=ON >/dev/null
cmake --build build-wasm-node -j"$(nproc 2>/dev/null || echo 2)" --target velkar

# The page's dependencies, as the lock file gives them (again whenever the
# lock file is newer than what is installed).
if [ ! -f web/node_modules/.package-lock.json ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
  (cd web && npm ci --no-audit --no-fund >/dev/null)
fi

dist=web/dist
rm -rf "$dist"
mkdir -p "$dist/vendor/chess.js" "$dist/vendor/cm-chessboard/assets/pieces"
cp build-wasm/velkar-core.js build-wasm/velkar-core.wasm web/src/velkar.js web/src/uci.js "$dist/"
cp build-wasm-mt/velkar-core-mt.js build-wasm-mt/velkar-core-mt.wasm build-wasm-mt/velkar-core-mt.worker.js "$dist/"
cp build-wasm-node/velkar-core-node.js build-wasm-node/velkar-core-node.wasm "$dist/"
chmod +x "$dist/uci.js"
cp web/page/* "$dist/"
cp LICENSE "$dist/LICENSE.txt"

# Only what the page loads, each with its licence.  Of cm-chessboard's two
# piece sets only the Wikimedia one (CC BY-SA 3.0) is shipped: the other is
# licensed for non-commercial use only.
m=web/node_modules
cp "$m/chess.js/dist/esm/chess.js" "$m/chess.js/LICENSE" "$dist/vendor/chess.js/"
cp -r "$m/cm-chessboard/src" "$m/cm-chessboard/LICENSE" "$dist/vendor/cm-chessboard/"
cp "$m/cm-chessboard/assets/chessboard.css" "$dist/vendor/cm-chessboard/assets/"
cp "$m/cm-chessboard/assets/pieces/standard.svg" "$dist/vendor/cm-chessboard/assets/pieces/"
for e in markers promotion-dialog arrows; do
  mkdir -p "$dist/vendor/cm-chessboard/assets/extensions/$e"
  find "$m/cm-chessboard/assets/extensions/$e" -maxdepth 1 \( -name '*.css' -o -name '*.svg' \) \
    -exec cp {} "$dist/vendor/cm-chessboard/assets/extensions/$e/" \;
done
find "$dist/vendor" -name '*.md' -delete

echo "web/build.sh: built $dist:"
(cd "$dist" && ls -l velkar-core.wasm velkar-core.js velkar-core-mt.wasm velkar-core-mt.js velkar-core-mt.worker.js velkar-core-node.wasm velkar-core-node.js velkar.js uci.js | awk '{printf "  %-25s %8d bytes\n", $9, $5}')
