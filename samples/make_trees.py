#!/usr/bin/env python3
"""Lays out the sample packages' trees from the built stand-in programs:

  make_trees.py OUT WRUN32_EXE QEL_EXE CLIENT_VERSION

OUT/runtime  the office's platform folder as installed (HOME\\BIN\\wrun32.exe, HOME\\ETC,
             HOME\\OBJ, FILES with a few megabytes of sample files)
OUT/client   the client's program folder as installed (new_qel.exe, which the setup
             renames to qel.exe, the version folder, locales)
The content is generated from a fixed seed, so every build makes the same bytes."""
import os
import random
import shutil
import sys


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def text_file(rng, lines):
    words = ["pratica", "ufficio", "archivio", "protocollo", "anno", "registro", "scadenza",
             "cliente", "fattura", "importo", "sede", "codice"]
    return "".join("%05d %s\r\n" % (i, " ".join(rng.choice(words) for _ in range(10)))
                   for i in range(lines)).encode("ascii")


def main(out, wrun32, qel, version):
    rng = random.Random(2021)
    for tree in ("runtime", "client"):
        shutil.rmtree(os.path.join(out, tree), ignore_errors=True)
    runtime = os.path.join(out, "runtime")
    os.makedirs(os.path.join(runtime, "HOME", "BIN"))
    shutil.copyfile(wrun32, os.path.join(runtime, "HOME", "BIN", "wrun32.exe"))
    write(os.path.join(runtime, "HOME", "ETC", "cblconfi"),
          b"; configurazione di esempio del runtime\r\nFILE-PREFIX ..\\..\\FILES\r\n")
    write(os.path.join(runtime, "HOME", "OBJ", "pcmenu.acu"), rng.randbytes(64 * 1024))
    for i in range(12):
        write(os.path.join(runtime, "FILES", "archivio%02d.dat" % i), text_file(rng, 2500))
    write(os.path.join(runtime, "FILES", "indici", "indice.idx"), rng.randbytes(1024 * 1024))

    client = os.path.join(out, "client")
    os.makedirs(client)
    shutil.copyfile(qel, os.path.join(client, "new_qel.exe"))
    write(os.path.join(client, version, "qel_core.dll"), rng.randbytes(512 * 1024))
    write(os.path.join(client, version, "resources.pak"), text_file(rng, 3000))
    for locale in ("it", "en-US"):
        write(os.path.join(client, "locales", locale + ".pak"), text_file(rng, 200))
    write(os.path.join(client, "qel.ini"), b"[qel]\r\nversion=" + version.encode() + b"\r\n")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
