#!/usr/bin/env bash
# Installs the Debian packages of the named sections of scripts/packages.txt (all of them when none is
# named). Quick when they are all there already.
#   ./scripts/install-deps.sh build        building and running
#   ./scripts/install-deps.sh build test   and the test suite
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sections=("$@")
[ ${#sections[@]} -gt 0 ] || mapfile -t sections < <(sed -n 's/^\[\(.*\)\]\s*$/\1/p' "$here/packages.txt")

wanted=()
for section in "${sections[@]}"; do
  grep -qx "\[$section\]" "$here/packages.txt" || { echo "install-deps: no section [$section]" >&2; exit 2; }
  # The lines after "[section]" up to the next section, without comments and blank lines.
  mapfile -t -O ${#wanted[@]} wanted < <(awk -v s="[$section]" \
    '/^\[/ { inside = ($0 == s); next } inside && !/^[[:space:]]*(#|$)/ { print $1 }' "$here/packages.txt")
done

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
