#!/usr/bin/env bash
# The 32-bit Windows runtime that runs the i686 product: Debian's 32-bit
# Wine, unpacked into a folder of the user's cache rather than installed
# (installed, it would change the loader `wine` takes for every program on
# the machine), with its own 32-bit libraries, so that it needs none of the
# machine's. It runs natively where the kernel runs 32-bit programs and
# under qemu-i386 where it cannot (way, below). Only the 64-bit Wine is
# installed system-wide.
#
#   wine32_runtime.sh fetch          find the runtime in the user's cache, or make it there
#   wine32_runtime.sh where          print the runtime's folder
#   wine32_runtime.sh boot DIR       make DIR a Wine prefix (64-bit programs only)
#   wine32_runtime.sh prefix DIR     make DIR a Wine prefix that runs 32-bit programs
#   wine32_runtime.sh run ARGS...    run a 32-bit Windows program (WINEPREFIX set)
#   wine32_runtime.sh way            print how 32-bit programs run here: native or qemu, and why
#
# The runtime (the packages fetched, the unpacked root and qemu) lives in
# ${XDG_CACHE_HOME:-~/.cache}/ZEK_DideZede/, one folder per Debian release,
# machine architecture, recipe and versions of wine32 and qemu-user, so
# every clone of the user shares it; the clone's .cache/wine32 links to the
# one it uses. Everything fetched comes from the Debian archive the
# machine's apt already uses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../setup/apt_steps.sh"
cache=$(cd "$here/../.." && pwd)/.cache/wine32
# The runtime a step uses: the clone's, or (while one is made and checked)
# the one named here.
runtime=${ZEK_RUNTIME:-$cache}
root=$runtime/root
user_cache=${XDG_CACHE_HOME:-$HOME/.cache}/ZEK_DideZede

log() { printf '\n== %s\n' "$*" >&2; }

# --- how a runtime is made: a change below changes what a runtime holds,
# so it takes a new RECIPE number, which names new runtimes (the set-up's
# tests hold the two together).
RECIPE=3

# What Wine loads at run time without a package that depends on it: libwine
# only recommends its X11 driver's libraries. Whether the set is whole is
# found by starting a window (check_runtime), not by this list.
RUNTIME_LIBS=(libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxxf86vm1)
# Tools among wine32's dependencies that a Windows program never needs.
NOT_NEEDED='^(dpkg|tar|install-info|sysvinit-utils|cdebconf|libcap2-bin|libdebian-installer4|libnewt0\.52|libslang2|libtextwrap1|libreadline8):'

# A qemu-user older than 8 takes some 45 s to start a 32-bit Wine process
# (bookworm's 7.2); from 8 on, about 1.5 s. An older one is taken from the
# release's backports instead, through a source list and lists of its own
# (shared by the user's clones): the system stays on its release.
QEMU_FAST_FROM=8

backports_apt() {  # sets release, backports and bpo, the options that select its lists
  local apt=$user_cache/apt uri keyring
  release=$(release_codename)
  [ -n "$release" ] || { echo "$APT_ETC/os-release names no release codename" >&2; return 1; }
  backports=$release-backports
  read -r uri keyring < <(apt_archive) || true
  [ -n "$uri" ] || { echo "no Debian archive configured for apt in $APT_ETC/apt" >&2; return 1; }
  mkdir -p "$apt/lists/partial"
  echo "deb ${keyring:+[signed-by=$keyring] }$uri $backports main" >"$apt/backports.list"
  bpo=(-o "Dir::Etc::sourcelist=$apt/backports.list" -o Dir::Etc::sourceparts=-
       -o "Dir::State::Lists=$apt/lists" -o APT::Sandbox::User=root)
}

