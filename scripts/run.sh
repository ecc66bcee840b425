#!/usr/bin/env bash
# Sets up, builds and starts Quorvil4 on the simulated bench.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/app/quorvil4 --simulate "$@"
