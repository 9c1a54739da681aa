#!/usr/bin/env bash
# Survey benchmark: one disk root with 5,000 first-level folders, 200 office folders and
# 20 SharedInfo files, surveyed by the setup's code under Wine, against a plain recursive
# listing of the same tree with find. Prints both times and their ratio.
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
start=$(date +%s.%N)
find "$disk" >/dev/null
end=$(date +%s.%N)
find_seconds=$(echo "$end - $start" | bc -l)
# Wine's start-up is not part of the survey: the program times the survey itself.
line=$("$build/wine-run.sh" "$build/tests/survey/survey_bench.exe" run "$windows_root" | tr -d '\r' | grep '^result=')
survey_seconds=${line##*seconds=}
echo "survey: $line"
printf 'find: %.3f s\nratio survey/find: %.0f\n' "$find_seconds" "$(echo "$survey_seconds / $find_seconds" | bc -l)"
[ -z "${BENCH_ROWS:-}" ] || printf 'survey of 5,000 folders vs find|%.3f s|%.3f s|%.1f\n' "$survey_seconds" \
  "$find_seconds" "$(echo "$survey_seconds / $find_seconds" | bc -l)" >> "$BENCH_ROWS"
rm -rf "$disk"