qemu_fast_enough() {  # version
  local upstream=${1#*:}
  [ -n "$upstream" ] && ((${upstream%%[.~+-]*} >= QEMU_FAST_FROM))
}

# The folder's name says what it holds; a newer wine32 or qemu-user in the
# lists, or a new recipe, makes a new one beside it.
runtime_key() {
  local wine=$1 qemu=$2
  printf 'wine32-%s-%s-recipe%s-%s-qemu-user-%s' "$release" "$(dpkg --print-architecture)" "$RECIPE" "$wine" "$qemu" |
    tr ':/' '__'
}

fetch_qemu() {  # folder
  local dir=$1
  log "fetching qemu-user $qemu from $qemu_from"
  mkdir -p "$dir/qemu-deb"
  (cd "$dir/qemu-deb" && apt_fetch "downloading qemu-user" "${qemu_apt[@]}" -q -o APT::Sandbox::User=root \
     -- download "qemu-user=$qemu")
  dpkg -x "$dir"/qemu-deb/qemu-user_*.deb "$dir/qemu"
  [ -x "$dir/qemu/usr/bin/qemu-i386" ]
}

wine_packages() {
  local packages
  packages=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
               --no-replaces --no-enhances --no-pre-depends wine32:i386 |
             grep -E '^[a-z0-9][^ ]*:i386$' | grep -Ev "$NOT_NEEDED" | sort -u)
  echo $packages "${RUNTIME_LIBS[@]/%/:i386}"
}

