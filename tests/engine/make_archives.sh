#!/usr/bin/env bash
# Builds the extraction test archives with 7zz into <out dir> (run by a CTest fixture).
set -euo pipefail
out=$1
rm -rf "$out" && mkdir -p "$out" && cd "$out"

# The tree most archives hold: text, binary, an empty file, an empty folder, nested
# folders and Italian accented names.
mkdir -p tree/dir/sub tree/vuota "tree/unità"
python3 - <<'PY'
import os, random
random.seed(7)
open("tree/testo.txt", "w").write("riga di testo\n" * 2000)
open("tree/dir/dati.bin", "wb").write(bytes(random.getrandbits(8) for _ in range(70000)))
open("tree/dir/sub/profondo.txt", "w").write("profondo")
open("tree/zero.txt", "wb").close()
open("tree/unità/perché.txt", "w").write("accentato")
# Code-like bytes so the x86 filters have calls to convert.
code = bytearray()
for i in range(20000):
    code += b"\xe8" + (i * 37).to_bytes(4, "little") + b"\x90\x90\x55"
open("tree/programma.exe", "wb").write(bytes(code))
PY
touch -d '2020-05-17 10:20:30 UTC' tree/testo.txt

a() { local name=$1; shift; (cd tree && 7zz a -bd -y "$@" "../$name" . >/dev/null); }
a lzma.7z -m0=LZMA -ms=on
a lzma2.7z -m0=LZMA2 -ms=on
a lzma2_nonsolid.7z -m0=LZMA2 -ms=off
a bcj.7z -m0=BCJ -m1=LZMA -ms=on
a bcj2.7z -m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0s0:1 -mb0s1:2 -mb0s2:3 -ms=on
a copy.7z -m0=Copy
# Every other coder shape the decoder streams: filters after LZMA2, BCJ2 over LZMA2, Delta,
# and several solid blocks.
a bcj_lzma2.7z -m0=BCJ -m1=LZMA2 -ms=on
a delta.7z -m0=Delta:4 -m1=LZMA2 -ms=on
for filter in PPC IA64 ARM ARMT SPARC ARM64 RISCV; do a "$filter.7z" -m0=$filter -m1=LZMA -ms=on; done
a bcj2_lzma2.7z -m0=BCJ2 -m1=LZMA2 -m2=LZMA -m3=LZMA -mb0s0:1 -mb0s1:2 -mb0s2:3 -ms=on
a blocks.7z -m0=LZMA2 -ms=2f
# Folder and empty entries between the files of one block (7zz puts them first): the
# entries of an uncompressed header are reordered, data entries keeping their order.
a interleaved.7z -m0=LZMA2 -ms=on -mhc=off
python3 - interleaved.7z <<'PY'
import struct, sys, zlib
name = sys.argv[1]
data = bytearray(open(name, "rb").read())
offset, size = struct.unpack_from("<QQ", data, 12)
start = 32 + offset
header = bytes(data[start:start + size])
def number(buf, at):
    first, mask, value = buf[at], 0x80, 0
    for i in range(8):
        if not first & mask:
            return value | ((first & (mask - 1)) << (8 * i)), at + 1 + i
        value |= buf[at + 1 + i] << (8 * i)
        mask >>= 1
    return value, at + 9
def files_info(at):  # the properties of a FilesInfo section starting at `at`, or None
    try:
        count, at = number(header, at + 1)
        props = []
        while True:
            kind, at = number(header, at)
            if kind == 0:
                return (count, props) if at == len(header) - 1 else None
            length, at = number(header, at)
            props.append((kind, header[at:at + length]))
            at += length
    except IndexError:
        return None
