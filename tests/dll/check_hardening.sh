#!/usr/bin/env bash
# The module hardened like a release, as its PE tables and code show it:
#   check_hardening.sh OBJDUMP MODULE [DEBUG_FILE]
# The addresses of its own functions come from the debug file beside it
# (MODULE.debug unless named): the shipped module has no symbols.
set -euo pipefail
objdump=$1 dll=$2 debug=${3:-$2.debug}
nm=${objdump%objdump}nm
tables=$(python3 "$(dirname "$0")/pe_tables.py" "$dll")
symbols=$("$nm" "$debug")
code=$("$objdump" -d "$dll")
status=0
fail() { echo "$*"; status=1; }
address_of() {  # symbol (as C names it; the 32-bit build's carries a leading underscore)
  awk -v name="$1" '$3 == name || $3 == "_" name { print $1; exit }' <<<"$symbols"
}

# Where the loader places it: anywhere, moved by its relocations (the 64-bit
# build anywhere in its address space), its data never run as code.
flags="DYNAMIC_BASE NX_COMPAT"
if grep -qx "machine amd64" <<<"$tables"; then flags+=" HIGH_ENTROPY_VA"; else flags+=" NO_SEH"; fi
for flag in $flags; do
  grep -qx "characteristic $flag" <<<"$tables" && echo "$flag" || fail "missing $flag"
done
relocations=$(sed -n 's/^relocations //p' <<<"$tables")
[ "${relocations:-0}" -gt 0 ] && echo "base relocations: $relocations bytes" ||
  fail "no base relocations: the loader cannot move the module"
subsystem=$(sed -n 's/^subsystem //p' <<<"$tables")
[ "$subsystem" = gui ] && echo "subsystem gui" || fail "subsystem $subsystem, not gui"

# The stack protector is the module's own, and in use: frames call its
# failure, and the entry point that seeds its guard is the image's.
fail_at=$(address_of __stack_chk_fail)
guard_at=$(address_of __stack_chk_guard)
entry_at=$(address_of zek_module_entry)
if [ -z "$fail_at" ] || [ -z "$guard_at" ]; then
  fail "no stack protector: __stack_chk_fail at '${fail_at}', __stack_chk_guard at '${guard_at}'"
else
  checks=$(grep -cE "call +(0x)?0*${fail_at#"${fail_at%%[1-9a-f]*}"}( |$)" <<<"$code" || true)
  [ "$checks" -gt 0 ] && echo "stack protector: $checks checks call its failure" ||
    fail "stack protector linked, but no frame calls its failure at $fail_at"
fi
entry=$(sed -n 's/^entry //p' <<<"$tables")
if [ -n "$entry_at" ] && [ $((16#$entry)) -eq $((16#$entry_at)) ]; then
  echo "entry point: the one that seeds the guard"
else
  fail "entry point at $entry, not at zek_module_entry (${entry_at:-not in the debug file}), which seeds the guard"
fi

# No structured exception handler, which NO_SEH promises: a 32-bit one is
# registered by a store to the head of the thread's handler list, %fs:0.
# (Its C++ exceptions unwind by DWARF tables, which register none.)
if ! grep -qx "machine amd64" <<<"$tables"; then
  registers=$(grep -E '%fs:(0x)?0+$' <<<"$code" | grep -vE '\s(push|cmp|test)[lw]?\s' || true)
  [ -z "$registers" ] && echo "no store to %fs:0" || fail "stores to %fs:0, the handler list's head:"$'\n'"$registers"
fi
exit $status
