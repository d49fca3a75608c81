# Sourced, not run: apt steps that survive a bad day of the package mirror.
# A mirror in the middle of a sync serves indexes and packages that do not
# match their hashes or sizes for minutes, sometimes an hour; apt-get then
# fails a whole step for one file the set-up may not even need. Here:
#   apt_update [APT OPTIONS...]
#       refreshes the lists; failed indexes are tried again with a growing
#       pause, then the lists that arrived are kept and the failed ones named
#   apt_resolvable install|download [--why TEXT] [APT OPTIONS...] -- PACKAGES...
#       fails, naming the packages and apt's words, when one cannot be had;
#       a package this release does not have at all is told apart from one
#       the mirror failed to list, with the project's line that asks for it
#   apt_fetch WHAT [APT OPTIONS...] -- install|download ARGS...
#       an apt-get that downloads; transient failures are tried again
# ZEK_APT_TRIES (default 4) bounds the tries of one step, ZEK_APT_PAUSE
# (default 10 s) is the first pause, doubled after each try.

APT_FAILED_INDEXES=""  # what the last apt_update could not fetch, for later messages
APT_PROJECT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The machine's own description of itself; the set-up's tests point this at
# a machine of their making.
APT_ETC=${ZEK_ETC:-/etc}

# apt's words for a failure that the same command may not meet a minute later.
APT_TRANSIENT='Hash Sum mismatch|Hashes do not match|unexpected size|Size mismatch|[Tt]imed out|Timeout|Connection reset|Connection refused|Connection failed|Could not connect|Temporary failure resolving|Could not resolve| 50[0234] +[A-Z]|Mirror sync in progress|Could not get lock|Undetermined Error'
# ... and for a package that is not there, which no retry brings.
APT_NO_SUCH='Unable to locate package|has no installation candidate|Can.t select candidate version|was not found|Couldn.t find any package'

apt_log() { printf '== %s\n' "$*" >&2; }

# "Debian 13 (trixie)", from os-release.
release_name() {
  (
    VERSION_ID='' VERSION_CODENAME='' NAME=Debian
    . "$APT_ETC/os-release"
    printf '%s%s (%s)\n' "${NAME%% *}" "${VERSION_ID:+ $VERSION_ID}" "${VERSION_CODENAME:-unknown}"
  )
}

release_codename() { (VERSION_CODENAME='' && . "$APT_ETC/os-release" && echo "$VERSION_CODENAME"); }

# The Debian sources the machine's apt uses, one "URI SUITE KEYRING" a line,
# from debian.sources (deb822) or, on older set-ups, sources.list.
apt_sources() {
  local f=$APT_ETC/apt/sources.list.d/debian.sources
  if [ -f "$f" ]; then
    awk 'function flush() { if (u != "") { n = split(s, w, " "); for (i = 1; i <= n; i++) print u, w[i], (k == "" ? "-" : k) }
                            u = s = k = "" }
         /^[ \t]*$/ { flush(); next }
         /^URIs:/ { u = $2 } /^Suites:/ { s = $0; sub(/^Suites: */, "", s) } /^Signed-By:/ { k = $2 }
         END { flush() }' "$f"
  fi
  if [ -f "$APT_ETC/apt/sources.list" ]; then
    awk '$1 == "deb" { k = "-"; i = 2
                       if ($2 ~ /^\[/) { for (; i <= NF && $i !~ /\]$/; i++) if ($i ~ /signed-by=/) k = $i
                                          if ($i ~ /signed-by=/) k = $i; i++ }
                       sub(/.*signed-by=/, "", k); sub(/\]$/, "", k); print $i, $(i + 1), k }' "$APT_ETC/apt/sources.list"
  fi
}

# "URI KEYRING" of the Debian archive (the first source that is not the
# security one), or of its security archive.
apt_archive() {  # [security]
  local want=${1:-main}
  apt_sources | awk -v want="$want" '($2 ~ /-security$/) == (want == "security") {
    print $1, ($3 == "-" ? "" : $3); exit }'
}

candidate() {  # package, apt options...: the version apt would take, or nothing
  local package=$1; shift
  # (awk reads to the end: apt-cache stopped halfway would fail the pipe.)
  apt-cache "$@" policy "$package" 2>/dev/null | awk '$1 == "Candidate:" && $2 != "(none)" && !v {v = $2} END {print v}'
}

# Whether apt's lists name the package at all, in any version.
apt_knows() {  # package, apt options...
  local package=$1; shift
  apt-cache "$@" policy "$package" 2>/dev/null | grep -q '^ *Candidate:'
}

# Where the project asks for the package: the lines of the set-up's package
# lists (arrays named *PACKAGES or *LIBS) that name it.
apt_asked_by() {  # package
  local file
  for file in run setup/*.sh tests/e2e/wine32_runtime.sh; do
    [ -f "$APT_PROJECT/$file" ] || continue
    awk -v name="${1%%:*}" -v file="$file" '
      /^ *[A-Z0-9_]*(PACKAGES|LIBS)=\(/ { list = 1 }
      list { line = $0; sub(/#.*/, "", line); n = split(line, w, /[ ()=]+/)
             for (i = 1; i <= n; i++) if (w[i] == name) { sub(/^ +/, ""); print file ":" FNR ": " $0; break } }
      list && /\)/ { list = 0 }' "$APT_PROJECT/$file"
  done
}

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

apt_resolvable() {  # install|download [--why TEXT] [apt options...] -- packages...
  local kind=$1 opts args out status=0 names dir why="" name absent=() unlisted=()
  shift
  if [ "${1:-}" = --why ]; then why=$2; shift 2; fi
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
  # With every index in, a package the lists do not name at all is one this
  # release does not have: the project asked for the wrong name, and no
  # mirror will ever give it.
  for name in $names; do
    if [ -z "$APT_FAILED_INDEXES" ] && ! apt_knows "${name%%/*}" "${opts[@]}"; then
      absent+=("$name")
    else
      unlisted+=("$name")
    fi
  done
  {
    if ((${#absent[@]})); then
      echo "$(release_name) has no package ${absent[*]}."
      for name in "${absent[@]}"; do
        local lines
        lines=$(apt_asked_by "$name")
        if [ -n "$lines" ]; then
          echo "The project asks for ${name%%:*} here:"
          sed 's/^/    /' <<<"$lines"
        else
          echo "The project asks for ${name%%:*} as ${why:-a package of the set-up}."
        fi
      done
      echo "This is the project, not the mirror: the set-up must take the name this release gives the package."
    fi
    if ((${#unlisted[@]})) || [ -z "$names" ]; then
      echo "The package mirror cannot give what the set-up needs: ${unlisted[*]:-${args[*]}}."
      echo "This is the mirror, not the project: try again once the mirror is whole (a sync ends within minutes or hours)."
    fi
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
