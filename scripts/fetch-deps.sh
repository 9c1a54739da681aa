#!/usr/bin/env bash
# Fetches the third-party sources as Debian source packages into third_party/ (git-ignored)
# and unpacks them. Versions are pinned; when a pinned version has left the archive the
# newest one available is taken and named in the output, so a build never silently drifts.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dest="$here/third_party"
mkdir -p "$dest/dl"

# package pinned-version unpacked-dir-glob
pkgs=(
  "sqlitecpp 3.2.1-1"
  "pugixml 1.13-0.2"
  "googletest 1.12.1-0.2"
  "7zip 22.01+really26.02+dfsg-0+deb12u1"
)

for entry in "${pkgs[@]}"; do
  set -- $entry
  name=$1 ver=$2
  if [ -f "$dest/$name.ready" ]; then continue; fi
  rm -rf "$dest/$name" "$dest/dl/$name"; mkdir -p "$dest/dl/$name"
  ( cd "$dest/dl/$name"
    if ! apt-get source --download-only "$name=$ver" >/dev/null 2>&1; then
      echo "fetch-deps: $name $ver is no longer in the archive; taking the newest available" >&2
      apt-get source --download-only "$name" >/dev/null 2>&1
    fi
    dsc=$(ls *.dsc | head -n 1)
    dpkg-source --no-check -x "$dsc" unpacked >/dev/null
    mv unpacked "$dest/$name"
    echo "$dsc" > "$dest/$name.version" )
  rm -rf "$dest/dl/$name"
  touch "$dest/$name.ready"
  echo "fetch-deps: $name from $(cat "$dest/$name.version")"
done
