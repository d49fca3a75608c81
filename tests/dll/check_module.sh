#!/usr/bin/env bash
# The module as the host sees it: both exports under their plain names, and
# imports from system DLLs only (no compiler runtime DLL to ship beside it).
set -euo pipefail
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll")
status=0
for name in Korvisan_Plugin_Version Korvisan_Plugin_PR; do
  if grep -Eq "^[[:space:]]*\[ *[0-9]+\][[:space:]]+$name\$" <<<"$dump"; then
    echo "export $name"
  else
    echo "missing export $name"; status=1
  fi
done
system='^(kernel32|user32|gdi32|msvcrt|comctl32|advapi32|shell32|ole32|shlwapi|comdlg32|version)\.dll$'
while read -r imported; do
  if grep -Eiq "$system" <<<"$imported"; then echo "import $imported"; else echo "non-system import $imported"; status=1; fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
# The shipped module carries no debug sections and no symbol table; both
# stay in the debug file beside it.
debug=$("$objdump" -h "$dll" | awk '$2 ~ /^\.debug/ { print $2 }')
if [ -n "$debug" ]; then echo "debug sections:" $debug; status=1; else echo "no debug sections"; fi
if "$objdump" -t "$dll" | grep -qx "no symbols"; then echo "no symbol table"; else echo "symbol table present"; status=1; fi
# 64-bit Windows only promises a 16-byte aligned stack, and GCC does not
# realign it for 32-byte values: an aligned AVX move to or from the stack
# would fault on the AVX2 path.
if [[ "$objdump" == *x86_64* ]]; then
  aligned=$("$objdump" -d "$dll" | grep -E 'vmov(dqa|aps|apd)[^#]*(%ymm[^#]*\(%r[sb]p\)|\(%r[sb]p\)[^#]*%ymm)' || true)
  if [ -n "$aligned" ]; then
    echo "aligned 32-byte stack moves:"; echo "$aligned"; status=1
  else
    echo "no aligned 32-byte stack moves"
  fi
fi
exit $status