found = [(i, files_info(i)) for i in range(len(header)) if header[i] == 5]
found = [(i, f) for i, f in found if f and f[0] == 10]
assert len(found) == 1, found
section, (count, props) = found[0]
def bits(raw, n):
    return [bool(raw[i // 8] & (0x80 >> (i % 8))) for i in range(n)]
def pack_bits(values):
    out = bytearray((len(values) + 7) // 8)
    for i, v in enumerate(values):
        if v: out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)
empty = bits(dict(props)[0x0E], count)
order_empty = [i for i in range(count) if empty[i]]
order_data = [i for i in range(count) if not empty[i]]
order = []
while order_empty or order_data:  # data, empty, data, empty, ...
    if order_data: order.append(order_data.pop(0))
    if order_empty: order.append(order_empty.pop(0))
def per_file(raw, width):  # allDefined=1, external=0, then one value per file
    assert raw[0] == 1 and raw[1] == 0
    values = [raw[2 + i * width:2 + (i + 1) * width] for i in range(count)]
    return raw[:2] + b"".join(values[i] for i in order)
out = []
for kind, raw in props:
    if kind == 0x0E:
        raw = pack_bits([empty[i] for i in order])
    elif kind == 0x0F:
        empties = [i for i in range(count) if empty[i]]
        flags = dict(zip(empties, bits(raw, len(empties))))
        raw = pack_bits([flags[i] for i in order if empty[i]])
    elif kind == 0x11:
        assert raw[0] == 0
        names = raw[1:].decode("utf-16-le").split("\0")[:-1]
        raw = b"\0" + "".join(names[i] + "\0" for i in order).encode("utf-16-le")
    elif kind == 0x14:
        raw = per_file(raw, 8)
    elif kind == 0x15:
        raw = per_file(raw, 4)
    elif kind != 0x19:
        raise SystemExit("unexpected property %x" % kind)
    out.append((kind, raw))
body = bytearray(header[:section + 2])  # kFilesInfo and the count (one byte for 10)
for kind, raw in out:
    body += bytes([kind, len(raw)]) if len(raw) < 0x80 else bytes([kind, 0x80 | (len(raw) >> 8), len(raw) & 0xFF])
    body += raw
body += b"\0\0"
assert len(body) == len(header), (len(body), len(header))
data[start:start + size] = body
struct.pack_into("<I", data, 28, zlib.crc32(body) & 0xFFFFFFFF)
struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])) & 0xFFFFFFFF)
open(name, "wb").write(bytes(data))
PY
7zz l interleaved.7z | grep -A3 ' dir/dati.bin' | grep -q ' dir$' || { echo "interleaving failed" >&2; exit 1; }

# A file larger than the streaming bound, between two small ones: whole, and damaged in
# its middle (Copy, so that only its CRC tells).
mkdir -p big
python3 - <<'PY'
import random
rnd = random.Random(15)
words = [bytes(rnd.choice(b"abcdefgilmnoprstuvz") for _ in range(rnd.randint(2, 9))) for _ in range(500)]
line = lambda: b" ".join(rnd.choices(words, k=16)) + b"\n"
open("big/a.txt", "wb").write(b"".join(line() for _ in range(100)))
block = b"".join(line() for _ in range(20000))
large = bytearray()
while len(large) < 17 << 20:
    large += block[rnd.randrange(1000):] + rnd.randbytes(512)
open("big/large.bin", "wb").write(bytes(large[:17 << 20]) + b"fine")
open("big/z.txt", "wb").write(b"ultimo")
PY
(cd big && 7zz a -bd -m0=LZMA2 -mx=1 -ms=on ../big.7z a.txt large.bin z.txt >/dev/null)
(cd big && 7zz a -bd -m0=Copy -ms=on ../big_copy.7z a.txt large.bin z.txt >/dev/null)
python3 - <<'PY'
import os
data = bytearray(open("big_copy.7z", "rb").read())
data[32 + os.path.getsize("big/a.txt") + (10 << 20)] ^= 0x01
open("damaged_big.7z", "wb").write(bytes(data))
PY

cp lzma2.7z empty.7z && 7zz d -bd empty.7z '*' -r >/dev/null

# Shapes 7zz does not write, built byte by byte (Copy or LZMA2, uncompressed header):
# - empty entries that belong to a solid block, after its last byte (data entries of
#   length 0); 5000 of them behind a 16 MB block;
# - blocks that carry only their own CRC, no CRC per entry: one intact, one with a damaged
#   byte in its first entry;
# - a start header that announces no header (size, offset and CRC 0) in front of a package.
python3 - <<'PY'
import lzma, random, struct, zlib
crc = lambda data: zlib.crc32(data) & 0xFFFFFFFF
def num(v):
    for i in range(8):
        if v < 1 << (7 * (i + 1)):
            return bytes([((0xFF00 >> i) & 0xFF) | (v >> (8 * i))]) + v.to_bytes(8, "little")[:i]
    return b"\xff" + v.to_bytes(8, "little")
def start_header(offset, size, header_crc):
    tail = struct.pack("<QQI", offset, size, header_crc)
    return b"7z\xbc\xaf\x27\x1c\x00\x04" + struct.pack("<I", crc(tail)) + tail
