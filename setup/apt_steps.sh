# Sourced, not run: apt steps that survive a bad day of the package mirror.
# A mirror in the middle of a sync serves indexes and packages that do not
# match their hashes or sizes for minutes, sometimes an hour; apt-get then
# fails a whole step for one file the set-up may not even need. Here:
#   apt_update [APT OPTIONS...]
#       refreshes the lists; failed indexes are tried again with a growing
#       pause, then the lists that arrived are kept and the failed ones named
#   apt_resolvable install|download [APT OPTIONS...] -- PACKAGES...
#       fails, naming the packages and apt's words, when one cannot be had
#   apt_fetch WHAT [APT OPTIONS...] -- install|download ARGS...
#       an apt-get that downloads; transient failures are tried again
# ZEK_APT_TRIES (default 4) bounds the tries of one step, ZEK_APT_PAUSE
# (default 10 s) is the first pause, doubled after each try.

APT_FAILED_INDEXES=""  # what the last apt_update could not fetch, for later messages

# apt's words for a failure that the same command may not meet a minute later.
APT_TRANSIENT='Hash Sum mismatch|Hashes do not match|unexpected size|Size mismatch|[Tt]imed out|Timeout|Connection reset|Connection refused|Connection failed|Could not connect|Temporary failure resolving|Could not resolve| 50[0234] +[A-Z]|Mirror sync in progress|Could not get lock|Undetermined Error'
# ... and for a package that is not there, which no retry brings.
APT_NO_SUCH='Unable to locate package|has no installation candidate|Can.t select candidate version|was not found|Couldn.t find any package'

apt_log() { printf '== %s\n' "$*" >&2; }

# "bookworm-security/main/binary-i386/Packages.xz (File has unexpected size ...)"
# for each "Failed to fetch" line of apt's output, on one line.
apt_failed_fetches() {  # file of apt's output
  sed -nE 's#^[WE]: Failed to fetch [^ ]*/dists/([^ ]+) +(.*)#\1 (\2)#p; t
           s#^[WE]: Failed to fetch [^ ]*/([^/ ]+\.deb) +(.*)#\1 (\2)#p; t
           s#^[WE]: Failed to fetch ([^ ]+) +(.*)#\1 (\2)#p' "$1" |
    sed -E 's/ *\[IP: [^]]*\]//' | paste -sd ';' | sed 's/;/; /g'
}

apt_update() {  # apt options...
  local tries=${ZEK_APT_TRIES:-4} pause=${ZEK_APT_PAUSE:-10} try=1 out failed status
  out=$(mktemp)
  while :; do
    status=0
    apt-get "$@" -qq update >"$out" 2>&1 || status=$?
    # A failed index makes apt-get end 100; older apts only warn and end 0.
    if [ "$status" = 0 ] && ! grep -q 'Failed to fetch' "$out"; then
      rm -f "$out"; APT_FAILED_INDEXES=""; return 0
    fi
    failed=$(apt_failed_fetches "$out")
    [ -n "$failed" ] || failed=$(grep -E '^(E|W|Err):' "$out" | paste -sd ' ' || true)
    [ -n "$failed" ] || failed="exit $status"
    ((try < tries)) || break
    apt_log "apt-get update, try $try of $tries, failed: $failed; trying again in $pause s"
    sleep "$pause"
    pause=$((pause * 2)) try=$((try + 1))
  done
  rm -f "$out"
  APT_FAILED_INDEXES=$failed
  # What the run needs may well be among the lists that arrived; the check of
  # each package that follows tells.
  apt_log "apt-get update: going on with the lists that arrived; these failed $tries times: $failed"
}

# Splits "OPTIONS... -- ARGS..." into the arrays opts and args.
apt_split() {
  opts=() args=()
  while (($#)) && [ "$1" != -- ]; do opts+=("$1"); shift; done
  (($#)) && shift
  args=("$@")
}

# The names of the packages apt's output says it cannot have.
apt_unresolved_names() {  # file of apt's output
  sed -nE "s/.*Unable to locate package ([^ ]+).*/\1/p
           s/.*Package '([^']+)' has no installation candidate.*/\1/p
           s/.*Can.t select candidate version from package ([^ ]+).*/\1/p
           s/.*(Version|Release) '[^']+' for '([^']+)' was not found.*/\2/p
           s/^ ([^ ]+) : Depends: .*/\1/p" "$1" | sort -u | paste -sd ' '
}

apt_resolvable() {  # install|download [apt options...] -- packages...
  local kind=$1 opts args out status=0 names dir
  shift
  apt_split "$@"
  out=$(mktemp)
  if [ "$kind" = install ]; then
    apt-get "${opts[@]}" -qq -s install "${args[@]}" >/dev/null 2>"$out" || status=$?
  else
    dir=$(mktemp -d)
    (cd "$dir" && apt-get "${opts[@]}" -qq --print-uris download "${args[@]}") >/dev/null 2>"$out" || status=$?
    rmdir "$dir"
  fi
  if [ "$status" = 0 ]; then rm -f "$out"; return 0; fi
  names=$(apt_unresolved_names "$out")
  {
    echo "The package mirror cannot give what the set-up needs: ${names:-${args[*]}}."
    echo "This is the mirror, not the project: try again once the mirror is whole (a sync ends within minutes or hours)."
    echo "apt-get said:"
    sed 's/^/    /' "$out"
    [ -z "$APT_FAILED_INDEXES" ] || echo "The indexes that failed to download: $APT_FAILED_INDEXES"
  } >&2
  rm -f "$out"
  return 1
}

APT_STALE=75  # apt_fetch's status when the mirror no longer has what the lists name

apt_fetch() {  # what, [apt options...] -- install|download args...
  local what=$1 opts args out status reason
  local tries=${ZEK_APT_TRIES:-4} pause=${ZEK_APT_PAUSE:-10} try=1
  shift
  apt_split "$@"
  out=$(mktemp)
  while :; do
    status=0
    apt-get "${opts[@]}" "${args[@]}" >"$out" 2>&1 || status=$?
    [ "$status" != 0 ] || { rm -f "$out"; return 0; }
    reason=$(grep -Eo "$APT_TRANSIENT" "$out" | head -n 1 || true)
    if grep -Eq "$APT_NO_SUCH" "$out" || [ -z "$reason" ] || ((try >= tries)); then
      echo "$what failed (apt-get ended $status after $try tries); apt-get said:" >&2
      cat "$out" >&2
      # A 404 means the lists name versions the mirror has already replaced.
      if grep -q '404 *Not Found' "$out"; then rm -f "$out"; return "$APT_STALE"; fi
      rm -f "$out"
      return "$status"
    fi
    apt_log "$what, try $try of $tries: a download failed ($reason): $(apt_failed_fetches "$out"); trying again in $pause s"
    sleep "$pause"
    pause=$((pause * 2)) try=$((try + 1))
  done
}