fetch_wine() {  # folder, packages...
  local dir=$1
  shift
  local root=$dir/root
  log "fetching the 32-bit Wine (about 140 MB) and unpacking it into $root"
  mkdir -p "$dir/debs"
  (cd "$dir/debs" && apt_fetch "downloading the 32-bit Wine" -q -o APT::Sandbox::User=root -- download "$@")
  mkdir -p "$root/etc"
  for deb in "$dir"/debs/*.deb; do dpkg -x "$deb" "$root"; done
  # The root's own loader cache: without it Wine's dlopen of FreeType and
  # X11 fails and no display driver loads.
  printf '/lib/i386-linux-gnu\n/usr/lib/i386-linux-gnu\n' >"$root/etc/ld.so.conf"
  ldconfig -r "$root"
  # The 32-bit process starts 64-bit helpers (the desktop's explorer.exe),
  # which run natively.
  ln -sfn /usr/lib/wine/wine64 "$root/usr/lib/wine/wine64"
  # Wine starts a new 32-bit process by executing the loader its own process
  # was started as (Wine 10 starts every program as a child of start.exe).
  # So the loader's name is a script that starts each one the way this run
  # chose (ZEK_WINE32, see way below): natively, by the runtime's own dynamic
  # loader with the runtime's libraries, where the kernel runs 32-bit
  # programs; else under qemu-i386. Either way it names itself as the
  # process's loader; the real loader is wine-i386. The dynamic loader lies
  # beside it as a file of its own: Wine finds its libraries from the folder
  # of the running executable, which natively is the dynamic loader.
  mv "$root/usr/lib/wine/wine" "$root/usr/lib/wine/wine-i386"
  # (Under /lib before Debian 13, under /usr/lib since its /usr merge.)
  local ld= candidate
  for candidate in "$root/usr/lib/i386-linux-gnu/ld-linux.so.2" "$root/lib/i386-linux-gnu/ld-linux.so.2"; do
    if [ -e "$candidate" ]; then ld=$candidate; break; fi
  done
  [ -n "$ld" ] || { echo "the 32-bit C library holds no ld-linux.so.2 under $root" >&2; return 1; }
  cp -L "$ld" "$root/usr/lib/wine/ld-linux.so.2"
  cat >"$root/usr/lib/wine/wine" <<'LOADER'
#!/bin/sh
# A 32-bit Wine process in the runtime this script lies in: natively when
# ZEK_WINE32 is "native", under qemu-i386 when it is "qemu"; unset, a try of
# the runtime's dynamic loader decides.
lib=$(cd "$(dirname "$0")" && pwd)
root=${lib%/usr/lib/wine}
way=${ZEK_WINE32:-}
if [ -z "$way" ]; then
  if "$lib/ld-linux.so.2" --version >/dev/null 2>&1; then way=native; else way=qemu; fi
fi
# No re-exec through Wine's preloader, which Debian does not ship and qemu
# could not run.
export WINELOADERNOEXEC=1
if [ "$way" = native ]; then
  # The runtime's libraries only: its own folders, not the machine's cache.
  exec "$lib/ld-linux.so.2" --inhibit-cache --library-path "$root/lib/i386-linux-gnu:$root/usr/lib/i386-linux-gnu" \
    --argv0 "$lib/wine" "$lib/wine-i386" "$@"
fi
exec "$root/../qemu/usr/bin/qemu-i386" -L "$root" -0 "$lib/wine" "$lib/wine-i386" "$@"
LOADER
  chmod +x "$root/usr/lib/wine/wine"
}

# A runtime is whole when a 32-bit program can show a window and draw text in
# it: that needs the display driver and FreeType, which Wine loads by name at
# run time. Started in a prefix of its own, under a virtual screen, with the
# fixed layout that every start takes (fixed_layout): a random one now and
# then kills this Wine as it starts, and a good runtime would be thrown away.
# Everything in the check, the server's end included, is in that prefix: a
# `wineserver -k` anywhere else would end the caller's own Wine programs.
check_runtime() {  # folder
  local dir=$1 check=$1/check out status=0
  log "checking the runtime: a 32-bit window with text in it"
  mkdir -p "$check"
  i686-w64-mingw32-gcc -O1 -o "$check/window_check.exe" "$here/../../setup/window_check.c" -lgdi32 -luser32
  out=$(ZEK_RUNTIME=$dir WINEPREFIX=$check/prefix WINEDEBUG=fixme-all xvfb-run -a bash -c \
          '"$1" prefix "$WINEPREFIX" && setarch -R "$1" run "$2"; status=$?; wineserver -k; exit $status' \
          check "$0" "$check/window_check.exe" 2>&1) || status=$?
  if [ "$status" != 0 ]; then
    echo "the new 32-bit runtime cannot start a window (exit $status); it printed:" >&2
    echo "$out" >&2
    return 1
  fi
  grep -m1 '^window ' <<<"$out" >&2 || true
  rm -rf "$check"
}
# --- end of the recipe

# Runtimes are only made under the cache's lock, which goes with its holder
# however it ends: a folder still being made when the lock is ours was left
# by a run stopped halfway. Nothing reads them; they only take room.
remove_abandoned() {
  local d
  for d in "$user_cache"/.making-*; do
    [ -d "$d" ] || continue
    log "removing $d, left by a fetch that was stopped halfway"
    rm -rf "$d"
  done
}

# The runtime is made in a folder of its own and renamed into place only
# when whole, marked .complete last: a fetch stopped at any point leaves no
# folder that a later run could take for a runtime. Run as a program of its
# own ("make KEY"), so that its first failure ends it and the caller still
# learns its status: APT_STALE when the mirror has moved past the lists.
make_runtime() {  # key
  local final=$user_cache/$1 packages
  # Every package must be there before the first byte is fetched.
  read -r -a packages < <(wine_packages)
  apt_resolvable download --why "a dependency of wine32:i386 on this release" -- "${packages[@]}"
  remove_abandoned
  making=$(mktemp -d "$user_cache/.making-$1.XXXXXX")
  # A fetch that fails takes its folder away; one that is killed leaves it
  # to the next run's remove_abandoned.
  trap 'rm -rf "$making"' EXIT
  fetch_qemu "$making"
  fetch_wine "$making" "${packages[@]}"
  check_runtime "$making"
  touch "$making/.complete"
  # One that is there without its marker was left by hand; ours replaces it.
  [ -f "$final/.complete" ] || rm -rf "$final"
  mv -T "$making" "$final"
  trap - EXIT
}

# Sets wine, qemu and where qemu comes from (qemu_from and qemu_apt, the
# options that select its lists), fetching lists that are missing.
versions() {
  wine=$(candidate wine32:i386)
  if [ -z "$wine" ]; then
    log "no i386 package lists yet: updating them"
    apt_update
    wine=$(candidate wine32:i386)
  fi
  qemu=$(candidate qemu-user) qemu_from=$release qemu_apt=()
  if ! qemu_fast_enough "$qemu"; then
    qemu_from=$backports qemu_apt=("${bpo[@]}")
    qemu=$(candidate qemu-user "${bpo[@]}")
    if [ -z "$qemu" ]; then
      log "fetching the package lists of $backports"
      apt_update "${bpo[@]}"
      bpo_fresh=1
      qemu=$(candidate qemu-user "${bpo[@]}")
    fi
  fi
  [ -n "$wine" ] || apt_resolvable download -- wine32:i386
  [ -n "$qemu" ] || apt_resolvable download "${qemu_apt[@]}" -- "qemu-user/$qemu_from"
  [ -n "$wine" ] && [ -n "$qemu" ] ||
    { echo "apt names no version of wine32:i386 ('$wine') or of qemu-user in $qemu_from ('$qemu')" >&2; return 1; }
}

fetch() {
  mkdir -p "$user_cache"
  # Two runs at once: the second waits here for the first and then finds
  # the runtime made. The lock goes with the process, however it ends.
  exec 9>"$user_cache/.lock"
  if ! flock -n 9; then
    log "another run is fetching the 32-bit runtime; waiting for it"
    flock 9
  fi
  if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
    dpkg --add-architecture i386
  fi
  backports_apt
  local wine qemu qemu_from qemu_apt key status bpo_fresh=
  versions
  key=$(runtime_key "$wine" "$qemu")
  if [ ! -f "$user_cache/$key/.complete" ] && [ -z "$bpo_fresh" ] && [ "$qemu_from" = "$backports" ]; then
    # The backports lists are shared and may be old: what is made is named
    # for what the mirror has now.
    log "refreshing the package lists of $backports"
    apt_update "${bpo[@]}"
    versions
    key=$(runtime_key "$wine" "$qemu")
  fi
  if [ -f "$user_cache/$key/.complete" ]; then
    log "32-bit runtime: using the cache in $user_cache/$key"
  else
    log "32-bit runtime: not in the cache yet; making $user_cache/$key"
    status=0
    "$0" make "$key" "$qemu" "$qemu_from" || status=$?
    if [ "$status" = "$APT_STALE" ]; then
      log "the package lists are older than the mirror: refreshing them and trying once more"
      apt_update
      versions
      key=$(runtime_key "$wine" "$qemu")
      [ -f "$user_cache/$key/.complete" ] || "$0" make "$key" "$qemu" "$qemu_from"
    elif [ "$status" != 0 ]; then
      return "$status"
    fi
  fi
  exec 9>&-
  # A clone of earlier days kept a runtime of its own at the link's place.
  if [ -d "$cache" ] && [ ! -L "$cache" ]; then
    log "removing the clone's own runtime $cache: the user's cache replaces it"
    rm -rf "$cache"
  fi
  mkdir -p "$(dirname "$cache")"
  ln -sfn "$user_cache/$key" "$cache"
}

run32() { exec "$root/usr/lib/wine/wine" "$@"; }

# How this machine runs the runtime's 32-bit programs, found out by a real
# start of its Wine natively (a few milliseconds): a kernel built with 32-bit
# support may refuse 32-bit code all the same, so its configuration says
# nothing. Prints the way (native or qemu) and why; ZEK_WINE32 set to either
# decides instead.
way() {
  local out status=0
  case ${ZEK_WINE32:-} in
    native | qemu) echo "$ZEK_WINE32 ZEK_WINE32=$ZEK_WINE32 asks for it"; return ;;
    '') ;;
    *) echo "ZEK_WINE32 is '$ZEK_WINE32'; it may be native or qemu" >&2; return 2 ;;
  esac
  # The loader's own start, as the runtime's loader script makes it natively
  # (which hides --version from Wine, as it skips Wine's first pass).
  local lib=$root/usr/lib/wine
  out=$(timeout 60 "$lib/ld-linux.so.2" --inhibit-cache --library-path "$root/lib/i386-linux-gnu:$root/usr/lib/i386-linux-gnu" \
          "$lib/wine-i386" --version 2>&1) || status=$?
  if [ "$status" = 0 ] && [[ $out == wine-* ]]; then
    echo "native this kernel runs the runtime's 32-bit Wine ($out)"
  else
    echo "qemu this kernel cannot run the runtime's 32-bit Wine (exit $status: $(tail -n 1 <<<"$out"))"
  fi
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
  fetch) fetch ;;
  make)  # fetch's step, under its lock: make KEY QEMU-VERSION QEMU-SUITE
    backports_apt
    qemu=${3:?qemu version} qemu_from=${4:?qemu suite} qemu_apt=()
    [ "$qemu_from" = "$release" ] || qemu_apt=("${bpo[@]}")
    make_runtime "${2:?key}" ;;
  where) readlink -f "$cache" ;;
  boot) boot_prefix "${2:?prefix folder}" ;;
  prefix) make_prefix "${2:?prefix folder}" ;;
  run) shift; run32 "$@" ;;
  way) way ;;
  *) echo "usage: $0 fetch | where | way | boot DIR | prefix DIR | run PROGRAM ARGS..." >&2; exit 2 ;;
esac
