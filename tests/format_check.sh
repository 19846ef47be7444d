#!/usr/bin/env bash
# Checks that every tracked .cpp and .h file is laid out as .clang-format
# says.  Prints each file that clang-format would change, with the start of
# the change, and exits non-zero; exits 0 when nothing would change.
#
# clang-format-14 is preferred, since another major version may lay out the
# same code differently; CLANG_FORMAT=/path/to/clang-format overrides.
# Reformat a file with:  clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."

tool=${CLANG_FORMAT:-}
if [ -z "$tool" ]; then
  for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null; then tool=$candidate; break; fi
  done
fi
if [ -z "$tool" ] || ! command -v "$tool" >/dev/null; then
  echo "format check: clang-format not found (Debian: apt-get install clang-format-14)" >&2
  exit 2
fi
version=$("$tool" --version)
case "$version" in
  *"version 14."*) ;;
  *) echo "format check: warning: .clang-format is tuned for clang-format 14, this is: $version" >&2 ;;
esac

mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
  echo "format check: no tracked .cpp or .h file found" >&2
  exit 2
fi

bad=()
checked=0
for f in "${files[@]}"; do
  [ -f "$f" ] || continue  # deleted in the work tree, not yet in the index
  checked=$((checked + 1))
  if ! "$tool" --style=file --dry-run --Werror "$f" >/dev/null 2>&1; then
    bad+=("$f")
    echo "needs formatting: $f"
    "$tool" --style=file "$f" | diff -u --label "$f" --label "$f (formatted)" "$f" - | head -n 40 || true
  fi
done

if [ ${#bad[@]} -gt 0 ]; then
  echo "format check: ${#bad[@]} of $checked files need formatting; run: clang-format -i ${bad[*]}"
  exit 1
fi
echo "format check: $checked files formatted as .clang-format says ($tool)"
