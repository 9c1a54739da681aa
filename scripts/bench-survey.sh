#!/usr/bin/env bash
# Survey benchmark: one disk root with 5,000 first-level folders, 200 office folders and
# 20 SharedInfo files, surveyed by the setup's code under Wine, against a plain recursive
# listing of the same tree with find, as alternating pairs (BENCH_PAIRS, default 5).
# Usage: scripts/bench-survey.sh <build folder>
# With BENCH_ROWS=<file>, also appends "name|ours|reference|ratio" rows for scripts/bench.sh.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build" -j1 --target survey_bench >/dev/null
disk="$build/bench/survey"
rm -rf "$disk"
mkdir -p "$disk"
python3 - "$disk" <<'PY'
import os, sys
disk = sys.argv[1]
for i in range(5000):
    os.mkdir(os.path.join(disk, "cartella%d" % i))
def prot(text):  # character i (from 1) stored as its value minus i
    return bytes((b - i - 1) & 0xFF for i, b in enumerate(text.encode()))
for n in range(1, 201):
    pm = "%05d" % n
    folder = os.path.join(disk, "ZAV", "PM" + pm, "ZAV2021", "HOME", "BIN")
    os.makedirs(folder)
    with open(os.path.join(folder, "ZAVOLINF.TXT"), "wb") as f:
        f.write(b"[DATA]\r\nPROT=" + prot(pm + "pw") + b"\r\n")
PY
windows_root="Z:${disk//\//\\}"
"$build/wine-run.sh" "$build/tests/survey/survey_bench.exe" prepare "$windows_root" 20
source "$src/scripts/bench-pairs.sh"
find_run() {
  local start
  start=$(date +%s.%N)
  find "$disk" >/dev/null
  python3 -c "import time,sys; print('%.3f' % (time.time() - float(sys.argv[1])))" "$start"
}
# Wine's start-up is not part of the survey: the program times the survey itself.
survey_run() {
  local line
  line=$("$build/wine-run.sh" "$build/tests/survey/survey_bench.exe" run "$windows_root" | tr -d '\r' | grep '^result=')
  echo "${line##*seconds=}"
}
alternate "${BENCH_PAIRS:-5}" "$build/bench/survey-pairs" survey_run find_run
row "survey of 5,000 folders vs find" s "$build/bench/survey-pairs" survey_run 1 find_run 1
rm -rf "$disk"
