#!/usr/bin/env bash
# `make bench`: every benchmark in one run, then one table of ratios measured side by side.
# Not tests: run on an otherwise idle machine. Each benchmark keeps its data in its own folder
# under <build>/bench (extractions go to /dev/shm where there is one).
#   scripts/bench.sh <build folder>
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build" -j "${JOBS:-2}" --target bench_extract bench_download sharedinfo_bench \
  survey_bench bench_install >/dev/null
rows="$build/bench/rows.txt"
mkdir -p "$build/bench"
: > "$rows"
export BENCH_ROWS=$rows
status=0
run() {  # a failed benchmark is reported and leaves its rows out, the others still run
  echo "== $*"
  "$@" || { echo "!! failed: $*" >&2; status=1; }
}
run bash "$src/tests/engine/bench_extract.sh" "$build"
run bash "$src/tests/net/bench_download.sh" "$build"
run bash "$src/scripts/bench-survey.sh" "$build"
run bash "$src/tests/sharedinfo/bench.sh" "$build"
run bash "$src/tests/engine/bench_install.sh" "$build"

echo
python3 - "$rows" <<'PY'
import sys
rows = [line.rstrip("\n").split("|") for line in open(sys.argv[1]) if line.strip()]
head = ("measure", "ours", "reference", "ours / reference")
width = [max(len(r[i]) for r in rows + [head]) for i in range(4)]
line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, width)) + " |"
print(line(head))
print("|" + "|".join("-" * (w + 2) for w in width) + "|")
for r in rows:
    print(line(r))
PY
exit $status
