#!/usr/bin/env bash
# Benchmark (not a test): ExtractArchive under Wine against `7zz x` on one LZMA2 archive, and
# the folder checksum against md5sum over the same files. Prints time and peak memory ratios.
#   tests/engine/bench_extract.sh <build dir> [total MB, default 200] [files, default 2000]
set -euo pipefail
build=$(cd "$1" && pwd)
total_mb=${2:-200}
files=${3:-2000}
work="$build/bench/extract"
exe="$build/tests/engine/bench_extract.exe"
[ -x "$exe" ] || { echo "build the bench_extract target first" >&2; exit 1; }
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

mkdir -p "$work"
archive="$work/bench.7z"
if [ ! -f "$archive" ] || [ "$(cat "$work/params" 2>/dev/null)" != "$total_mb $files" ]; then
  echo "making $files files, $total_mb MB in all"
  rm -rf "$work/tree" "$archive"
  # Every folder name contains "locales" so the folder checksum lists every file.
  python3 - "$work/tree" "$total_mb" "$files" <<'PY'
import os, random, sys
top, total_mb, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
size = total_mb * 1024 * 1024 // files
rnd = random.Random(2021)
words = [bytes(rnd.choice(b"abcdefghilmnopqrstuvz") for _ in range(rnd.randint(2, 9)))
         for _ in range(4000)]
for i in range(files):
    folder = os.path.join(top, "locales_%02d" % (i % 40))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file_%05d.dat" % i), "wb") as f:
        if i % 2:  # half text-like, half incompressible
            f.write(rnd.randbytes(size))
        else:
            out = bytearray()
            while len(out) < size:
                out += b" ".join(rnd.choices(words, k=64)) + b"\n"
            f.write(bytes(out[:size]))
PY
  (cd "$work/tree" && 7zz a -bd -m0=LZMA2 -mx=5 -ms=on "$archive" . >/dev/null)
  echo "$total_mb $files" > "$work/params"
fi
echo "archive: $(du -m "$archive" | cut -f1) MB packed, $(du -sm "$work/tree" | cut -f1) MB unpacked"
7zz l -slt "$archive" | grep -m1 '^Blocks' || true

# Warm the prefix and the page cache so neither side pays for them.
"$build/wine-run.sh" "$exe" checksum 'Z:\nonexistent' v >/dev/null 2>&1 || true
cat "$archive" > /dev/null

measure() {  # prints "<seconds> <max RSS KB>" of the command
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" > "$work/out.txt" 2>&1 || {
    cat "$work/out.txt" >&2; return 1; }
  cat "$work/time.txt"
}
winpath() { echo "Z:$1" | tr / '\\'; }

rm -rf "$work/out7z" "$work/outzav" && mkdir -p "$work/outzav"
read -r t7 m7 < <(measure 7zz x -bd -y -o"$work/out7z" "$archive")
rm -rf "$work/out7z1"
read -r t71 m71 < <(measure 7zz x -bd -y -mmt=1 -o"$work/out7z1" "$archive")
read -r tz mz < <(measure "$build/wine-run.sh" "$exe" extract "$(winpath "$archive")" "$(winpath "$work/outzav")\\")
inner=$(grep '^result' "$work/out.txt")
echo "$inner"
diff -r -q "$work/out7z" "$work/outzav" && echo "trees identical"

echo "extract  7zz x       : ${t7} s, peak RSS ${m7} KB"
echo "extract  7zz x -mmt=1: ${t71} s, peak RSS ${m71} KB"
echo "extract  ExtractArchive under Wine: ${tz} s (incl. Wine start), peak RSS ${mz} KB; in-process: $inner"
python3 - "$t7" "$t71" "$tz" "$m7" "$m71" "$mz" <<'PY'
import sys
t7, t71, tz, m7, m71, mz = map(float, sys.argv[1:])
print("ratio time   ours/7zz = %.2f (vs single-thread 7zz %.2f)" % (tz / t7, tz / t71))
print("ratio memory ours/7zz = %.2f (vs single-thread 7zz %.2f)" % (mz / m7, mz / m71))
PY

# Folder checksum against md5sum over the same files in the same order.
read -r tc mc < <(measure "$build/wine-run.sh" "$exe" checksum "$(winpath "$work/outzav")" none)
ours=$(grep '^checksum' "$work/out.txt" | cut -d' ' -f2 | tr -d '\r')
start=$(date +%s.%N)
# Folders count as "-1", files by their md5sum, all in byte order of the path.
ref=$(cd "$work/outzav" && python3 - <<'PY'
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
)
tm=$(python3 -c "import time,sys; print('%.2f' % (time.time() - float(sys.argv[1])))" "$start")
echo "checksum ours ${tc} s (peak RSS ${mc} KB) = $ours"
echo "checksum md5sum ${tm} s                  = $ref"
[ "$ours" = "$ref" ] && echo "checksums agree" || echo "CHECKSUMS DIFFER"
python3 -c "import sys; print('ratio time   checksum ours/md5sum = %.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$tc" "$tm"
