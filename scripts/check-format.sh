#!/usr/bin/env bash
# Checks that every C++ file of the tree is formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=$(command -v clang-format || command -v clang-format-14 || true)
[ -n "$formatter" ] || { echo "clang-format is missing: run scripts/setup.sh" >&2; exit 1; }
mapfile -t files < <(find app bench export graph history log monitor sensors settings tests util \
    -name '*.cpp' -o -name '*.h' | sort)
"$formatter" --dry-run --Werror "${files[@]}"
