#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit and end-to-end tests, then the unit tests again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVIL_SANITIZE=ON -DQUORVIL_BENCH=OFF \
      -DQUORVIL_WERROR="$werror" >/dev/null
cmake --build build-asan -j"$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$(nproc)" -L unit)
cd build
ctest --output-on-failure -j"$(nproc)"
