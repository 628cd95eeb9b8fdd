#!/usr/bin/env bash
# Checks that every C++ file under src/, tests/, bench/, fuzz/ and tools/ is laid out as the root
# .clang-format says, and names those that are not. The files are found in the tree, not listed
# here, so a new file is checked from its first commit. `tools/format_check.sh --fix` formats
# them in place.
#
# Always clang-format 14, Debian 12's: other versions place a few things differently, and the
# check must not fail on a machine only because its clang-format is newer.
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || true)
if [ -z "$format" ]; then
  echo "format_check.sh: needs clang-format-14 (apt-get install clang-format-14)" >&2
  exit 1
fi

mapfile -d '' files < <(find src tests bench fuzz tools -type f \
  \( -name '*.cpp' -o -name '*.h' \) -print0 | LC_ALL=C sort -z)
if [ "${1:-}" = --fix ]; then
  exec "$format" -i "${files[@]}"
fi

# One run over every file is much quicker than one per file; its messages name the files.
report=$("$format" --dry-run -Werror "${files[@]}" 2>&1) && status=0 || status=$?
if [ "$status" = 0 ]; then
  echo "format: ${#files[@]} files as .clang-format says"
  exit 0
fi
echo "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/not formatted: \1/p' | sort -u >&2
echo "$report" | head -n 40 >&2
echo "format: run tools/format_check.sh --fix, or clang-format-14 -i on the files above" >&2
exit 1
