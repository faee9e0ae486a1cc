#!/usr/bin/env bash
# scripts/install-deps' decisions against a stand-in registry
# (fake_apt.sh): no real apt call, no real pause.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
installer=$here/../../scripts/install-deps

# name | options | missing | updates that fail | install | exit | apt-get verbs | said
rows=(
  "nothing missing||||ok|0||"
  "update fails once||jq|1|ok|0|update update install|update failed (try 1 of 3)"
  "update always fails||jq|9|ok|0|update update update install|Packages.xz"
  "multi-arch skew||wine32:i386||skew|0|update install install|libpcre2-8-0:amd64: 10.42-1+deb12u2 -> 10.42-1"
  "impossible||jq||never|1|update install|could not install: jq"
  "linux road, i386 added before|--linux|libudev-dev||ok|0|update install|installing: libudev-dev"
)
failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r name options missing fails install code verbs said <<<"$row"
  dir=$(mktemp -d)
  mkdir "$dir/bin"
  for tool in apt-get apt-cache dpkg dpkg-query sleep; do ln -s "$here/fake_apt.sh" "$dir/bin/$tool"; done
  got=0
  FAKE_DIR=$dir FAKE_MISSING=$missing FAKE_UPDATE_FAILS=${fails:-0} FAKE_INSTALL=$install \
    FAKE_FOREIGN=i386 PATH="$dir/bin:$PATH" bash "$installer" ${options:+"$options"} >"$dir/out" 2>&1 || got=$?
  calls=$(sed -n 's/^apt-get .* \(update\|install\) .*/\1/p; s/^apt-get .* \(update\|install\)$/\1/p' "$dir/calls" | paste -sd' ')
  why=()
  [ "$got" = "$code" ] || why+=("exit $got, expected $code")
  [ "$calls" = "$verbs" ] || why+=("apt-get calls '$calls', expected '$verbs'")
  [ -z "$said" ] || grep -qF -- "$said" "$dir/out" || why+=("never said '$said'")
  [ "$name" = "nothing missing" ] && grep -q '^apt' "$dir/calls" && why+=("called apt")
  [ -n "$options" ] && grep -e '^apt-get' -e '--add-architecture' "$dir/calls" | grep -qv 'APT::Architectures=amd64' &&
    why+=("touched another architecture")
  [[ $name == multi* ]] && ! grep -q 'install.*--allow-downgrades' "$dir/calls" && why+=("no pinned install")
  if [ ${#why[@]} -eq 0 ]; then echo "ok: $name"; else
    echo "FAILED: $name: ${why[*]}"; sed 's/^/  | /' "$dir/out"; failed=1
  fi
  rm -rf "$dir"
done
exit "$failed"
