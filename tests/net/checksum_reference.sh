#!/usr/bin/env bash
# Compares the folder checksum computed under Wine with one computed here by md5sum over
# the same files in the same order (byte order of the Windows paths).
# checksum_reference.sh <build dir> <checksum_tool.exe>
set -euo pipefail
build=$1 tool=$2
work="$build/tests/net/checksum_reference"
rm -rf "$work" && mkdir -p "$work/qel"
cd "$work/qel"
mkdir -p 2.0.1.7/plugins locales/it .cache other
printf 'alpha' > a.txt
printf 'Bravo' > B.txt
printf 'zulu\r\n' > zulu.dat
head -c 300000 /dev/urandom > big.bin
: > empty.txt
printf 'core' > 2.0.1.7/core.dll
printf 'plugin' > 2.0.1.7/plugins/p.dll   # below the version folder: not listed
printf 'it' > locales/it/it.pak
printf 'x' > locales/en.pak
printf 'noise' > debug.log
printf 'noise' > chrome_debug.log
printf 'noise' > Xmpp-journal
printf 'noise' > .hidden
printf 'noise' > .cache/x
printf 'noise' > other/x

# Reference listing by the same rules, then md5sum of each file ("-1" for folders).
root='Z:'$(echo "$work/qel" | tr / '\\')
list=$(python3 - "$work/qel" "$root" 2.0.1.7 <<'PY'
import os, sys
top, root, version = sys.argv[1:4]
skip = {"old_qel.exe", "new_qel.exe", "debug.log", "chrome_debug.log", "Xmpp", "Xmpp-journal"}
out = []
def walk(unix, win):
    for name in os.listdir(unix):
        if name.startswith(".") or name in skip:
            continue
        u, w = os.path.join(unix, name), win + "\\" + name
        if os.path.isdir(u):
            if w.endswith(version) or "locales" in w.lower():
                out.append((w, ""))
                walk(u, w)
        else:
            out.append((w, u))
walk(top, root)
for w, u in sorted(out, key=lambda e: e[0].encode("latin-1")):
    print(w + "\t" + u)
PY
)
digests=""
while IFS=$'\t' read -r win unix; do
  if [ -z "$unix" ]; then digests+="-1"; else digests+=$(md5sum < "$unix" | cut -c1-32); fi
done <<< "$list"
expected=$(printf '%s' "$digests" | md5sum | cut -c1-32)

actual=$("$build/wine-run.sh" "$tool" "$root" 2.0.1.7 | tr -d '\r' | tail -n 1)
echo "reference $expected"
echo "wine      $actual"
[ "$expected" = "$actual" ]
