#!/usr/bin/env bash
# A stand-in for apt-get, apt-cache, dpkg, dpkg-query and sleep (linked
# under those names, first on PATH): a machine whose registry does what
# FAKE_* say, each call written to $FAKE_DIR/calls. FAKE_MISSING: packages
# not installed; FAKE_FOREIGN: foreign architectures; FAKE_UPDATE_FAILS:
# how many index updates fail first; FAKE_INSTALL: ok, never, or skew
# (held broken until pcre2 is pinned at the version i386 has).
# The dpkg-query formats are matched as written, in single quotes.
# shellcheck disable=SC2016
set -euo pipefail
me=$(basename "$0")
echo "$me $*" >>"$FAKE_DIR/calls"
pinned() { grep -qsx 'Package: src:pcre2' "$FAKE_DIR"/prefs/*; }
case "$me $1" in
  "sleep "*) ;;
  "dpkg --print-foreign-architectures") [ -z "$FAKE_FOREIGN" ] || echo "$FAKE_FOREIGN" ;;
  "dpkg --print-architecture") echo amd64 ;;
  "dpkg --add-architecture") ;;
  "dpkg-query -W")
    case $2 in
      '-f=${Status}') [[ " $FAKE_MISSING " == *" $3 "* ]] || echo "install ok installed" ;;
      '-f=${source:Package}') echo pcre2 ;;
      *Multi-Arch*) echo "ii libpcre2-8-0 amd64 same" ;;
      *) if [ -f "$FAKE_DIR/downgraded" ]; then v=10.42-1; else v=10.42-1+deb12u2; fi
         echo "ii libpcre2-8-0:amd64 $v" ;;
    esac ;;
  "apt-cache depends") printf '%s\n' wine32:i386 '  Depends: libpcre2-8-0' libpcre2-8-0:i386 ;;
  "apt-cache policy")
    printf '%s\n' 'libpcre2-8-0:' '  Candidate: 10.42-1+deb12u2' '  Version table:' \
      ' *** 10.42-1+deb12u2 500' '     10.42-1 500' 'libpcre2-8-0:i386:' '  Candidate: 10.42-1' \
      '  Version table:' '     10.42-1 500' ;;
  "apt-get "*)
    for a in "$@"; do [[ $a == Dir::Etc::PreferencesParts=* ]] && ln -sfn "${a#*=}" "$FAKE_DIR/prefs"; done
    if [[ " $* " == *" update "* ]]; then
      n=$(($(cat "$FAKE_DIR/updates" 2>/dev/null || echo 0) + 1))
      echo "$n" >"$FAKE_DIR/updates"
      ((n > FAKE_UPDATE_FAILS)) && exit 0
      echo "E: Failed to fetch http://deb.example/bookworm-security/binary-i386/Packages.xz  File has unexpected size"
      exit 100
    fi
    case $FAKE_INSTALL in
      ok) exit 0 ;;
      skew) if pinned; then touch "$FAKE_DIR/downgraded"; exit 0; fi ;;
    esac
    echo " libglib2.0-0:i386 : Depends: libpcre2-8-0:i386 (>= 10.22) but it is not installable"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
  *) echo "fake_apt: unexpected call: $me $*" >&2; exit 99 ;;
esac
