# Sourced by the benchmarks: runs measured side by side as alternating pairs, so that a slow
# moment of a shared machine falls on both sides, and rows of medians with their range.
#   alternate N DIR ours_fn ref_fn [ref_fn...]
#       runs ours, ref, ..., ours, ref, ... N rounds; each function prints one line of
#       numbers (its measures), kept in DIR/<function>.txt, one line per run
#   row LABEL UNIT DIR ours_fn FIELD ref_fn FIELD [SCALE]
#       prints (and appends to $BENCH_ROWS) "LABEL|median (min-max) UNIT|...|ratio of the
#       medians"; FIELD counts from 1, SCALE divides both (1024: KB to MiB)
alternate() {
  local n=$1 dir=$2 i f
  shift 2
  mkdir -p "$dir"
  for f in "$@"; do : > "$dir/$f.txt"; done
  for ((i = 0; i < n; i++)); do
    for f in "$@"; do
      local line
      line=$("$f") || { echo "bench: $f failed" >&2; return 1; }
      [ -n "$line" ] || { echo "bench: $f measured nothing" >&2; return 1; }
      echo "$line" >> "$dir/$f.txt"
    done
  done
}

row() {
  python3 - "$@" <<'PY' | tee -a "${BENCH_ROWS:-/dev/null}"
import statistics, sys
label, unit, folder, ours, of, ref, rf = sys.argv[1:8]
scale = float(sys.argv[8]) if len(sys.argv) > 8 else 1.0
def values(name, field):
    return [float(l.split()[int(field) - 1]) / scale for l in open("%s/%s.txt" % (folder, name)) if l.strip()]
def cell(v):
    fmt = "%.0f" if max(v) >= 100 else "%.2f"
    return (fmt + " %s (" + fmt + "-" + fmt + ")") % (statistics.median(v), unit, min(v), max(v))
a, b = values(ours, of), values(ref, rf)
ratio = statistics.median(a) / statistics.median(b) if statistics.median(b) else float("inf")
print("%s, median of %d pairs|%s|%s|%.2f" % (label, min(len(a), len(b)), cell(a), cell(b), ratio))
PY
}

# "<seconds> <max RSS KB>" of a command, its output in $BENCH_OUT (default /dev/null).
timed() {
  local t
  t=$(mktemp)
  /usr/bin/time -f '%e %M' -o "$t" "$@" > "${BENCH_OUT:-/dev/null}" 2>&1 || { cat "${BENCH_OUT:-/dev/null}" >&2; rm -f "$t"; return 1; }
  cat "$t"
  rm -f "$t"
}
