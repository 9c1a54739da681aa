#!/usr/bin/env bash
# Benchmark (not a test): ExtractArchive under Wine against `7zz x -mmt=1` and `7zz x` on one
# LZMA2 archive, the same on a 600 MB single-block archive, and the folder checksum against
# md5sum over the same files. Extractions go to a RAM-backed folder where there is one, since
# disk write-back would dominate otherwise.
#   tests/engine/bench_extract.sh <build dir> [total MB, default 200] [files, default 2000]
# With BENCH_ROWS=<file>, also appends "name|ours|reference|ratio" rows for scripts/bench.sh.
set -euo pipefail
build=$(cd "$1" && pwd)
total_mb=${2:-200}
files=${3:-2000}
big_mb=${BENCH_BIG_MB:-600}
pairs=${BENCH_PAIRS:-5}
rows=${BENCH_ROWS:-/dev/null}
source "$(dirname "$0")/../../scripts/bench-pairs.sh"
data="$build/bench/extract"  # trees and archives, kept between runs
exe="$build/tests/engine/bench_extract.exe"
[ -x "$exe" ] || { echo "build the bench_extract target first" >&2; exit 1; }
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  out="/dev/shm/zav-bench-$(id -u)-$$"
else
  out="$data/out"
fi
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
trap 'rm -rf "$out"; wineserver -k >/dev/null 2>&1 || true' EXIT
mkdir -p "$data" "$out"

