#!/usr/bin/env bash
# Fails when a C or C++ file of the tree differs from what clang-format makes of it with the
# tree's .clang-format, and shows the difference. `scripts/check-format.sh --fix` formats them.
# Debian's clang-format (scripts/install-deps.sh installs it) is the reference: other versions may
# lay out a few constructs differently.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v clang-format >/dev/null || { echo "check-format: clang-format is missing (scripts/install-deps.sh installs it)"; exit 1; }
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' '*.c')

if [ "${1:-}" = "--fix" ]; then
    clang-format -i -- "${files[@]}"
    exit 0
fi

different=0
for file in "${files[@]}"; do
    if ! clang-format -- "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" - ; then
        different=$((different + 1))
    fi
done
if [ "$different" -ne 0 ]; then
    echo "check-format: $different of ${#files[@]} files differ from their formatting ($(clang-format --version | head -n1)); scripts/check-format.sh --fix formats them"
    exit 1
fi
echo "check-format: ${#files[@]} files formatted as .clang-format says"
