#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it.
# Run `tools/check_format.sh --fix` to format them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run -Werror "${files[@]}"
fi
