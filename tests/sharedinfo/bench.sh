#!/usr/bin/env bash
# Times ParseSharedInfo, DuplicateEntireYear and AddPdlEntry (run under Wine) on a SharedInfo
# of 50 offices x 30 workstations x 6 years, and the same statements run by the sqlite3 tool
# on the same file, as alternating pairs (BENCH_PAIRS, default 5).   Usage: bench.sh [build folder] [repeats]
# With BENCH_ROWS=<file>, also appends "name|ours|reference|ratio" rows for scripts/bench.sh.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
repeats=${2:-20}
cmake --build "$build" -j1 --target sharedinfo_bench >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p >/dev/null 2>&1 </dev/null || true

# Its own folder only: the other benchmarks keep their data beside it, in "$build/bench".
work="$build/bench/sharedinfo"
rm -rf "$work" && mkdir -p "$work"
db="$work/SharedInfo"
win_db="Z:${db//\//\\}"
exe="$build/tests/sharedinfo/sharedinfo_bench.exe"

"$build/wine-run.sh" "$exe" fill "$win_db"
cp "$db" "$work/pristine"
ours=$("$build/wine-run.sh" "$exe" time "$win_db" "$repeats" | tr -d '\r')
value() { echo "$ours" | sed -n "s/^$1=//p"; }
me=$(value assignee_hex)
cp "$work/pristine" "$db"

# The same statements as text for the tool, repeated; the tool's start-up time is taken off.
python3 - "$db" "$me" "$repeats" "$work" <<'PY'
import subprocess, sys
db, me_hex, repeats, work = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
me = bytes.fromhex(me_hex)
def lit(b):
    return "CAST(X'%s' AS TEXT)" % b.hex().upper()
def like(b):
    out = bytearray()
    for c in b:
        if c in b"%_^": out += b"^"
        out.append(c)
    return bytes(out)
def rule(x):
    return ("((w.assignee LIKE {p} ESCAPE '^') OR (lower(w.assignee) = lower({x})) OR (w.assignee = {x}) OR "
            "(lower(substr(assignee, instr(assignee, '\\'))) = lower(substr({x}, instr({x}, '\\'))) AND "
            "substr(assignee, 1, instr(assignee, '\\')) = substr({x}, 1, instr({x}, '\\'))))").format(p=lit(like(x)), x=lit(x))
cols = ("SELECT ws.idSwExt, w.idWorkpoint, w.pm, w.pwd, w.pdl, w.assignee, s.anno, w.path, s.cmdline, s.arguments "
        "FROM Workpoint w, Workpoint_SwExt ws, SwExt s WHERE w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = s.idSwExt "
        "AND s.software = 'MOLTRA' AND (s.anno = 2021 OR s.anno = 2020)")
parse = cols + " AND " + rule(me) + ";\n" + cols + ";\n"
open(work + "/parse.sql", "w").write(parse * repeats)

dup = []
for i in range(repeats):
    pm = "%05d" % (1 + i % 50)
    dup.append("SELECT DISTINCT w.pwd, w.pdl, w.assignee, w.path FROM Workpoint w, Workpoint_SwExt ws, SwExt s "
               "WHERE w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = s.idSwExt AND pm = '%s' AND software = 'MOLTRA';" % pm)
    rows = subprocess.run(["sqlite3", "-separator", "|", db,
                           "SELECT DISTINCT hex(w.assignee) FROM Workpoint w, Workpoint_SwExt ws, SwExt s WHERE "
                           "w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = s.idSwExt AND pm = '%s' AND software = 'MOLTRA'" % pm],
                          capture_output=True, text=True, check=True).stdout.split()
    for row in rows:
        who = bytes.fromhex(row)
        for year in range(2016, 2022):
            if year != 2021 and who != me: continue
            dup.append("SELECT DISTINCT w.pdl FROM Workpoint w, Workpoint_SwExt ws, SwExt s WHERE w.idWorkpoint = ws.idWorkpoint "
                       "AND ws.idSwExt = s.idSwExt AND s.software = 'MOLTRA' AND s.anno = %d AND w.pm = '%s' AND %s;" % (year, pm, rule(who)))
open(work + "/duplicate.sql", "w").write("\n".join(dup) + "\n")

add = ("BEGIN IMMEDIATE;\n"
       "SELECT w.pdl FROM Workpoint w JOIN Workpoint_SwExt ws WHERE w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = 6 AND w.pm = '00051' ORDER BY pdl DESC LIMIT 1;\n"
       "INSERT INTO Workpoint (pm, pwd, pdl, assignee, path, creationtime) VALUES ('00051', 'pw', "
       "(SELECT ifnull(max(w.pdl), 0) + 1 FROM Workpoint w JOIN Workpoint_SwExt ws WHERE w.idWorkpoint = ws.idWorkpoint AND ws.idSwExt = 6 AND w.pm = '00051'), "
       "%s, 'C:\\Bench\\', datetime('now'));\n"
       "INSERT INTO Workpoint_SwExt (idWorkpoint, idSwExt) VALUES (last_insert_rowid(), 6);\nCOMMIT;\n") % lit(me)
open(work + "/add.sql", "w").write(add * repeats)
PY

ms_now() { date +%s%N; }
run_tool() {  # average milliseconds per repeat of the script $1, start-up excluded
  local t0 t1 t2
  t0=$(ms_now); sqlite3 "$db" "SELECT 1;" >/dev/null; t1=$(ms_now)
  sqlite3 "$db" <"$1" >/dev/null; t2=$(ms_now)
  python3 -c "print('%.3f' % (max(0, ($t2 - $t1) - ($t1 - $t0)) / 1e6 / $repeats))"
}
source "$src/scripts/bench-pairs.sh"
ours_run() {  # "<parse ms> <duplicate ms> <add ms>", each call on a pristine copy
  cp "$work/pristine" "$db"
  ours=$("$build/wine-run.sh" "$exe" time "$win_db" "$repeats" | tr -d '\r')
  echo "$(value parse_ms) $(value duplicate_ms) $(value add_ms)"
}
tool_run() {
  cp "$work/pristine" "$db"
  echo "$(run_tool "$work/parse.sql") $(run_tool "$work/duplicate.sql") $(run_tool "$work/add.sql")"
}
alternate "${BENCH_PAIRS:-5}" "$work/pairs" ours_run tool_run

echo "SharedInfo: 50 offices x 30 workstations x 6 years ($(sqlite3 "$work/pristine" 'SELECT count(*) FROM Workpoint') workpoints, $(stat -c %s "$work/pristine") bytes), $repeats repeats"
echo "ParseSharedInfo(2021) returned $(value rows) rows"
echo "ours: one call, under Wine; tool: the native sqlite3 command-line tool; in the last run, the"
echo "same statements on one open connection in the same Wine process took $(value raw_parse_ms) ms (parse) and $(value raw_duplicate_ms) ms (duplicate)"
row "SharedInfo ParseSharedInfo vs sqlite3 tool" ms "$work/pairs" ours_run 1 tool_run 1
row "SharedInfo DuplicateEntireYear (complete office) vs sqlite3 tool" ms "$work/pairs" ours_run 2 tool_run 2
row "SharedInfo AddPdlEntry vs sqlite3 tool" ms "$work/pairs" ours_run 3 tool_run 3
echo "Integrity and table checks, paid once by every call: open with checks $(value open_checked_ms) ms, plain open $(value open_plain_ms) ms"
echo "ParseSharedInfo for a user without workstations (no runtime folder probes): $(value parse_stranger_ms) ms"
