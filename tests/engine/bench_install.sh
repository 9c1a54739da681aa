#!/usr/bin/env bash
# Benchmark (not a test): a full installation of a runtime package and a client package
# from the loopback server with the engine under Wine, against curl plus `7zz x` on the
# same files (and with openssl's SHA-256 of each package, as the engine checks each
# signature), as alternating pairs (BENCH_PAIRS, default 5).
# tests/engine/bench_install.sh <build dir> [runtime MB, default 200] [client MB, default 150]
set -euo pipefail
build=$(cd "$1" && pwd)
rmb=${2:-200}
cmb=${3:-150}
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/tests/engine/bench_install.exe"
[ -x "$exe" ] || { echo "build the bench_install target first" >&2; exit 1; }
state="$build/bench/install"
server="$here/../net/http_test_server.py"
mkdir -p "$state/www"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
trap 'python3 "$server" stop "$state" >/dev/null; rm -rf "$state/run" "$state/ref"; wineserver -k >/dev/null 2>&1 || true' EXIT

# Packages of mostly incompressible data (as installed programs are), made once.
# Signed here as a release is, so that the server does not hash each package again for its
# .sig while the engine waits: a real update server serves a file it holds.
sign() { python3 "$here/../../tools/publish" sign --key "$here/../keys/test-only-signing.key" "$1" >/dev/null; }
make_package() {  # name MB
  local name=$1 mb=$2
  if [ ! -f "$state/www/$name.mb$mb" ]; then
    rm -rf "$state/src" && mkdir -p "$state/src/sub"
    for i in $(seq 1 $((mb / 10))); do head -c $((10 * 1048576)) /dev/urandom > "$state/src/sub/f$i.bin"; done
    # A package of another size made earlier is not this one.
    rm -f "$state/www/$name" "$state/www/$name".mb* "$state/www/$name.sig"
    (cd "$state/src" && 7zz a -bd -mx1 "$state/www/$name" . >/dev/null)
    touch "$state/www/$name.mb$mb"
  fi
  [ -f "$state/www/$name.sig" ] || sign "$state/www/$name"
}
make_package moltra.7z "$rmb"
make_package qel.7z "$cmb"
rm -rf "$state/src"
python3 "$server" start "$state" "$state/www" >/dev/null
port=$(cat "$state/http_server.port")
base="http://127.0.0.1:$port/files"
printf '<rel><download_url>%s/qel.7z</download_url><number>1.0.0.0</number><checksum>0</checksum></rel>' "$base" > "$state/www/qel.xml"
sign "$state/www/qel.xml"
cat "$state/www/"*.7z > /dev/null

source "$here/../../scripts/bench-pairs.sh"
pairs=${BENCH_PAIRS:-5}
win_root="Z:$(echo "$state/run" | sed 's|/|\\|g')"
# A running wineserver, as a running Windows is.
wineserver -p
"$build/wine-run.sh" "$build/tests/net/bench_download.exe" "$base/missing" >/dev/null 2>&1 || true  # warm Wine

reference_with() {  # curl the three files, $1 on each package, then 7zz x both: "<s> <KB>"
  rm -rf "$state/ref" && mkdir -p "$state/ref"
  timed bash -c "cd '$state/ref' && curl -s -o moltra.7z '$base/moltra.7z' && $1 moltra.7z >/dev/null &&
    curl -s -o qel.xml '$base/qel.xml' && curl -s -o qel.7z '$base/qel.7z' && $1 qel.7z >/dev/null &&
    7zz x -bd -y -omoltra moltra.7z >/dev/null && 7zz x -bd -y -oqel qel.7z >/dev/null"
  rm -rf "$state/ref"
}
reference() { reference_with true; }
# Each package's SHA-256 taken after its download, as the engine checks each signature.
reference_checked() { reference_with "openssl dgst -sha256"; }
engine() {  # the engine headless: "<s> <KB> <in-process s> <peak private MiB>"
  rm -rf "$state/run" && mkdir -p "$state/run"
  local m
  m=$(BENCH_OUT="$state/out.txt" timed "$build/wine-run.sh" "$exe" "$base/moltra.7z" "$base/qel.xml" "$win_root") || return 1
  grep -q "install finished" "$state/out.txt" || { cat "$state/out.txt" >&2; return 1; }
  echo "$m $(tr -d '\r' < "$state/out.txt" | sed -n 's/.* in \([0-9]*\) ms, peak private \([0-9]*\) KB.*/\1 \2/p' |
    awk '{ printf "%.2f %d", $1 / 1000, $2 / 1024 }')"
  rm -rf "$state/run"
}
alternate "$pairs" "$state/pairs" engine reference reference_checked
row "full installation ${rmb}+${cmb} MB (with Wine's start) vs curl + 7zz x" s "$state/pairs" engine 1 reference 1
row "full installation ${rmb}+${cmb} MB in the process vs curl + 7zz x" s "$state/pairs" engine 3 reference 1
row "full installation ${rmb}+${cmb} MB in the process vs curl + openssl sha256 + 7zz x" s "$state/pairs" engine 3 reference_checked 1
row "full installation ${rmb}+${cmb} MB peak memory vs curl + 7zz x" MiB "$state/pairs" engine 2 reference 2 1024
