#!/usr/bin/env bash
# Benchmark (not a test): a full installation of a runtime package and a client package
# from the loopback server with the engine under Wine, against curl plus `7zz x` on the
# same files. tests/engine/bench_install.sh <build dir> [runtime MB, default 200] [client MB, default 150]
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
trap 'python3 "$server" stop "$state" >/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT

# Packages of mostly incompressible data (as installed programs are), made once.
make_package() {  # name MB
  local name=$1 mb=$2
  [ -f "$state/www/$name.mb$mb" ] && return
  rm -rf "$state/src" && mkdir -p "$state/src/sub"
  for i in $(seq 1 $((mb / 10))); do head -c $((10 * 1048576)) /dev/urandom > "$state/src/sub/f$i.bin"; done
  rm -f "$state/www/$name"
  (cd "$state/src" && 7zz a -bd -mx1 "$state/www/$name" . >/dev/null)
  touch "$state/www/$name.mb$mb"
}
make_package moltra.7z "$rmb"
make_package qel.7z "$cmb"
rm -rf "$state/src"
python3 "$server" start "$state" "$state/www" >/dev/null
port=$(cat "$state/http_server.port")
base="http://127.0.0.1:$port/files"
printf '<rel><download_url>%s/qel.7z</download_url><number>1.0.0.0</number><checksum>0</checksum></rel>' "$base" > "$state/www/qel.xml"
cat "$state/www/"*.7z > /dev/null

rm -rf "$state/ref" && mkdir -p "$state/ref"
/usr/bin/time -f '%e %M' -o "$state/time.txt" bash -c "
  cd '$state/ref' && curl -s -o moltra.7z '$base/moltra.7z' && curl -s -o qel.xml '$base/qel.xml' &&
  curl -s -o qel.7z '$base/qel.7z' && 7zz x -bd -y -omoltra moltra.7z >/dev/null && 7zz x -bd -y -oqel qel.7z >/dev/null"
read -r tr mr < "$state/time.txt"
rm -rf "$state/ref"

rm -rf "$state/run" && mkdir -p "$state/run"
win_root="Z:$(echo "$state/run" | sed 's|/|\\|g')"
"$build/wine-run.sh" "$build/tests/net/bench_download.exe" "$base/missing" >/dev/null 2>&1 || true  # warm Wine
/usr/bin/time -f '%e %M' -o "$state/time.txt" "$build/wine-run.sh" "$exe" "$base/moltra.7z" "$base/qel.xml" "$win_root" > "$state/out.txt" 2>&1 || true
read -r te me < "$state/time.txt"
echo "curl + 7zz x : ${tr} s"
echo "engine       : ${te} s (incl. Wine start); $(tr -d '\r' < "$state/out.txt" | grep install)"
rm -rf "$state/run"
python3 -c "import sys; a=list(map(float, sys.argv[1:])); print('ratio time engine/(curl+7zz) = %.2f; largest package %d MB' % (a[1]/a[0], max(a[2], a[3])))" "$tr" "$te" "$rmb" "$cmb"
if [ -n "${BENCH_ROWS:-}" ]; then
  python3 -c "import sys; r, e = map(float, sys.argv[1:3]); print('full installation %s+%s MB, time vs curl + 7zz x|%.2f s|%.2f s|%.2f' % (sys.argv[3], sys.argv[4], e, r, e / r))" \
    "$tr" "$te" "$rmb" "$cmb" >> "$BENCH_ROWS"
fi
