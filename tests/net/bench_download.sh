#!/usr/bin/env bash
# Benchmark (not a test): a package downloaded to disk with WininetWrapper under Wine against
# curl -o, both from a native loopback server (tests/net/bench_server.c, fast enough not to be
# the bottleneck), as alternating pairs (BENCH_PAIRS, default 5); the peak memory of the
# process against the body size, for 256 MB and for a 1.9 GB package; and the bytes a retry
# moves after a cut at 90 % of 200 MB (tools/serve's cut fault).
#   tests/net/bench_download.sh <build dir> [MB, default 256]
# With BENCH_ROWS=<file>, also appends "name|ours|reference|ratio" rows for scripts/bench.sh.
set -euo pipefail
build=$(cd "$1" && pwd)
mb=${2:-256}
big_mb=${BENCH_HUGE_MB:-1900}
pairs=${BENCH_PAIRS:-5}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/bench-pairs.sh"
exe="$build/tests/net/bench_download.exe"
[ -x "$exe" ] || { echo "build the bench_download target first" >&2; exit 1; }
state="$build/bench/download"
out="$state/out"  # downloads land here (a disk, as a package's do)
mkdir -p "$state/www" "$out"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
native_pid=
cleanup() {
  [ -n "$native_pid" ] && kill "$native_pid" 2>/dev/null
  python3 "$here/../../tools/serve" stop "$state/serve" >/dev/null 2>&1 || true
  rm -rf "$out"
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
make_file() {  # name MB
  [ "$(stat -c %s "$state/www/$1" 2>/dev/null)" = $(($2 * 1048576)) ] ||
    head -c $(($2 * 1048576)) /dev/urandom > "$state/www/$1"
}
make_file big.bin "$mb"
make_file cut.bin 200
[ "$big_mb" -gt 0 ] && make_file huge.bin "$big_mb"

cc -O2 -o "$state/bench_server" "$here/bench_server.c"
rm -f "$state/native.port"
"$state/bench_server" "$state/www" "$state/native.port" & native_pid=$!
for _ in $(seq 100); do [ -s "$state/native.port" ] && break; sleep 0.05; done
[ -s "$state/native.port" ] || { echo "native server did not start" >&2; exit 1; }
base="http://127.0.0.1:$(cat "$state/native.port")/files"
target="Z:$(echo "$out/pkg.7z" | tr / '\\')"
# A running wineserver, as a running Windows is: what is measured is the program, not Wine's start.
wineserver -p
"$build/wine-run.sh" "$exe" "$base/missing" >/dev/null 2>&1 || true  # warm Wine

file=big.bin size_mb=$mb
ours() {  # "<s> <KB> <in-process s> <peak working set KB>"
  rm -f "$out/pkg.7z"*
  local m line
  m=$(BENCH_OUT="$out/run.txt" timed "$build/wine-run.sh" "$exe" "$base/$file" "$target") || return 1
  line=$(tr -d '\r' < "$out/run.txt")
  case "$line" in "status 200 bytes $((size_mb * 1048576)) "*) ;; *) echo "DOWNLOAD FAILED: $line" >&2; return 1;; esac
  echo "$m $(echo "$line" | sed -n 's/.* ms \([0-9]*\) peak_working_set_kb \([0-9]*\).*/\1 \2/p' | awk '{ printf "%.2f %d", $1 / 1000, $2 }')"
}
reference() {
  rm -f "$out/curl.bin"
  timed curl -s -o "$out/curl.bin" "$base/$file"
}
alternate "$pairs" "$state/pairs" ours reference
row "download ${mb} MB to disk (with Wine's start) vs curl -o" s "$state/pairs" ours 1 reference 1
row "download ${mb} MB to disk in the process vs curl -o" s "$state/pairs" ours 3 reference 1
row "download ${mb} MB peak working set of the process vs curl" MiB "$state/pairs" ours 4 reference 2 1024
if [ "$big_mb" -gt 0 ]; then
  file=huge.bin size_mb=$big_mb
  alternate "${BENCH_HUGE_PAIRS:-3}" "$state/huge" ours reference
  row "download ${big_mb} MB to disk in the process vs curl -o" s "$state/huge" ours 3 reference 1
  row "download ${big_mb} MB peak working set of the process vs curl" MiB "$state/huge" ours 4 reference 2 1024
  rm -f "$state/www/huge.bin"  # not kept: gigabytes, and quick to make again
fi

# A cut at 90 % of 200 MB, then the retry: what it moves against the whole file again.
cut=$((200 * 1048576 * 9 / 10))
retry() {  # the retry's bytes on the wire (MB), after a first attempt cut at 90 %
  rm -f "$out/pkg.7z"*
  python3 "$here/../../tools/serve" start "$state/serve" "$state/www" --fault "cut=$cut:/cut.bin:1" >/dev/null
  local served="http://127.0.0.1:$(cat "$state/serve/serve.port")/cut.bin"
  "$build/wine-run.sh" "$exe" "$served" "$target" > "$out/run.txt" 2>&1 || true
  "$build/wine-run.sh" "$exe" "$served" "$target" > "$out/run.txt" 2>&1
  python3 "$here/../../tools/serve" stop "$state/serve" >/dev/null
  tr -d '\r' < "$out/run.txt" | sed -n 's/^status 206 bytes \([0-9]*\) .* resumed_from \([0-9]*\).*/\1 \2/p' |
    awk '{ printf "%.1f\n", ($1 - $2) / 1048576 }'
}
whole() { echo 200; }
alternate 1 "$state/retry" retry whole
cmp -s "$out/pkg.7z" "$state/www/cut.bin" || { echo "RESUMED FILE DIFFERS" >&2; exit 1; }
row "retry after a cut at 90 % of 200 MB, bytes moved vs the whole file" MB "$state/retry" retry 1 whole 1
