#!/usr/bin/env bash
# Style gates: every tracked C++ file formatted as .clang-format says, and no function
# longer than 80 lines outside bench/ (benchmark cases read best as one block).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh clang-format universal-ctags

status=0
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${sources[@]}"; then
  echo "checkstyle: the files above are not formatted; run clang-format -i on them" >&2
  status=1
fi

long=$(printf '%s\n' "${sources[@]}" | grep -v '^bench/' |
  ctags -L - --languages=C++ --kinds-C++=f --fields=+ne -x \
    --_xformat='%{end} %{line} %{input} %{name}' |
  awk '$1 - $2 + 1 > 80 { printf "%s:%d: %s is %d lines\n", $3, $2, $4, $1 - $2 + 1 }')
if [ -n "$long" ]; then
  echo "$long" >&2
  echo "checkstyle: functions over 80 lines; split them" >&2
  status=1
fi
exit $status
