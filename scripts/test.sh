#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), each fuzz target for a bounded time (build-fuzz/,
# FUZZ_SECONDS each, default 25), then the unit and end-to-end tests of the normal build.
# Any sanitizer report or fuzz finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

werror=OFF
[ -n "${CI:-}" ] && werror=ON
jobs=$(nproc)
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVIL_SANITIZE=ON -DQUORVIL_BENCH=OFF \
      -DQUORVIL_WERROR="$werror" >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs" -L unit)

CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIL_FUZZ=ON \
      -DQUORVIL_FUZZ_SECONDS="${FUZZ_SECONDS:-25}" -DQUORVIL_WERROR="$werror" >/dev/null
cmake --build build-fuzz -j"$jobs"
(cd build-fuzz && ctest --output-on-failure -j"$jobs" -L fuzz)

cd build
ctest --output-on-failure -j"$jobs"
