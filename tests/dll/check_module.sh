#!/usr/bin/env bash
# The module as the host sees it: both exports under their plain names, and
# imports from system DLLs only (no compiler runtime DLL to ship beside it).
set -euo pipefail
objdump=$1 dll=$2
# The tables come from the file's bytes (pe_tables.py): objdump's printout of
# them is laid out differently from one binutils release to the next.
tables=$(python3 "$(dirname "$0")/pe_tables.py" "$dll")
status=0
for name in Korvisan_Plugin_Version Korvisan_Plugin_PR; do
  if grep -qx "export $name" <<<"$tables"; then
    echo "export $name"
  else
    echo "missing export $name"; status=1
  fi
done
actual=$(sed -n 's/^import //p' <<<"$tables" | sort)
system='^(kernel32|user32|gdi32|msvcrt|comctl32|advapi32|shell32|ole32|shlwapi|comdlg32|version)\.dll$'
while read -r imported; do
  if grep -Eiq "$system" <<<"$imported"; then echo "import $imported"; else echo "non-system import $imported"; status=1; fi
done < <(cut -d! -f1 <<<"$actual" | sort -u)
# Imports: exactly the reviewed list of allowed_imports.txt for this build's
# architecture and compiler, by name (by ordinal as DLL!#N), so a new one
# fails here until someone has looked at it and listed it.
arch=i686
grep -qx "machine amd64" <<<"$tables" && arch=x86_64
# The compiler's major version: its runtime, linked in, imports by version.
gcc=gcc$("${objdump%objdump}g++" -dumpversion | grep -oE '^[0-9]+')
expected=$(awk -v arch="$arch:" -v gcc="$gcc:" '{ sub(/#.*/, ""); sub(/[ \t]+$/, "") } /^$/ { next }
  /^[a-z0-9_]+: / { if ($1 == arch || $1 == gcc) print $2; next } { print }' "$(dirname "$0")/allowed_imports.txt" | sort)
unlisted=$(comm -13 <(echo "$expected") <(echo "$actual"))
gone=$(comm -23 <(echo "$expected") <(echo "$actual"))
echo "imports: $(wc -l <<<"$actual") functions from $(cut -d! -f1 <<<"$actual" | sort -u | wc -l) DLLs"
if [ -n "$unlisted" ]; then echo "imported but not listed:"; echo "$unlisted"; status=1; fi
if [ -n "$gone" ]; then echo "listed but no longer imported:"; echo "$gone"; status=1; fi
# The shipped module carries no debug sections and no symbol table; both
# stay in the debug file beside it.
debug=$(sed -n 's/^section \(\.debug.*\)/\1/p' <<<"$tables")
if [ -n "$debug" ]; then echo "debug sections:" $debug; status=1; else echo "no debug sections"; fi
if grep -qx "symbols 0" <<<"$tables"; then echo "no symbol table"; else echo "symbol table present"; status=1; fi
# No build time in the PE file header (linker and objcopy both stamp one
# unless told not to): the same sources must give the same bytes.
if grep -qx "timestamp 0" <<<"$tables"; then echo "no time stamp"; else echo "$(grep '^timestamp' <<<"$tables") in the file header"; status=1; fi
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
# A 32-bit host built by another compiler may call in with the stack only
# 4-byte aligned, and so may Windows calling the dialog's procedures. An
# aligned vector move against a stack slot faults then, unless its function
# realigned the stack first (GCC does so with an "and" of ESP). The shipped
# module has no symbols: the functions' addresses come from the debug file
# beside it, and a function's cold part counts as its parent.
if [[ "$objdump" == *i686* ]]; then
  symbols=$("${objdump%objdump}nm" -n "${3:-$dll.debug}" 2>/dev/null | awk '$2 ~ /^[tT]$/ && $3 !~ /^\./' || true)
  unaligned=$("$objdump" -d "$dll" | awk -v symbols="$symbols" '
    BEGIN { n = split(symbols, lines, "\n")
            for (k = 1; k <= n; k++) { split(lines[k], f, " "); addr[k] = f[1]; sym[k] = f[3] }
            if (n < 2) print "no function symbols to check against" }
    /^[0-9a-f]+:\t/ {
      at = $1; sub(/:$/, "", at)  # same width as the symbol addresses: compared as text
      while (i < n && addr[i + 1] <= at) { i++; fn = sym[i]; name = fn; sub(/\.cold.*/, "", name) }
      if ($0 ~ /and +\$0xff+[fe]0,%esp/) realigned[name] = 1
      else if ($0 ~ /(v?movdqa|v?movaps|v?movapd|vmovdqa(32|64))[ \t][^#]*\(%e[sb]p/ && !realigned[name]) print fn, $0 }')
  if [ -n "$unaligned" ]; then
    echo "stack alignment: aligned vector moves in functions that keep the caller's alignment, or nothing to check:"
    echo "$unaligned"; status=1
  else
    echo "no aligned vector stack moves without a realigned stack ($(wc -l <<<"$symbols") functions)"
  fi
fi
exit $status
