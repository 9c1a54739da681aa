#!/usr/bin/env bash
# The sqlite3 command-line tool's side of the interoperability test.
#   cli_check.sh prepare DIR   writes DIR/tool/SharedInfo with the tool (read by the test)
#   cli_check.sh check DIR     checks DIR/ours/SharedInfo, written by the test
set -euo pipefail
mode=$1
dir=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$mode" in
prepare)
  rm -rf "$dir"
  mkdir -p "$dir/tool" "$dir/ours"
  sqlite3 "$dir/tool/SharedInfo" <<'SQL'
CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
CREATE TABLE Workpoint (idWorkpoint INTEGER PRIMARY KEY AUTOINCREMENT, pm TEXT, pwd BLOB, pdl INTEGER, assignee TEXT, path TEXT, creationtime INTEGER DEFAULT 0);
CREATE TABLE Workpoint_SwExt (idWorkpoint INTEGER, idSwExt INTEGER);
CREATE TABLE SwExt (idSwExt INTEGER PRIMARY KEY AUTOINCREMENT, software TEXT, anno TEXT, cmdline TEXT, arguments TEXT);
INSERT INTO SwExt (software, anno, cmdline, arguments) VALUES ('MOLTRA', '2021', '\home\BIN\wrun32.exe', '-c ..\etc\cblconfi ..\obj\pcmenu.acu rete <pdl> <path_year>');
INSERT INTO SwExt (software, anno, cmdline, arguments) VALUES ('MOLTRA', '2020', '\home\BIN\wrun32.exe', '-c ..\etc\cblconfi ..\obj\pcmenu.acu rete <pdl> <path_year>');
INSERT INTO Workpoint (pm, pwd, pdl, assignee, path, creationtime) VALUES ('00042', 'xyz', 3, 'SERVER\admin', '\\SERVER\Studio\', datetime('now'));
INSERT INTO Workpoint_SwExt VALUES (1, 1);
INSERT INTO Workpoint (pm, pwd, pdl, assignee, path, creationtime) VALUES ('00042', 'xyz', 1, 'SERVER\admin', '\\SERVER\Studio\', datetime('now'));
INSERT INTO Workpoint_SwExt VALUES (2, 2);
SQL
  ;;
check)
  db="$dir/ours/SharedInfo"
  [ -f "$db" ] || fail "$db missing"
  [ -f "$dir/ours/expected.txt" ] || fail "expected.txt missing"
  declare -A expect
  while IFS='=' read -r k v; do [ -n "$k" ] && expect[$k]=$v; done < "$dir/ours/expected.txt"
  q() { sqlite3 -batch -noheader "$db" "$1"; }
  [ "$(q 'PRAGMA integrity_check')" = ok ] || fail "integrity_check"
  [ "$(q "SELECT sql FROM sqlite_master WHERE name='Workpoint'")" = \
    "CREATE TABLE Workpoint (idWorkpoint INTEGER PRIMARY KEY AUTOINCREMENT, pm TEXT, pwd BLOB, pdl INTEGER, assignee TEXT, path TEXT, creationtime INTEGER DEFAULT 0)" ] \
    || fail "Workpoint schema"
  [ "$(q "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type='table' AND name <> 'sqlite_sequence' ORDER BY rowid)")" = \
    "meta,Workpoint,Workpoint_SwExt,SwExt" ] || fail "tables"
  [ "$(q 'SELECT count(*) FROM Workpoint')" = "${expect[workpoints]}" ] || fail "workpoint count"
  # The password: TEXT of the same byte length, the scrambled bytes.
  [ "$(q "SELECT count(*) FROM Workpoint WHERE typeof(pwd) <> 'text' OR length(CAST(pwd AS BLOB)) <> ${expect[pwd_bytes]} OR hex(pwd) <> '${expect[pwd_hex]}'")" = 0 ] \
    || fail "pwd: $(q 'SELECT typeof(pwd), hex(pwd) FROM Workpoint')"
  # creationtime: UTC text "YYYY-MM-DD HH:MM:SS", written moments ago.
  now=$(date -u +%s)
  while read -r ts; do
    [[ "$ts" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] || fail "creationtime '$ts'"
    t=$(date -u -d "$ts UTC" +%s)
    (( t <= now + 5 && t >= now - 900 )) || fail "creationtime $ts is not UTC now ($(date -u))"
  done < <(q "SELECT creationtime || '' FROM Workpoint")
  [ "$(q "SELECT count(*) FROM Workpoint WHERE typeof(creationtime) <> 'text' OR typeof(pdl) <> 'integer' OR typeof(pm) <> 'text'")" = 0 ] \
    || fail "column types"
  [ "$(q "SELECT count(*) FROM Workpoint WHERE hex(assignee) = '${expect[assignee_hex]}'")" = 6 ] \
    || fail "assignee bytes"
  # Every workpoint tied to exactly one year row; one row per year; the stored template.
  [ "$(q 'SELECT count(*) FROM Workpoint w WHERE (SELECT count(*) FROM Workpoint_SwExt ws JOIN SwExt s USING (idSwExt) WHERE ws.idWorkpoint = w.idWorkpoint) <> 1')" = 0 ] \
    || fail "associations"
  [ "$(q "SELECT group_concat(anno, ',') FROM (SELECT anno FROM SwExt ORDER BY anno)")" = "2016,2017,2018,2019,2020,2021" ] \
    || fail "years: $(q 'SELECT anno FROM SwExt')"
  [ "$(q "SELECT count(*) FROM SwExt WHERE software <> 'MOLTRA' OR typeof(anno) <> 'text' OR cmdline <> '\home\BIN\wrun32.exe' OR arguments <> '-c ..\etc\cblconfi ..\obj\pcmenu.acu rete <pdl> <path_year>'")" = 0 ] \
    || fail "SwExt values"
  [ "$(q "SELECT group_concat(pdl, ',') FROM (SELECT w.pdl FROM Workpoint w JOIN Workpoint_SwExt ws USING (idWorkpoint) JOIN SwExt s USING (idSwExt) WHERE s.anno = '2021' ORDER BY w.pdl)")" = "1,2" ] \
    || fail "pdl numbers of 2021"
  echo "sqlite3 $(sqlite3 --version | cut -d' ' -f1) reads the file as expected"
  ;;
*)
  fail "usage: $0 prepare|check DIR"
  ;;
esac
