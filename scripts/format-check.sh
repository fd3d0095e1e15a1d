#!/bin/sh
# Every C++ file as clang-format (the repository's .clang-format) writes it; lists the ones
# that differ and fails when there are any.
set -eu
cd "$(dirname "$0")/.."
differ=0
for file in $(git ls-files '*.cpp' '*.h'); do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file" >&2
        differ=1
    fi
done
exit $differ
