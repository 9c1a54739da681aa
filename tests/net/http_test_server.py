#!/usr/bin/env python3
"""Loopback HTTP server for the request tests, with answers a poor line or a proxy gives.

  http_test_server.py start STATE_DIR ROOT   start in the background; writes
                                             STATE_DIR/http_server.pid and .port
  http_test_server.py stop STATE_DIR         stop it and remove the state files
  http_test_server.py serve STATE_DIR ROOT [WATCH_PID]
                                             run in the foreground (until WATCH_PID ends)

Paths:
  /files/NAME           a file of ROOT with Content-Length
  /files/NAME.sig       ROOT's NAME.sig when there is one, else NAME signed now with the
                        TEST-ONLY key (tests/keys), as tools/publish signs it
  /signas/AS/NAME       the signature of ROOT's NAME for a file served as AS
  /tamper/KIND/NAME     NAME of ROOT, and its .sig, spoilt: flip (one byte of the file
                        changed), cut (its last byte left out, Content-Length to match),
                        nosig (no .sig), otherkey (signed by a key no setup trusts),
                        otherfile (the signature of the same bytes published under another
                        name), malformed (the .sig is not a signature document)
  /status/CODE          that status with a short body (407 adds Proxy-Authenticate)
  /short/N              Content-Length N, N-1 bytes, then the connection closes
  /nolength/N           N bytes without Content-Length (the connection end marks the end)
  /slow/CHUNKS/SIZE     Content-Length CHUNKS*SIZE sent in CHUNKS writes with pauses
  /reset                reads the request and resets the connection
  /stall/SECONDS        answers nothing for SECONDS, then closes
  /hugelength[/N]       claims 1,900,000,000 (or N) bytes and sends 100
  /gate/NAME            NAME of ROOT (and its .sig, as /files gives it) but for the last
                        byte, which follows once ROOT's NAME.open exists (at most 60 s)
A request with an absolute URL is a proxy request: without Proxy-Authorization it gets 407,
with it 200 and the body "proxy-ok " + the decoded user:password.
"""
import base64
import hashlib
import http.server
import importlib.machinery
import importlib.util
import os
import signal
import socket
import socketserver
import struct
import subprocess
import sys
import threading
import time

MAX_LIFETIME = 1800  # never outlive a forgotten test run by more than this
HERE = os.path.dirname(os.path.abspath(__file__))


def load_publish():
    path = os.path.join(HERE, "..", "..", "tools", "publish")
    loader = importlib.machinery.SourceFileLoader("publish", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("publish", loader))
    loader.exec_module(module)
    return module


publish = load_publish()
TEST_KEY = publish.load_key(os.path.join(HERE, "..", "keys", "test-only-signing.key"))
OTHER_KEY = publish.ec.generate_private_key(publish.ec.SECP256R1())
TAMPER_KINDS = ("flip", "cut", "nosig", "otherkey", "otherfile", "malformed")


def signature_of(data, name, key=TEST_KEY):
    return publish.signature_document(key, name, len(data),
                                      hashlib.sha256(data).hexdigest()).encode("ascii")


