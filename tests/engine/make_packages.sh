#!/usr/bin/env bash
# Builds the install engine's test packages with 7zz into <out dir> (a CTest fixture):
# usage: make_packages.sh OUT CHILD_NEW_EXE CHILD_OLD_EXE SETUP_EXE
set -euo pipefail
out=$1 child_new=$2 child_old=$3 setup=$4
rm -rf "$out" && mkdir -p "$out" && cd "$out"

# Legacy runtime: what an office's platform folder holds.
mkdir -p moltra/HOME/BIN moltra/HOME/ETC moltra/FILES
printf 'runtime' > moltra/HOME/BIN/wrun32.exe
printf 'menu' > moltra/HOME/ETC/cblconfi
printf 'uff' > moltra/FILES/uffaut
# Client: the launcher ships as new_qel.exe, a versioned folder and the locales.
mkdir -p qel/1.0.0.7/locales
printf 'launcher' > qel/new_qel.exe
printf 'core' > qel/1.0.0.7/core.dll
printf 'it' > qel/1.0.0.7/locales/it.pak
head -c 300000 /dev/urandom > qel/1.0.0.7/big.bin
# Unpacking fails at its last entry when a folder of that name is in the way.
mkdir -p qel_fails
printf 'first' > qel_fails/a_first.txt
printf 'last' > qel_fails/z_last.txt

# A runtime of many entries, for a cancel in the middle of its unpacking.
mkdir -p many/HOME/BIN many/FILES
for i in $(seq 1 4000); do printf '%s' "$i" > "many/FILES/f$i.txt"; done
printf 'runtime' > many/HOME/BIN/wrun32.exe

a() { local name=$1 dir=$2; (cd "$dir" && 7zz a -bd -y -m0=LZMA2 "../$name" . >/dev/null); }
a moltra.7z moltra
a qel.7z qel
a qel_fails.7z qel_fails
a many.7z many
mkdir -p upd_new upd_old upd_real
cp "$child_new" upd_new/ZAV2021.exe
cp "$child_old" upd_old/ZAV2021.exe
cp "$child_old" old_setup.exe
cp "$setup" upd_real/ZAV2021.exe
a update_new.7z upd_new
a update_old.7z upd_old
a update_real.7z upd_real
printf 'questo non è un archivio 7z\n' > garbage.7z
ls -l "$out"/*.7z | awk '{print $5, $9}'
