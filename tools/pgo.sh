#!/bin/sh
# Builds build-pgo/velkar with profile-guided optimisation: an instrumented
# build runs bench once, and the final build is optimised with its profile.
# The search is the same node for node; only its speed changes.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
rm -rf build-pgo
cmake -S . -B build-pgo -DCMAKE_BUILD_TYPE=Release -DVELKAR_TESTS=OFF -DVELKAR_PGO=generate >/dev/null
cmake --build build-pgo -j"$jobs"
build-pgo/velkar bench >/dev/null
cmake -S . -B build-pgo -DVELKAR_PGO=use >/dev/null
cmake --build build-pgo -j"$jobs"
build-pgo/velkar bench 2>&1 | tail -n 3
