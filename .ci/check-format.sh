#!/usr/bin/env bash
# Checks that every C++ source git tracks is as clang-format (with the committed
# .clang-format) would write it; lists the files that are not. Installs clang-format when the
# machine has none.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
    echo "installing clang-format"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-format >/dev/null
fi

# (Templates such as verandel_version.h.in are C++ only once configured.)
mapfile -t files < <(git ls-files '*.h' '*.cpp')
unformatted=()
for f in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        unformatted+=("$f")
    fi
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "not formatted as clang-format would ($(clang-format --version)):"
    printf '  %s\n' "${unformatted[@]}"
    echo "fix with: clang-format -i FILE..."
    exit 1
fi
echo "formatting: ${#files[@]} files as clang-format writes them ($(clang-format --version))"
