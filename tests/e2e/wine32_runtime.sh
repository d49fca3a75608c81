#!/usr/bin/env bash
# The 32-bit Windows runtime that runs the i686 product on this machine,
# whose kernel cannot execute 32-bit Linux programs: Debian's 32-bit Wine,
# unpacked into a folder of the project rather than installed (installed,
# it would make `wine` prefer a loader this kernel cannot start), and run by
# qemu-i386. Only the 64-bit Wine is installed system-wide.
#
#   wine32_runtime.sh fetch          unpack the runtime into $ZEK_WINE32 (once)
#   wine32_runtime.sh boot DIR       make DIR a Wine prefix (64-bit programs only)
#   wine32_runtime.sh prefix DIR     make DIR a Wine prefix that runs 32-bit programs
#   wine32_runtime.sh run ARGS...    run a 32-bit Windows program (WINEPREFIX set)
#
# ZEK_WINE32 defaults to .cache/wine32 of the project; everything fetched
# comes from the Debian archive the machine's apt already uses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${ZEK_WINE32:-$(cd "$here/../.." && pwd)/.cache/wine32}
root=$cache/root
qemu=$cache/qemu/usr/bin/qemu-i386

# What libwine recommends for its X11 driver; the dependency walk leaves it out.
X11_LIBS=(libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxxf86vm1)
# Tools among wine32's dependencies that a Windows program never needs.
NOT_NEEDED='^(dpkg|tar|install-info|sysvinit-utils|cdebconf|libcap2-bin|libdebian-installer4|libnewt0\.52|libslang2|libtextwrap1|libreadline8):'

log() { printf '\n== %s\n' "$*" >&2; }

# "URI keyring" of the Debian archive the machine is configured with.
archive() {
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ]; then
    awk '/^URIs:/ && !u {u=$2} /^Signed-By:/ && !k {k=$2} END {print u, k}' "$f"
  else
    awk '$1=="deb" && $2 !~ /^\[/ {print $2; exit}' /etc/apt/sources.list
  fi
}

fetch_qemu() {
  [ -x "$qemu" ] && return
  # Bookworm's qemu-user takes about 45 s to start a 32-bit Wine process; the
  # one of bookworm-backports about 1.5 s. Only this one package is taken
  # from there, through a source list of its own: the system stays on bookworm.
  log "fetching qemu-user from bookworm-backports"
  local uri keyring apt="$cache/apt"
  read -r uri keyring < <(archive)
  [ -n "$uri" ] || { echo "no Debian archive configured for apt" >&2; return 1; }
  mkdir -p "$apt/lists/partial" "$cache/qemu-deb"
  echo "deb ${keyring:+[signed-by=$keyring] }$uri bookworm-backports main" >"$apt/backports.list"
  local opts=(-o "Dir::Etc::sourcelist=$apt/backports.list" -o Dir::Etc::sourceparts=-
              -o "Dir::State::Lists=$apt/lists" -o APT::Sandbox::User=root -q)
  apt-get "${opts[@]}" update >/dev/null
  (cd "$cache/qemu-deb" && apt-get "${opts[@]}" download qemu-user/bookworm-backports >/dev/null)
  dpkg -x "$cache"/qemu-deb/qemu-user_*.deb "$cache/qemu"
  [ -x "$qemu" ]
}

fetch_wine() {
  [ -f "$root/.complete" ] && return
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  if ! apt-cache show wine32:i386 >/dev/null 2>&1; then
    apt-get update -qq
  fi
  log "fetching the 32-bit Wine (about 140 MB) and unpacking it into $root"
  local packages
  packages=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
               --no-replaces --no-enhances --no-pre-depends wine32:i386 |
             grep -E '^[a-z0-9][^ ]*:i386$' | grep -Ev "$NOT_NEEDED" | sort -u)
  mkdir -p "$cache/debs"
  (cd "$cache/debs" && apt-get -q -o APT::Sandbox::User=root download $packages "${X11_LIBS[@]/%/:i386}" >/dev/null)
  rm -rf "$root" && mkdir -p "$root/etc"
  for deb in "$cache"/debs/*.deb; do dpkg -x "$deb" "$root"; done
  # The root's own loader cache: without it Wine's dlopen of FreeType and
  # X11 fails and no display driver loads.
  printf '/lib/i386-linux-gnu\n/usr/lib/i386-linux-gnu\n' >"$root/etc/ld.so.conf"
  ldconfig -r "$root"
  # The 32-bit process starts 64-bit helpers (the desktop's explorer.exe),
  # which run natively.
  ln -sfn /usr/lib/wine/wine64 "$root/usr/lib/wine/wine64"
  touch "$root/.complete"
}

run32() {
  # WINELOADERNOEXEC: no re-exec through Wine's preloader, which this kernel
  # cannot execute either.
  WINELOADERNOEXEC=1 exec "$qemu" -L "$root" "$root/usr/lib/wine/wine" "$@"
}

# Debian's Wine runs without its preloader, so now and then the kernel's
# randomized layout takes the page Windows keeps for the shared user data and
# the program dies as it starts; without randomization that never happens.
fixed_layout() { setarch -R "$@"; }

wine_defaults() {  # prefix
  export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:-fixme-all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winedbg.exe=d;mscoree,mshtml="}
}

failed_with_log() {  # what failed, the log that says why
  echo "$1; Wine printed:" >&2
  cat "$2" >&2
  return 1
}

boot_prefix() {
  local prefix=$1
  [ -f "$prefix/system.reg" ] && return
  wine_defaults "$prefix"
  mkdir -p "$prefix"
  # wineboot's exit code says nothing; a prefix without its registry is a
  # failure, told with everything Wine printed on the way.
  local log="$prefix/zek-boot.log"
  { fixed_layout wineboot -i; wineserver -w; } >"$log" 2>&1 || true
  [ -f "$prefix/system.reg" ] || failed_with_log "wineboot left no registry in $prefix" "$log"
}

make_prefix() {
  local prefix=$1
  [ -f "$prefix/.zek-wine32" ] && return
  # The 64-bit Wine makes the prefix; its 32-bit system folder stays empty
  # until the 32-bit builds of Wine's DLLs are put there.
  boot_prefix "$prefix"
  wine_defaults "$prefix"
  cp "$root"/usr/lib/i386-linux-gnu/wine/i386-windows/* "$prefix/drive_c/windows/syswow64/"
  cp /usr/i686-w64-mingw32/lib/zlib1.dll "$prefix/drive_c/windows/syswow64/"
  # The first 32-bit start finishes setting the prefix up in the background;
  # a window made meanwhile may find no desktop. Do it now, once.
  local log="$prefix/zek-boot.log"
  # (By its full path: the 32-bit loader does not find a bare "cmd".)
  { fixed_layout "$0" run 'C:\windows\syswow64\cmd.exe' /c exit && wineserver -w; } >>"$log" 2>&1 ||
    failed_with_log "the first 32-bit program in $prefix failed" "$log"
  touch "$prefix/.zek-wine32"
}

case "${1:-}" in
  fetch) mkdir -p "$cache"; fetch_qemu; fetch_wine ;;
  boot) boot_prefix "${2:?prefix folder}" ;;
  prefix) make_prefix "${2:?prefix folder}" ;;
  run) shift; run32 "$@" ;;
  *) echo "usage: $0 fetch | boot DIR | prefix DIR | run PROGRAM ARGS..." >&2; exit 2 ;;
esac
