#!/usr/bin/env python3
"""The servers of the resume tests (CTest fixtures), each below STATE_DIR/<kind>:

  serve  tools/serve with faults that cut the first answer for /resume/qel.7z,
         /norange/qel.7z and /changed/qel.7z after CUT bytes, and that ignore ranges for
         /norange/
  nginx  nginx from the machine's packages (a static web server nobody here wrote), with a
         config written here, ranges ignored below /norange/ (max_ranges 0), and a relay in
         front of it that cuts the first answer of each path after CUT bytes

Each writes direct.port (the server itself), cut.port (where archives are cut: the relay,
or tools/serve again) and access.log (one line per request, with its Range header).

  resume_servers.py start KIND STATE_DIR ROOT   (ends with the calling process)
  resume_servers.py stop KIND STATE_DIR
  resume_servers.py relay ...                   (internal: the cutting relay)
"""
import os
import signal
import socket
import subprocess
import sys
import threading
import time

CUT = 120000
HERE = os.path.dirname(os.path.abspath(__file__))
SERVE = os.path.join(HERE, "..", "..", "tools", "serve")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write(path, text):
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def nginx_config(state, root, port):
    return """worker_processes 1;
daemon on;
user root;
pid %(s)s/nginx.pid;
error_log %(s)s/error.log;
events { worker_connections 64; }
http {
  log_format zav '$request -> $status $body_bytes_sent range="$http_range" if_range="$http_if_range"';
  access_log %(s)s/access.log zav;
  client_body_temp_path %(s)s/tmp-body;
  proxy_temp_path %(s)s/tmp-proxy;
  fastcgi_temp_path %(s)s/tmp-fastcgi;
  uwsgi_temp_path %(s)s/tmp-uwsgi;
  scgi_temp_path %(s)s/tmp-scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:%(p)d;
    root %(r)s;
    location /norange/ { max_ranges 0; }
  }
}
""" % {"s": state, "r": os.path.abspath(root), "p": port}


def start(kind, state, root):
    os.makedirs(state, exist_ok=True)
    os.makedirs(root, exist_ok=True)
    stop(kind, state)
    watch = str(os.getppid())
    if kind == "serve":
        port = free_port()
        write(os.path.join(state, "direct.port"), "%d\n" % port)
        write(os.path.join(state, "cut.port"), "%d\n" % port)
        if not os.path.lexists(os.path.join(state, "access.log")):
            os.symlink("serve.log", os.path.join(state, "access.log"))
        cut = "cut=%d:" % CUT
        # Replaced by tools/serve, whose server then ends with this process's caller.
        os.execv(sys.executable, [sys.executable, SERVE, "start", state, root, "--port", str(port),
                                  "--fault", cut + "/resume/qel.7z:1",
                                  "--fault", cut + "/norange/qel.7z:1",
                                  "--fault", "norange:/norange/*",
                                  "--fault", cut + "/changed/qel.7z:1"])
    port = free_port()
    conf = os.path.join(state, "nginx.conf")
    write(conf, nginx_config(state, root, port))
    open(os.path.join(state, "access.log"), "w").close()
    subprocess.run(["nginx", "-c", conf, "-p", state, "-e", os.path.join(state, "error.log")],
                   check=True)
    relay_port = os.path.join(state, "cut.port.relay")
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "relay", state,
                              str(port), watch], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             start_new_session=True)
    write(os.path.join(state, "relay.pid"), "%d\n" % child.pid)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        if os.path.exists(relay_port) and connectable(port):
            write(os.path.join(state, "direct.port"), "%d\n" % port)
            os.replace(relay_port, os.path.join(state, "cut.port"))
            return 0
        time.sleep(0.05)
    print("resume_servers: nginx or its relay did not start; see %s" % state, file=sys.stderr)
    stop(kind, state)
    return 1


def connectable(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


def stop(kind, state):
    if kind == "serve":
        subprocess.run([sys.executable, SERVE, "stop", state], stdout=subprocess.DEVNULL)
    else:
        stop_nginx(state)
        end_recorded(os.path.join(state, "relay.pid"), os.path.abspath(__file__), signal.SIGTERM)
    for name in ("direct.port", "cut.port"):
        try:
            os.remove(os.path.join(state, name))
        except OSError:
            pass
    return 0


def end_recorded(pid_file, marker, sig):
    """Ends the process of a pid file only while its command line still holds `marker`
    (a recorded pid may since belong to another program)."""
    try:
        pid = int(open(pid_file).read())
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if marker.encode() not in f.read():
                return
    except (OSError, ValueError):
        return
    os.kill(pid, sig)
    for _ in range(100):
        if not alive(pid):
            return
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)


def stop_nginx(state):
    end_recorded(os.path.join(state, "nginx.pid"), "nginx", signal.SIGQUIT)


def relay(state, upstream, watch_pid):
    """Forwards to nginx; the first answer of each path stops after CUT body bytes."""
    cut_paths, lock = set(), threading.Lock()

    def serve_one(client):
        try:
            request = b""
            while b"\r\n\r\n" not in request:
                data = client.recv(65536)
                if not data:
                    return
                request += data
            head, _, rest = request.partition(b"\r\n\r\n")
            lines = [l for l in head.split(b"\r\n") if not l.lower().startswith(b"connection:")]
            path = lines[0].split(b" ")[1] if len(lines[0].split(b" ")) > 1 else b""
            with lock:
                cut = path not in cut_paths
                cut_paths.add(path)
            up = socket.create_connection(("127.0.0.1", upstream))
            # One request per connection: the relay reads one answer.
            up.sendall(b"\r\n".join(lines + [b"Connection: close"]) + b"\r\n\r\n" + rest)
            answer, body_at = b"", -1
            while True:
                data = up.recv(65536)
                if not data:
                    break
                answer += data
                if body_at < 0 and b"\r\n\r\n" in answer:
                    body_at = answer.index(b"\r\n\r\n") + 4
                if cut and body_at >= 0 and len(answer) - body_at >= CUT:
                    answer = answer[:body_at + CUT]
                    break
                if not cut:
                    client.sendall(answer)
                    answer = b""
                    body_at = 0 if body_at >= 0 else -1
            client.sendall(answer)
            up.close()
        except OSError:
            pass
        finally:
            client.close()

    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    write(os.path.join(state, "cut.port.relay"), "%d\n" % server.getsockname()[1])

    def watch():
        # The test run that started the servers ends: so do they, even if it was killed.
        while alive(watch_pid):
            time.sleep(0.5)
        stop_nginx(state)
        os._exit(0)

    threading.Thread(target=watch, daemon=True).start()
    threading.Timer(1800, lambda: (stop_nginx(state), os._exit(0))).start()
    signal.signal(signal.SIGTERM, lambda *a: os._exit(0))
    while True:
        client, _ = server.accept()
        threading.Thread(target=serve_one, args=(client,), daemon=True).start()


if __name__ == "__main__":
    a = sys.argv[1:]
    if a[:1] == ["start"] and len(a) == 4:
        sys.exit(start(a[1], a[2], a[3]))
    if a[:1] == ["stop"] and len(a) == 3:
        sys.exit(stop(a[1], a[2]))
    if a[:1] == ["relay"] and len(a) == 4:
        relay(a[1], int(a[2]), int(a[3]))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
