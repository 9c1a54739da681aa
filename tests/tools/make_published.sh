#!/usr/bin/env bash
# Publishes a test release into <build>/tests/tools/published (a CTest fixture): a client
# tree made to trip the checksum rules, the sample runtime and the built setup. Also writes
# the publishing tool's own checksum of the client tree as it stands (source.checksum).
# make_published.sh <build dir> <setup exe>
set -euo pipefail
build=$(cd "$1" && pwd) setup=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
work="$build/tests/tools"
rm -rf "$work/client" "$work/published" && mkdir -p "$work/client"
cd "$work/client"
version=2.0.1.7
mkdir -p "$version/sub" "$version/locales/it" "$version/.cache" Locales/sub/deep \
  other/locales .git Xmpp alocales x$version 1.2.0.7
printf 'launcher' > new_qel.exe        # becomes qel.exe on a first installation
printf 'old' > old_qel.exe
printf 'alpha' > a.txt
printf 'Bravo' > B.txt                 # byte order puts B before a
printf 'under' > _under.txt            # and _ between capitals and small letters
printf 'zulu\r\n' > zeta.txt
printf 'Z' > Z_last.txt
printf 'caffe' > caffè.txt
: > empty.txt
head -c 300000 /dev/urandom > big.bin
printf 'core' > $version/core.dll
printf 'plugin' > $version/sub/p.dll   # below the version folder: not listed
printf 'it' > $version/locales/it/it.pak
printf 'cache' > $version/.cache/x
printf 'noise' > $version/debug.log
printf 'en' > Locales/en.pak           # capital L: taken all the same
printf 'deep' > Locales/sub/deep/d.pak
printf 'hidden' > other/locales/x.pak  # its parent is not taken
printf 'a' > alocales/x.txt            # "locales" anywhere in the path
printf 'a' > alocales.txt              # a file sorts before the folder's entries
printf 'v' > x$version/v.txt           # a name ending with the version counts as one
printf 'older' > 1.2.0.7/old.dll
printf 'git' > .git/config
printf 'dot' > .hidden
printf 'noise' > debug.log
printf 'noise' > chrome_debug.log
printf 'noise' > Xmpp-journal
printf 'noise' > Xmpp/x
python3 "$here/../../tools/publish" checksum "$work/client" $version > "$work/source.checksum"
python3 "$here/../../tools/publish" --key "$here/../keys/test-only-signing.key" --client "$work/client" --client-version $version \
  --runtime "$build/samples/runtime" --setup "$setup" --base-url http://updates.example:8080 \
  --mode TEST --out "$work/published" --solid-block 1
# Key rotation: a second key, and the update information signed by it.
rm -rf "$work/keys" && mkdir -p "$work/keys"
python3 "$here/../../tools/publish" keygen "$work/keys/second" >/dev/null
cp "$work/published/update/setup_ZAV2021_test.txt" "$work/keys/by_second.txt"
python3 "$here/../../tools/publish" sign --key "$work/keys/second.key" \
  --name setup_ZAV2021_test.txt "$work/keys/by_second.txt"