def write(name, blocks, entry_crcs):
    """blocks: (coder id, coder properties, packed bytes, unpacked bytes, block CRC stored,
    [(entry name, entry length)])"""
    h = bytearray(b"\x01\x04\x06" + num(0) + num(len(blocks)) + b"\x09")
    h += b"".join(num(len(b[2])) for b in blocks) + b"\x00\x07\x0b" + num(len(blocks)) + b"\x00"
    for coder, props, *_ in blocks:
        h += b"\x01" + bytes([len(coder) | (0x20 if props else 0)]) + coder
        if props:
            h += num(len(props)) + props
    h += b"\x0c" + b"".join(num(len(b[3])) for b in blocks)
    if any(b[4] for b in blocks):
        defined = [b[4] for b in blocks]
        h += b"\x0a\x00" + bytes(sum(0x80 >> j for j in range(8) if i + j < len(defined) and
                                     defined[i + j]) for i in range(0, len(defined), 8))
        h += b"".join(struct.pack("<I", crc(b[3])) for b in blocks if b[4])
    h += b"\x00\x08\x0d" + b"".join(num(len(b[5])) for b in blocks) + b"\x09"
    h += b"".join(num(length) for b in blocks for _, length in b[5][:-1])
    if entry_crcs:
        h += b"\x0a\x01"
        for b in blocks:
            at = 0
            for _, length in b[5]:
                h += struct.pack("<I", crc(b[3][at:at + length]))
                at += length
    names = [n for b in blocks for n, _ in b[5]]
    raw = b"\x00" + "".join(n + "\0" for n in names).encode("utf-16-le")
    h += b"\x00\x00\x05" + num(len(names)) + b"\x11" + num(len(raw)) + raw + b"\x00\x00"
    packed = b"".join(b[2] for b in blocks)
    open(name, "wb").write(start_header(len(packed), len(h), crc(bytes(h))) + packed + bytes(h))

# Sixteen letters at random: LZMA has to code nearly every byte as a literal, the slowest
# data to decode, so that decoding the block once per empty entry would take many minutes.
letters = random.Random(9).randbytes(16 << 20)
letters = letters.translate(bytes(b"abcdefghilmnopqr"[i & 15] for i in range(256)))
lzma2 = lzma.compress(letters, format=lzma.FORMAT_RAW,
                      filters=[{"id": lzma.FILTER_LZMA2, "preset": 1, "dict_size": 1 << 20}])
write("empty_after_block.7z",
      [(b"\x21", b"\x10", lzma2, letters, False,
        [("grande.bin", len(letters))] + [("vuoto%04d.txt" % i, 0) for i in range(5000)])],
      entry_crcs=True)

def copy_block(entries, damage=None):
    data = b"".join(content for _, content in entries)
    packed = bytearray(data)
    if damage is not None:
        packed[damage] ^= 0x01
    return (b"\x00", b"", bytes(packed), data, True, [(n, len(c)) for n, c in entries])
write("block_crc_only.7z",
      [copy_block([("primo.txt", b"primo blocco"), ("secondo.txt", b"ancora il primo")]),
       copy_block([("a.txt", b"danneggiato"), ("gia.txt", b"sovrascritto"),
                   ("c.txt", b"scoperto qui")], damage=3)],
      entry_crcs=False)

data = bytearray(open("lzma2.7z", "rb").read())
data[:32] = start_header(0, 0, 0)
open("no_header_before_package.7z", "wb").write(bytes(data))
PY
7zz t -bd empty_after_block.7z >/dev/null
# 7zz itself checks no block CRC: it only shows that no entry carries one.
[ "$(7zz l -slt block_crc_only.7z | grep -c '^CRC = $')" = 5 ]
# Read whole first: grep -q would end the pipe under 7zz, a failure under pipefail.
grep -q 'data after the end of archive' <<<"$(7zz t -bd no_header_before_package.7z 2>&1)"

printf 'questo non è un archivio 7z\n' > notarchive.7z
size=$(stat -c %s lzma2.7z)
head -c $((size / 2)) lzma2.7z > truncated.7z
# Damaged packed data: the stream still parses but its data or CRC check fails.
python3 - <<'PY'
data = bytearray(open("lzma2_nonsolid.7z", "rb").read())
for i in range(200, 260):
    data[i] ^= 0x5A
open("damaged.7z", "wb").write(bytes(data))
PY

