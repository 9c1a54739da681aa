#!/usr/bin/env bash
# Benchmark (not a test): a download with WininetWrapper under Wine against curl, both from a
# native loopback server (tests/net/bench_server.c, fast enough not to be the bottleneck) and,
# for reference, from the Python test server. curl writes to /dev/null and holds no body, so
# the memory figure is given against the body size: the body has to be held in memory.
#   tests/net/bench_download.sh <build dir> [MB, default 256]
# With BENCH_ROWS=<file>, also appends "name|ours|reference|ratio" rows for scripts/bench.sh.
set -euo pipefail
build=$(cd "$1" && pwd)
mb=${2:-256}
repeats=${BENCH_REPEATS:-3}
rows=${BENCH_ROWS:-/dev/null}
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/tests/net/bench_download.exe"
[ -x "$exe" ] || { echo "build the bench_download target first" >&2; exit 1; }
state="$build/bench/download"
mkdir -p "$state/www"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
native_pid=
cleanup() {
  [ -n "$native_pid" ] && kill "$native_pid" 2>/dev/null
  python3 "$here/http_test_server.py" stop "$state" >/dev/null 2>&1 || true
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
[ "$(stat -c %s "$state/www/big.bin" 2>/dev/null)" = $((mb * 1048576)) ] ||
  head -c $((mb * 1048576)) /dev/urandom > "$state/www/big.bin"
cat "$state/www/big.bin" > /dev/null

cc -O2 -o "$state/bench_server" "$here/bench_server.c"
rm -f "$state/native.port"
"$state/bench_server" "$state/www" "$state/native.port" & native_pid=$!
for _ in $(seq 100); do [ -s "$state/native.port" ] && break; sleep 0.05; done
[ -s "$state/native.port" ] || { echo "native server did not start" >&2; exit 1; }
python3 "$here/http_test_server.py" start "$state" "$state/www"
native="http://127.0.0.1:$(cat "$state/native.port")/files/big.bin"
python_url="http://127.0.0.1:$(cat "$state/http_server.port")/files/big.bin"
# A running wineserver, as a running Windows is: what is measured is the program, not Wine's start.
wineserver -p
"$build/wine-run.sh" "$exe" "http://127.0.0.1:$(cat "$state/native.port")/missing" >/dev/null 2>&1 || true  # warm Wine

best() {  # the least time, peak RSS and in-process milliseconds of N runs: "<s> <KB> <ms>"
  local t m ms bt=999999 bm=999999999 bms=999999999 i
  for ((i = 0; i < repeats; i++)); do
    /usr/bin/time -f '%e %M' -o "$state/time.txt" "$@" > "$state/out.txt" 2>&1 || {
      cat "$state/out.txt" >&2; return 1; }
    read -r t m < "$state/time.txt"
    ms=$(tr -d '\r' < "$state/out.txt" | sed -n 's/.* ms \([0-9]*\) .*/\1/p')
    bt=$(python3 -c "print(min($bt, $t))"); bm=$((m < bm ? m : bm))
    [ -z "$ms" ] || bms=$((ms < bms ? ms : bms))
  done
  echo "$bt $bm $bms"
}
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }

for server in native python; do
  url=$native; [ $server = python ] && url=$python_url
  read -r tc mc _ < <(best curl -s -o /dev/null "$url")
  read -r tz mz msz < <(best "$build/wine-run.sh" "$exe" "$url")
  line=$(tr -d '\r' < "$state/out.txt")
  echo "$server server: curl ${tc} s ${mc} KB; WininetWrapper ${tz} s (incl. Wine start) ${mz} KB; $line"
  case "$line" in "status 200 bytes $((mb * 1048576)) "*) ;; *) echo "DOWNLOAD FAILED" >&2; exit 1;; esac
  echo "download ${mb} MB time (with Wine's start) vs curl, $server server|${tz} s|${tc} s|$(ratio "$tz" "$tc")" >> "$rows"
  inside=$(python3 -c "print('%.2f' % ($msz / 1000))")
  echo "download ${mb} MB time in the process vs curl, $server server|${inside} s|${tc} s|$(ratio "$inside" "$tc")" >> "$rows"
  if [ $server = native ]; then
    echo "download ${mb} MB peak memory vs body size|$((mz / 1024)) MiB|${mb} MiB|$(ratio "$mz" $((mb * 1024)))" >> "$rows"
  fi
done
