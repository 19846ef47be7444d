#!/usr/bin/env bash
# Checks which build the root makefile chooses, without compiling it (make
# -n prints the commands of every phase): with g++, the profiled one (an
# instrumented build, its bench, then the build with the counts); with a
# compiler that refuses the profile options, the plain -O3 build and a
# message saying so, never a half-done profiled build.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
check() {  # check DESCRIPTION OUTPUT-FILE grep-args...
  local what=$1 file=$2; shift 2
  if ! grep -q "$@" "$file"; then
    echo "makefile check: $what"
    failed=1
  fi
}

make -n --no-print-directory EXE="$tmp/velkar" OBJDIR="$tmp/g++" CXX=g++ >"$tmp/gcc.txt" 2>&1
check "g++: no instrumented build" "$tmp/gcc.txt" -e '-fprofile-generate'
check "g++: the instrumented engine's bench is not run" "$tmp/gcc.txt" -e 'velkar-profil bench'
check "g++: no build with the profile" "$tmp/gcc.txt" -e '-fprofile-use'

# A g++ that cannot link a profiled program (as a compiler without its
# profile run-time).
cat >"$tmp/sans-profil" <<'EOF'
#!/bin/sh
for a in "$@"; do
  case $a in -fprofile*) echo "no profile support" >&2; exit 1 ;; esac
done
exec g++ "$@"
EOF
chmod +x "$tmp/sans-profil"
make -n --no-print-directory EXE="$tmp/velkar" OBJDIR="$tmp/sans" CXX="$tmp/sans-profil" >"$tmp/sans.txt" 2>&1
check "without profile support: no message" "$tmp/sans.txt" -e 'cannot build with a profile'
check "without profile support: the plain build is not compiled" "$tmp/sans.txt" -e "-O3 .*-c engine/search.cpp"
if grep -q -e '-fprofile' -e 'velkar-profil' "$tmp/sans.txt"; then
  echo "makefile check: without profile support, profile options are still used"
  failed=1
fi
[ "$failed" = 0 ] && echo "makefile check: the profiled build and its fallback are chosen as they should be"
exit "$failed"