# make_tree <folder> <MB> <files> <seed> [big files]: half text-like, half incompressible;
# every folder name contains "locales" so the folder checksum lists every file.
make_tree() {
  python3 - "$@" <<'PY'
import os, random, sys
top, total_mb, files, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
big = int(sys.argv[5]) if len(sys.argv) > 5 else 0
rnd = random.Random(seed)
words = [bytes(rnd.choice(b"abcdefghilmnopqrstuvz") for _ in range(rnd.randint(2, 9)))
         for _ in range(4000)]
text = bytearray()
while len(text) < 8 << 20:
    text += b" ".join(rnd.choices(words, k=64)) + b"\n"
def text_like(size):
    if not big:  # lines of random words, as packages' text files compress
        out = bytearray()
        while len(out) < size:
            out += b" ".join(rnd.choices(words, k=64)) + b"\n"
        return bytes(out[:size])
    out = bytearray()  # varied slices of one long text: cheap to make at any size
    while len(out) < size:
        at = rnd.randrange(0, len(text) - 65536)
        out += text[at:at + rnd.randint(4096, 65536)]
    return bytes(out[:size])
sizes = [40 << 20] * big
rest = total_mb * 1024 * 1024 - sum(sizes)
sizes += [rest // files] * files
for i, size in enumerate(sizes):
    folder = os.path.join(top, "locales_%02d" % (i % 40))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file_%05d.dat" % i), "wb") as f:
        f.write(rnd.randbytes(size) if i % 2 else text_like(size))
PY
}

# archive <name> <MB> <files> <seed> [big files] -> path of a cached one-block archive
archive() {
  local name=$1 mb=$2 n=$3 seed=$4 big=${5:-0}
  local path="$data/$name.7z" params="$mb $n $seed $big v3"
  if [ ! -f "$path" ] || [ "$(cat "$data/$name.params" 2>/dev/null)" != "$params" ]; then
    echo "making $name: $n files, $mb MB in all" >&2
    rm -rf "$data/$name" "$path"
    make_tree "$data/$name" "$mb" "$n" "$seed" "$big"
    (cd "$data/$name" && 7zz a -bd -m0=LZMA2 -mx=5 -ms=on "$path" . >/dev/null)
    rm -rf "$data/$name"
    echo "$params" > "$data/$name.params"
  fi
  echo "$path"
}

measure() {  # prints "<seconds> <max RSS KB>" of the command
  /usr/bin/time -f '%e %M' -o "$out/time.txt" "$@" > "$out/cmd.txt" 2>&1 || {
    cat "$out/cmd.txt" >&2; return 1; }
  cat "$out/time.txt"
}
winpath() { echo "Z:$1" | tr / '\\'; }
# A running wineserver, as a running Windows is: what is measured is the program, not Wine's start.
wineserver -p
"$build/wine-run.sh" "$exe" checksum 'Z:\nonexistent' v >/dev/null 2>&1 || true  # warm the prefix

bench_archive() {  # bench_archive <label> <archive>: ExtractArchive, 7zz x -mmt=1, 7zz x in turns
  local label=$1 path=$2
  cat "$path" > /dev/null
  echo "$label: $(du -m "$path" | cut -f1) MB packed; $(7zz l -slt "$path" | grep -m1 '^Blocks' || true)"
  rm -rf "$out/ref" && 7zz x -bd -y -o"$out/ref" "$path" >/dev/null
  ours() {  # "<s> <KB> <in-process s>"
    rm -rf "$out/x" && mkdir -p "$out/x"
    local m
    m=$(measure "$build/wine-run.sh" "$exe" extract "$(winpath "$path")" "$(winpath "$out/x")\\") || return 1
    grep -q '^result 0 ' "$out/cmd.txt" || { echo "EXTRACTION FAILED" >&2; return 1; }
    diff -r -q "$out/ref" "$out/x" >/dev/null || { echo "TREES DIFFER" >&2; return 1; }
    echo "$m $(sed -n 's/^result [0-9]* ms \([0-9]*\).*/\1/p' "$out/cmd.txt" | tr -d '\r' | awk '{ printf "%.2f", $1 / 1000 }')"
  }
  single() { rm -rf "$out/x" && mkdir -p "$out/x" && measure 7zz x -bd -y -mmt=1 -o"$out/x" "$path"; }
  multi() { rm -rf "$out/x" && mkdir -p "$out/x" && measure 7zz x -bd -y -o"$out/x" "$path"; }
  alternate "$pairs" "$out/pairs" ours single multi
  echo "trees identical"
  row "$label time in the process vs 7zz x -mmt=1" s "$out/pairs" ours 3 single 1
  row "$label time (with Wine's start) vs 7zz x -mmt=1" s "$out/pairs" ours 1 single 1
  row "$label time vs 7zz x" s "$out/pairs" ours 1 multi 1
  row "$label peak memory vs 7zz x -mmt=1" MiB "$out/pairs" ours 2 single 2 1024
  row "$label peak memory vs 7zz x" MiB "$out/pairs" ours 2 multi 2 1024
}

main=$(archive "bench$total_mb" "$total_mb" "$files" 2021)
bench_archive "extract ${total_mb} MB/${files} files" "$main"

# Folder checksum against md5sum over the same files in the same order, on that tree.
checksum_ours() {
  measure "$build/wine-run.sh" "$exe" checksum "$(winpath "$out/ref")" none | cut -d' ' -f1
  grep '^checksum' "$out/cmd.txt" | cut -d' ' -f2 | tr -d '\r' > "$out/ours.sum"
}
checksum_md5sum() {
  local start
  start=$(date +%s.%N)
  # Folders count as "-1", files by their md5sum, all in byte order of the path.
  (cd "$out/ref" && python3 - <<'PY'
import subprocess
entries = sorted(subprocess.run(["find", ".", "-mindepth", "1"], capture_output=True,
                                text=True).stdout.split("\n")[:-1], key=lambda p: p.replace("/", "\\").encode())
dirs = set(subprocess.run(["find", ".", "-mindepth", "1", "-type", "d"], capture_output=True,
                          text=True).stdout.split("\n"))
files = [e for e in entries if e not in dirs]
sums = iter(subprocess.run(["md5sum", "--"] + files, capture_output=True, text=True).stdout.split("\n"))
text = "".join("-1" if e in dirs else next(sums)[:32] for e in entries)
print(subprocess.run(["md5sum"], input=text, capture_output=True, text=True).stdout[:32])
PY
  ) > "$out/ref.sum"
  python3 -c "import time,sys; print('%.2f' % (time.time() - float(sys.argv[1])))" "$start"
}
alternate "$pairs" "$out/sums" checksum_ours checksum_md5sum
echo "checksum ours = $(cat "$out/ours.sum"); md5sum = $(cat "$out/ref.sum")"
[ "$(cat "$out/ours.sum")" = "$(cat "$out/ref.sum")" ] || { echo "CHECKSUMS DIFFER" >&2; exit 1; }
row "folder checksum time vs md5sum (values equal)" s "$out/sums" checksum_ours 1 checksum_md5sum 1
rm -rf "$out/ref" "$out/x"

if [ "$big_mb" -gt 0 ]; then
  big=$(archive "single$big_mb" "$big_mb" 1000 600 4)
  bench_archive "extract ${big_mb} MB single block" "$big"
fi