# Names that climb out of the destination. 7zz will not store them, so placeholders of the
# same length are written and renamed in the (uncompressed) header, whose CRCs are fixed.
mkdir -p climb
printf 'innocuo' > climb/aaa_good.txt
climb() {  # [dir]: the placeholder is a folder entry
  local name=$1 placeholder=$2 replacement=$3
  rm -f "climb/$placeholder"
  if [ "${4:-}" = dir ]; then mkdir "climb/$placeholder"; else printf 'evil' > "climb/$placeholder"; fi
  (cd climb && 7zz a -bd -mhc=off -m0=Copy "../$name" aaa_good.txt "$placeholder" >/dev/null)
  rm -rf "climb/$placeholder"
  python3 - "$name" "$placeholder" "$replacement" <<'PY'
import struct, sys, zlib
name, old, new = sys.argv[1], sys.argv[2], sys.argv[3]
data = bytearray(open(name, "rb").read())
offset, size = struct.unpack_from("<QQ", data, 12)
start = 32 + offset
header = data[start:start + size]
old16, new16 = old.encode("utf-16-le"), new.encode("utf-16-le")
assert len(old16) == len(new16) and header.count(old16) == 1, (old, new)
header = header.replace(old16, new16)
data[start:start + size] = header
struct.pack_into("<I", data, 28, zlib.crc32(header) & 0xFFFFFFFF)
struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])) & 0xFFFFFFFF)
open(name, "wb").write(bytes(data))
PY
}
climb climb_dotdot_back.7z QQQevil.txt '..\evil.txt'
climb climb_dotdot_slash.7z QQQevil.txt '../evil.txt'
climb climb_deep.7z QQQQQQQQevil.txt 'a\..\..\evil.txt'
climb climb_drive.7z QQQQQQQQQQQQevil.txt 'C:\zav_evil\evil.txt'
climb climb_backslash.7z QQQevil.txt '\zzevil.txt'
climb climb_dots_space.7z QQQQevil.txt '.. \evil.txt'
# U+0100 narrows to NUL: the system would see the path end at "..".
climb climb_nul.7z QQQQevil.txt '..Ā/evil.txt'
# Not a climb: a doubled separator leaves a parent folder path that ends in "/".
climb double_separator.7z QQQQQQQQQQ 'dbl//x.txt'

# Names Windows takes for devices, in every form it accepts.
climb device_com1.7z QQQQ 'COM1'
climb device_aux_ext.7z QQQQQ 'aux.h'
climb device_nul_space.7z QQQQQQQQ 'NUL .txt'
climb device_con_trailing.7z QQQQQQQ 'cOn. . '
climb device_nul_folder.7z QQQ 'NUL' dir
climb device_in_folder.7z QQQQQQQQQQQQ 'AuX\evil.txt'
climb device_superscript.7z QQQQQQQQ 'COM¹.txt'
climb device_conin.7z QQQQQQ 'CONIN$'

# Entries that Windows writes to one file (letter case, trailing dot or space), and a file
# where another entry needs a folder. Linux keeps them apart, so 7zz stores them as they are.
collide() {
  local name=$1; shift
  rm -rf collide && mkdir collide && printf 'innocuo' > collide/aaa_good.txt
  for f in "$@"; do mkdir -p "collide/$(dirname "$f")" && printf 'evil' > "collide/$f"; done
  (cd collide && 7zz a -bd "../$name" . >/dev/null)
}
collide collide_case.7z evil.txt EVIL.TXT
collide collide_dot.7z evil.txt evil.txt.
collide collide_space.7z 'evil.txt' 'evil.txt '
collide collide_accent.7z 'unità/evil.txt' 'UNITÀ/evil.txt'
collide collide_file_folder.7z evil EVIL/x.txt
# Harmless names that only begin like a device, and one folder written in two letter cases.
collide lookalikes.7z CONFIG.SYS COM10 LPT0.txt aux_files/x.txt CONSOLE NULL.txt COM1x \
  Dir/a.txt dir/b.txt

# A modification time beyond what Windows can store (the top bit set): the file's stored
# time is found in the uncompressed header and replaced, and the CRCs fixed.
rm -rf late && mkdir late && printf 'innocuo' > late/aaa_good.txt && printf 'tardi' > late/zz_late.txt
touch -d '2001-02-03 04:05:06 UTC' late/zz_late.txt
(cd late && 7zz a -bd -mhc=off -m0=Copy ../late_mtime.7z aaa_good.txt zz_late.txt >/dev/null)
python3 - late_mtime.7z <<'PY'
import struct, sys, zlib
name = sys.argv[1]
data = bytearray(open(name, "rb").read())
offset, size = struct.unpack_from("<QQ", data, 12)
start = 32 + offset
header = data[start:start + size]
stored = struct.pack("<Q", (981173106 + 11644473600) * 10000000)
assert header.count(stored) == 1
header = header.replace(stored, struct.pack("<Q", 0xFFFFFFFF00000000))
data[start:start + size] = header
struct.pack_into("<I", data, 28, zlib.crc32(header) & 0xFFFFFFFF)
struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])) & 0xFFFFFFFF)
open(name, "wb").write(bytes(data))
PY

# Sanity: the archives 7zz can read are what they claim.
for f in lzma lzma2 lzma2_nonsolid bcj bcj2 copy bcj_lzma2 delta PPC IA64 ARM ARMT SPARC ARM64 \
         RISCV bcj2_lzma2 blocks interleaved big big_copy; do
  7zz t -bd "$f.7z" >/dev/null
done
7zz l -slt blocks.7z | grep -q '^Blocks = [3-9]'
! 7zz t -bd damaged_big.7z >/dev/null 2>&1
7zz l -slt bcj2.7z | grep -q 'BCJ2'
ls -l "$out"/*.7z | awk '{print $5, $9}'