def tampered(kind, data, name, signature):
    """(body, signature) of a download spoilt in one way; None for a missing signature."""
    if not signature:
        if kind == "flip":
            middle = len(data) // 2
            data = data[:middle] + bytes([data[middle] ^ 1]) + data[middle + 1:]
        elif kind == "cut":
            data = data[:-1]
        return data
    if kind == "nosig":
        return None
    if kind == "otherkey":
        return signature_of(data, name, OTHER_KEY)
    if kind == "otherfile":
        stem, dot, ext = name.rpartition(".")
        return signature_of(data, stem + "_dev" + dot + ext)
    if kind == "malformed":
        return b"ZAV2021 signature 1\nfile " + name.encode() + b"\n"
    return signature_of(data, name)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, fmt, *args):
        pass

    def send_head(self, code, length, extra=()):
        """Status and headers of a one-answer connection; length < 0: no Content-Length."""
        self.send_response(code)
        if length >= 0:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        self.close_connection = True

    def send_body(self, code, body, length=None, extra=()):
        self.send_head(code, len(body) if length is None else length, extra)
        self.wfile.write(body)
        self.wfile.flush()

    def do_GET(self):
        path = self.path
        if path.startswith("http://") or path.startswith("https://"):
            return self.proxy_request()
        parts = [p for p in path.split("?")[0].split("/") if p]
        try:
            kind = parts[0] if parts else ""
            if kind == "tamper" and len(parts) == 3 and parts[1] in TAMPER_KINDS:
                base = os.path.basename(parts[2])
                signature = base.endswith(".sig")
                name = base[:-4] if signature else base
                with open(os.path.join(self.root, name), "rb") as f:
                    data = f.read()
                body = tampered(parts[1], data, name, signature)
                if body is None:
                    return self.send_body(404, b"not found")
                return self.send_body(200, body)
            if kind == "signas" and len(parts) == 3:  # ROOT's NAME signed for another name
                with open(os.path.join(self.root, os.path.basename(parts[2])), "rb") as f:
                    return self.send_body(200, signature_of(f.read(), parts[1]))
            if kind in ("files", "gate") and len(parts) == 2:
                name = os.path.join(self.root, os.path.basename(parts[1]))
                if not os.path.isfile(name) and name.endswith(".sig") and \
                        os.path.isfile(name[:-4]):
                    with open(name[:-4], "rb") as f:
                        signed = signature_of(f.read(), os.path.basename(name[:-4]))
                    return self.send_body(200, signed)
                if not os.path.isfile(name):
                    return self.send_body(404, b"not found")
                # Sent from the page cache: a package is not read into memory first.
                with open(name, "rb") as f:
                    size = os.fstat(f.fileno()).st_size
                    self.send_head(200, size)
                    held = 1 if kind == "gate" and size > 0 and not name.endswith(".sig") else 0
                    if size - held > 0:
                        self.connection.sendfile(f, 0, size - held)
                    deadline = time.time() + 60
                    while held and not os.path.exists(name + ".open") and time.time() < deadline:
                        time.sleep(0.01)
                    if held:
                        self.connection.sendfile(f, size - held, held)
                return
            if kind == "status":
                code = int(parts[1])
                extra = [("Proxy-Authenticate", 'Basic realm="zav"')] if code == 407 else []
                return self.send_body(code, b"status %d" % code, extra=extra)
            if kind == "short":
                n = int(parts[1])
                return self.send_body(200, b"s" * (n - 1), length=n)
            if kind == "nolength":
                n = int(parts[1])
                return self.send_body(200, b"n" * n, length=-1)
            if kind == "slow":
                chunks, size = int(parts[1]), int(parts[2])
                self.send_head(200, chunks * size)
                for i in range(chunks):
                    self.wfile.write(bytes([65 + i % 26]) * size)
                    self.wfile.flush()
                    time.sleep(0.02)
                return
            if kind == "reset":
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
                self.close_connection = True
                return
            if kind == "stall":
                time.sleep(float(parts[1]))
                self.close_connection = True
                return
            if kind == "hugelength":
                length = int(parts[1]) if len(parts) > 1 else 1900000000
                return self.send_body(200, b"h" * 100, length=length)
        except (ValueError, IndexError):
            pass
        except (BrokenPipeError, ConnectionResetError):
            return
        self.send_body(404, b"not found")

    def proxy_request(self):
        auth = self.headers.get("Proxy-Authorization", "")
        if not auth.startswith("Basic "):
            return self.send_body(407, b"proxy auth",
                                  extra=[("Proxy-Authenticate", 'Basic realm="zav"')])
        decoded = base64.b64decode(auth[6:]).decode("latin-1")
        self.send_body(200, b"proxy-ok " + decoded.encode("latin-1"))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def is_running(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return not is_zombie(pid)


def watch(pid, state_dir):
    # The test run that started the server ends: so does the server, even when the run was
    # killed before its cleanup fixture could stop it.
    while is_running(pid):
        time.sleep(1)
    try:
        if int(open(os.path.join(state_dir, "http_server.pid")).read()) == os.getpid():
            for name in ("http_server.pid", "http_server.port"):
                os.remove(os.path.join(state_dir, name))
    except (OSError, ValueError):
        pass
    os._exit(0)


def serve(state_dir, root, watch_pid=0):
    Handler.root = root
    server = Server(("127.0.0.1", 0), Handler)
    port = server.server_address[1]
    tmp = os.path.join(state_dir, "http_server.port.tmp")
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, os.path.join(state_dir, "http_server.port"))
    threading.Timer(MAX_LIFETIME, lambda: os._exit(0)).start()
    if watch_pid > 0:
        threading.Thread(target=watch, args=(watch_pid, state_dir), daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *a: os._exit(0))
    server.serve_forever()


def start(state_dir, root):
    os.makedirs(state_dir, exist_ok=True)
    stop(state_dir, quiet=True)
    port_file = os.path.join(state_dir, "http_server.port")
    log = open(os.path.join(state_dir, "http_server.log"), "w")
    # The caller of "start" (ctest) is the run the server belongs to.
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", state_dir, root,
                              str(os.getppid())],
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                             start_new_session=True)
    with open(os.path.join(state_dir, "http_server.pid"), "w") as f:
        f.write("%d\n" % child.pid)
    for _ in range(100):
        if os.path.exists(port_file):
            print("http test server pid %d port %s" % (child.pid, open(port_file).read().strip()))
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.1)
    print("http test server did not start", file=sys.stderr)
    stop(state_dir, quiet=True)
    return 1


def is_zombie(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def is_our_server(pid):
    # A recorded pid may since have been given to another program: never signal that one.
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            args = f.read().split(b"\0")
    except OSError:
        return False
    return any(a.endswith(b"http_test_server.py") for a in args) and b"serve" in args


def stop(state_dir, quiet=False):
    pid_file = os.path.join(state_dir, "http_server.pid")
    try:
        pid = int(open(pid_file).read().strip())
    except (OSError, ValueError):
        if not quiet:
            print("no http test server recorded")
        return 0
    try:
        if not is_our_server(pid):
            raise ProcessLookupError
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            if is_zombie(pid):
                break
            time.sleep(0.1)
        else:
            os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    for name in ("http_server.pid", "http_server.port"):
        try:
            os.remove(os.path.join(state_dir, name))
        except OSError:
            pass
    if not quiet:
        print("http test server %d stopped" % pid)
    return 0


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "start" and len(sys.argv) == 4:
        sys.exit(start(sys.argv[2], sys.argv[3]))
    if command == "stop" and len(sys.argv) == 3:
        sys.exit(stop(sys.argv[2]))
    if command == "serve" and len(sys.argv) in (4, 5):
        serve(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) == 5 else 0)
        sys.exit(0)
    print(__doc__, file=sys.stderr)
    sys.exit(2)
