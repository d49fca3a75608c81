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
# Imports: exactly the reviewed list of allowed_imports.txt for this build's
# architecture, by name (by ordinal as DLL!#N), so a new one fails here until
# someone has looked at it and listed it.
arch=i686
[[ "$objdump" == *x86_64* ]] && arch=x86_64
expected=$(awk -v arch="$arch:" '{ sub(/#.*/, ""); sub(/[ \t]+$/, "") } /^$/ { next }
  /^[a-z0-9_]+: / { if ($1 == arch) print $2; next } { print }' "$(dirname "$0")/allowed_imports.txt" | sort)
actual=$(awk '/^[[:space:]]*DLL Name: / { dll = tolower($3); next } /^[[:space:]]*$/ { dll = ""; next }
  dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll "!" (NF >= 3 ? $3 : "#" $2) }' <<<"$dump" | sort)
unlisted=$(comm -13 <(echo "$expected") <(echo "$actual"))
gone=$(comm -23 <(echo "$expected") <(echo "$actual"))
echo "imports: $(wc -l <<<"$actual") functions from $(cut -d! -f1 <<<"$actual" | sort -u | wc -l) DLLs"
if [ -n "$unlisted" ]; then echo "imported but not listed:"; echo "$unlisted"; status=1; fi
if [ -n "$gone" ]; then echo "listed but no longer imported:"; echo "$gone"; status=1; fi
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
