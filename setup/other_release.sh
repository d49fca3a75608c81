#!/usr/bin/env bash
# `./run test --on RELEASE`: the README's front door (`./run package`, `./run
# demo`, `./run test`) on another Debian release, as a newcomer there would
# run it: in a minimal chroot of that release with its usual sources
# (RELEASE, -updates, -security), made with debootstrap from the archive the
# machine's apt already uses, into which a fresh clone of this checkout is
# made.
#
#   other_release.sh test RELEASE
#
# The chroot is a machine of its own and is kept like one, in
# ${XDG_CACHE_HOME:-~/.cache}/ZEK_DideZede/debian-RELEASE-ARCH-recipeN, beside
# the 32-bit runtimes: what its first run installs (and the 32-bit runtime it
# makes in its own /root/.cache) is there for the next. It is made in a
# .making-* folder under the cache's lock and renamed into place when whole.
# `rm -rf` of its folder clears it; nothing stays mounted between runs.
#
# Each run has a mount namespace and a PID namespace of its own: whatever
# ends it (a signal to this script, to its unshare or to the run's PID 1),
# the kernel takes its mounts away and ends every process it left, and an
# EXIT trap unmounts in order before that when it can.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$here/.." && pwd)
source "$here/apt_steps.sh"
user_cache=${XDG_CACHE_HOME:-$HOME/.cache}/ZEK_DideZede
JOBS=${JOBS:-2}

# A change to how a chroot is made takes a new number, which names new ones.
CHROOT_RECIPE=1
# Beyond the minimal system: what a user who has cloned the project has.
CHROOT_PACKAGES=(git ca-certificates)
# Where the clone goes inside: a folder name with a space, as a user's
# "My Projects" has, so that every run holds the set-up to paths with spaces.
INSIDE="/root/My Projects/ZEK_DideZede"
# What runs there: the README's front door on a clone where nothing ran
# before, package first, so that it finds no Wine prefix another command
# made; demo then makes its own, and test runs last. A failure stops none of
# the others; the run fails when any of them does.
FRONT_DOOR='cd "$1" || exit; status=0
for command in package demo test; do ./run "$command" || status=$?; done
exit "$status"'
# The mounts a run makes inside the chroot, in order.
MOUNTS=(proc sys dev tmp)

log() { printf '\n== %s\n' "$*" >&2; }

chroot_dir() {  # release
  printf '%s/debian-%s-%s-recipe%s' "$user_cache" "$1" "$(dpkg --print-architecture)" "$CHROOT_RECIPE"
}

need_debootstrap() {
  command -v debootstrap >/dev/null && return
  log "installing debootstrap"
  export DEBIAN_FRONTEND=noninteractive
  apt_update
  apt_resolvable install -- debootstrap
  apt_fetch "installing debootstrap" -y -qq -o DPkg::Lock::Timeout=300 -- install debootstrap
}

# The release's usual sources, from the archives the machine uses.
write_sources() {  # folder, release, uri, keyring, security uri
  local dir=$1 release=$2 uri=$3 keyring=$4 security=$5
  rm -f "$dir/etc/apt/sources.list"
  {
    printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\n' "$uri" "$release" "$release"
    [ -z "$keyring" ] || printf 'Signed-By: %s\n' "$keyring"
    if [ -n "$security" ]; then
      printf '\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\n' "$security" "$release"
      [ -z "$keyring" ] || printf 'Signed-By: %s\n' "$keyring"
    fi
  } >"$dir/etc/apt/sources.list.d/debian.sources"
}

remove_abandoned() {  # release
  local d
  for d in "$user_cache/.making-debian-$1-"*; do
    [ -d "$d" ] || continue
    log "removing $d, left by a chroot that was stopped halfway"
    rm -rf "$d"
  done
}

# debootstrap into a folder of its own, tried again (from nothing) when the
# mirror fails it, renamed into place when whole. Run in a subshell, whose
# EXIT trap takes the folder away however it fails; so `making` is not local:
# a failure returns from here before the trap runs, and a local is gone then.
make_chroot() {  # release, folder
  local release=$1 final=$2 uri keyring security try=1 tries=${ZEK_APT_TRIES:-4}
  local pause=${ZEK_APT_PAUSE:-10}
  read -r uri keyring < <(apt_archive) || true
  read -r security _ < <(apt_archive security) || true
  [ -n "$uri" ] || { echo "no Debian archive configured for apt in $APT_ETC/apt" >&2; return 1; }
  remove_abandoned "$release"
  making=$(mktemp -d "$user_cache/.making-debian-$release-XXXXXX")
  trap 'rm -rf "$making"' EXIT
  while :; do
    log "making a minimal Debian $release in $making (debootstrap from $uri), try $try of $tries"
    # In a mount namespace of its own: what it mounts inside the folder goes
    # with it, however it ends, and never lies under an rm -rf of the folder.
    if unshare --mount --propagation private debootstrap --variant=minbase --include="$(IFS=,; echo "${CHROOT_PACKAGES[*]}")" \
         ${keyring:+--keyring="$keyring"} "$release" "$making" "$uri" >"$making/.debootstrap-output" 2>&1; then
      break
    fi
    if ((try >= tries)); then
      echo "debootstrap of $release failed $tries times; the last one printed:" >&2
      tail -n 30 "$making/.debootstrap-output" >&2
      return 1
    fi
    log "debootstrap failed: $(tail -n 1 "$making/.debootstrap-output"); trying again in $pause s"
    sleep "$pause"
    pause=$((pause * 2)) try=$((try + 1))
    find "$making" -mindepth 1 -delete
  done
  rm -f "$making/.debootstrap-output"
  write_sources "$making" "$release" "$uri" "$keyring" "$security"
  touch "$making/.complete"
  [ -f "$final/.complete" ] || rm -rf "$final"
  mv -T "$making" "$final"
  trap - EXIT
}

