#!/usr/bin/env bash
# Benchmark (not a test): a download from the loopback test server with WininetWrapper under
# Wine against curl (which writes to /dev/null and holds no body, so the memory figure is
# also given against the body size: the body itself has to be held in memory). tests/net/bench_download.sh <build dir> [MB, default 256]
set -euo pipefail
build=$(cd "$1" && pwd)
mb=${2:-256}
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/tests/net/bench_download.exe"
[ -x "$exe" ] || { echo "build the bench_download target first" >&2; exit 1; }
state="$build/bench/download"
mkdir -p "$state/www"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
trap 'python3 "$here/http_test_server.py" stop "$state" >/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT
[ "$(stat -c %s "$state/www/big.bin" 2>/dev/null)" = $((mb * 1048576)) ] ||
  head -c $((mb * 1048576)) /dev/urandom > "$state/www/big.bin"
python3 "$here/http_test_server.py" start "$state" "$state/www"
port=$(cat "$state/http_server.port")
url="http://127.0.0.1:$port/files/big.bin"
cat "$state/www/big.bin" > /dev/null
"$build/wine-run.sh" "$exe" "http://127.0.0.1:$port/status/404" >/dev/null 2>&1 || true  # warm Wine

/usr/bin/time -f '%e %M' -o "$state/time.txt" curl -s -o /dev/null "$url"
read -r tc mc < "$state/time.txt"
/usr/bin/time -f '%e %M' -o "$state/time.txt" "$build/wine-run.sh" "$exe" "$url" > "$state/out.txt" 2>&1 || true
read -r tz mz < "$state/time.txt"
echo "curl -o /dev/null : ${tc} s, peak RSS ${mc} KB"
echo "WininetWrapper    : ${tz} s (incl. Wine start), peak RSS ${mz} KB; $(tr -d '\r' < "$state/out.txt")"
python3 -c "import sys; a=list(map(float, sys.argv[1:])); print('ratio time ours/curl = %.2f, memory ours/curl = %.1f, our peak / body size = %.2f' % (a[2]/a[0], a[3]/a[1], a[3]/(a[4]*1024)))" "$tc" "$mc" "$tz" "$mz" "$mb"