# A fresh clone of the checkout's HEAD, with its uncommitted changes to
# tracked files: what `./run test` here would test. Files git does not track
# are not taken.
clone_into() {  # chroot folder
  local target=$1$INSIDE untracked names=()
  rm -rf "$target"
  mkdir -p "$(dirname "$target")"
  git clone -q --no-hardlinks "$ROOT" "$target"
  if ! git -C "$ROOT" diff --quiet HEAD; then
    git -C "$ROOT" diff --binary HEAD | git -C "$target" apply --whitespace=nowarn
    log "the clone has the checkout's uncommitted changes to tracked files"
  fi
  # Read whole: through `| head`, git dies of SIGPIPE once head has its lines
  # (when the names outgrow a pipe), and pipefail ends the run without a word.
  untracked=$(git -C "$ROOT" ls-files --others --exclude-standard)
  [ -z "$untracked" ] || mapfile -t names <<<"$untracked"
  ((${#names[@]} == 0)) || log "not in the clone, as git does not track them (${#names[@]}):" \
    "${names[*]:0:5}$( ((${#names[@]} > 5)) && echo ' ...')"
}

# PID 1 of the run's namespaces: mounts what a machine has, runs the test in
# the chroot, unmounts.
MOUNTED=()
unmount_all() {  # chroot folder
  local i
  for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
    umount -R "$1/${MOUNTED[i]}" 2>/dev/null || umount -l "$1/${MOUNTED[i]}" || true
  done
  MOUNTED=()
}

inside() {  # chroot folder
  local dir=$1 status=0 m
  CHROOT=$dir
  # With an EXIT trap set, bash handles the signals that end a shell itself,
  # so PID 1 gets them too: a SIGTERM runs this trap and ends PID 1 at once,
  # and with it the namespace. A trap of our own runs only between commands,
  # once the test inside has ended: so one for INT alone, which a Ctrl-C
  # sends the test too.
  trap 'unmount_all "$CHROOT"' EXIT
  trap 'exit 130' INT
  for m in "${MOUNTS[@]}"; do
    case $m in
      proc) mount -t proc proc "$dir/proc" ;;
      sys) mount --rbind /sys "$dir/sys" ;;
      dev) mount --rbind /dev "$dir/dev" ;;
      tmp) mount -t tmpfs tmpfs "$dir/tmp" ;;
    esac
    MOUNTED+=("$m")
  done
  # Replacing, not writing through, what is there: a symlink in the chroot
  # points at a path of this machine.
  cp --remove-destination "$APT_ETC/resolv.conf" "$dir/etc/resolv.conf"
  # A run killed while apt installed inside leaves dpkg's work half done, and
  # apt then refuses every install until it is finished: the next run would
  # fail in deps. The chroot is ours, kept like a machine: finish that work
  # first, as dpkg itself asks (on a sound chroot there is nothing to do).
  chroot "$dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
    dpkg --configure -a </dev/null || log "dpkg could not finish what a run killed inside left half done"
  chroot "$dir" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM="${TERM:-dumb}" JOBS="$JOBS" ${ZEK_APT_TRIES:+ZEK_APT_TRIES=$ZEK_APT_TRIES} \
    ${ZEK_APT_PAUSE:+ZEK_APT_PAUSE=$ZEK_APT_PAUSE} \
    /bin/bash -c "$FRONT_DOOR" run-test "$INSIDE" || status=$?
  return "$status"
}

test_on() {  # release
  local release=$1 dir status=0
  case $release in *[!a-z0-9-]* | '') echo "not a release name: '$release'" >&2; return 2 ;; esac
  dir=$(chroot_dir "$release")
  mkdir -p "$user_cache"
  exec 9>"$user_cache/.lock"
  if ! flock -n 9; then
    log "another run is making something in $user_cache; waiting for it"
    flock 9
  fi
  if [ -f "$dir/.complete" ]; then
    log "Debian $release: using the chroot in $dir"
  else
    local started=$SECONDS
    need_debootstrap
    (make_chroot "$release" "$dir")
    log "Debian $release: made the chroot in $((SECONDS - started)) s"
  fi
  exec 9>&-
  # One run at a time in a chroot: it is one machine.
  exec 8>"$dir.lock"
  if ! flock -n 8; then
    log "another run is testing in $dir; waiting for it"
    flock 8
  fi
  clone_into "$dir"
  log "./run test in Debian $release, in $dir$INSIDE (rm -rf $dir clears it)"
  # Ended with this script, however it ends (the parent-death signal), and
  # ending the run's PID 1 when it ends itself (--kill-child): a kill -9 of
  # either leaves nothing running in the chroot, nor holding its lock.
  setpriv --pdeathsig KILL -- unshare --mount --pid --fork --kill-child --propagation private -- \
    "$0" inside "$dir" || status=$?
  log "./run test in Debian $release ended with exit $status"
  return "$status"
}

case "${1:-}" in
  test) test_on "${2:?usage: $0 test RELEASE}" ;;
  inside) inside "${2:?chroot folder}" ;;  # test_on's step, in the run's namespaces
  *) echo "usage: $0 test RELEASE" >&2; exit 2 ;;
# (exit on the same line: bash reads a script as it runs, and a checkout
# updated under a long run must not feed it the new file's tail)
esac; exit
