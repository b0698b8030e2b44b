#!/usr/bin/env python3
"""A stand-in update service for the update tests (standard library only).

  update_server.py start --state-dir DIR   start a server in the background and wait until it
                                           listens; DIR/port then holds "HTTP_PORT TLS_PORT PID"
  update_server.py stop --state-dir DIR    stop the server started there (no error if none runs)
  update_server.py serve --state-dir DIR   run in the foreground (what "start" launches)

The server binds 127.0.0.1 on ports the system picks, and stops by itself after --idle-limit
seconds without a connection or --time-limit seconds in all. It speaks just enough HTTP/1.1 to
read the raw request, so the tests can check the exact bytes the client sent.

The first path segment selects the behaviour (the client appends "updates" to a base address
that ends in "/api/", so a base of http://127.0.0.1:PORT/<route>/api/ reaches <route>):
  service       answers the form from a table of products keyed by app_key
  status500     a usable reply with status 500
  missing       only "version"
  noversion     no "version"
  wrongtypes    "version" as text, every other member of the wrong type
  numericversion  "version" as a number
  invalid       JSON cut short
  empty         an empty body
  huge          a valid object of 200000 bytes
  padded        a small object followed by spaces up to 150000 bytes
  exact         a valid object of exactly 102400 bytes
  silent        reads the request and never answers
  deaf          reads the request headers, never the body, never answers
  dribble       announces 100000 bytes and sends one every 100 ms
  record/TOKEN  stores the raw request in DIR/requests/TOKEN.bin, then answers like "missing"
  shutdown      stops the server
A request line in absolute form (through a proxy) is routed by its path the same way.
"""

import argparse
import json
import os
import re
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time

HEADER_LIMIT = 65536
BODY_LIMIT = 1 << 20
HOLD_SECONDS = 10.0

PRODUCTS = {
    "NORVIK_1_MS_GM700_1": {"version": "0210", "name": "GM700", "version_name": "V2.10",
                            "path": "https://downloads.norvik.example/gm700_0210.bin",
                            "device_id": 2},
    "NORVIK_1_KB_GK980_1": {"version": "0104", "name": "GK980", "version_name": "V1.04",
                            "path": "https://downloads.norvik.example/gk980_0104.bin",
                            "device_id": 1},
    "NORVIK_2_MP_MP300_1": {"version": "0003", "name": "MP300", "version_name": "V0.03",
                            "path": "https://downloads.norvik.example/mp300_0003.bin",
                            "device_id": 3},
    "NORVIK_0_ALL_QT4100_1": {"version": "103", "name": "Norvik", "version_name": "V1.0.3",
                              "path": "https://downloads.norvik.example/norvik_103.exe",
                              "device_id": 0},
}


def padded_object(total):
    """A valid JSON object of exactly `total` bytes: a version and a long name."""
    head = '{"version":"0104","name":"'
    tail = '"}'
    return (head + "x" * (total - len(head) - len(tail)) + tail).encode()


class Server:
    def __init__(self, state_dir, idle_limit, time_limit, cert, key):
        self.state_dir = state_dir
        self.requests_dir = os.path.join(state_dir, "requests")
        os.makedirs(self.requests_dir, exist_ok=True)
        self.idle_limit = idle_limit
        self.time_limit = time_limit
        self.started = time.monotonic()
        self.last_connection = self.started
        self.stopping = threading.Event()
        self.http = self._listen()
        self.tls = None
        self.tls_context = None
        if cert and key and os.path.exists(cert) and os.path.exists(key):
            self.tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.tls_context.load_cert_chain(cert, key)
            self.tls = self._listen()

    @staticmethod
    def _listen():
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.bind(("127.0.0.1", 0))
        sock.listen(64)
        sock.settimeout(0.5)
        return sock

    def ports(self):
        tls_port = self.tls.getsockname()[1] if self.tls else 0
        return self.http.getsockname()[1], tls_port

    def run(self):
        for listener, wrap in ((self.http, False), (self.tls, True)):
            if listener is not None:
                threading.Thread(target=self._accept_loop, args=(listener, wrap),
                                 daemon=True).start()
        http_port, tls_port = self.ports()
        port_file = os.path.join(self.state_dir, "port")
        with open(port_file + ".tmp", "w") as f:
            f.write("%d %d %d\n" % (http_port, tls_port, os.getpid()))
        os.replace(port_file + ".tmp", port_file)
        try:
            while not self.stopping.is_set():
                now = time.monotonic()
                if now - self.last_connection > self.idle_limit:
                    print("idle limit reached", flush=True)
                    break
                if now - self.started > self.time_limit:
                    print("time limit reached", flush=True)
                    break
                self.stopping.wait(0.5)
        finally:
            self.stopping.set()
            try:
                with open(port_file) as f:
                    mine = f.read().split()[-1] == str(os.getpid())
                if mine:
                    os.remove(port_file)
            except (OSError, IndexError):
                pass

    def _accept_loop(self, listener, wrap):
        while not self.stopping.is_set():
            try:
                conn, _ = listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            self.last_connection = time.monotonic()
            threading.Thread(target=self._serve_connection, args=(conn, wrap),
                             daemon=True).start()

    def _serve_connection(self, conn, wrap):
        try:
            conn.settimeout(HOLD_SECONDS)
            if wrap:
                conn = self.tls_context.wrap_socket(conn, server_side=True)
            self._handle(conn)
        except (OSError, ssl.SSLError, ValueError):
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    @staticmethod
    def _read_head(conn):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(4096)
            if not chunk:
                raise ValueError("closed before the end of the headers")
            data += chunk
            if len(data) > HEADER_LIMIT:
                raise ValueError("headers too long")
        end = data.index(b"\r\n\r\n") + 4
        return data[:end], data[end:]

    @staticmethod
    def _read_body(conn, head, rest):
        match = re.search(rb"\r\ncontent-length:\s*(\d+)\r\n", head, re.IGNORECASE)
        length = min(int(match.group(1)), BODY_LIMIT) if match else 0
        body = rest
        while len(body) < length:
            chunk = conn.recv(min(65536, length - len(body)))
            if not chunk:
                break
            body += chunk
        return body

    @staticmethod
    def _reply(conn, body, status="200 OK", content_type="application/json"):
        head = ("HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %d\r\n"
                "Connection: close\r\n\r\n" % (status, content_type, len(body)))
        conn.sendall(head.encode() + body)

    def _hold(self, conn, read):
        """Keeps the connection open without answering until the client goes or time is up."""
        deadline = time.monotonic() + HOLD_SECONDS
        conn.settimeout(0.1)
        while time.monotonic() < deadline and not self.stopping.is_set():
            if not read:
                time.sleep(0.1)
                continue
            try:
                if not conn.recv(65536):
                    return
            except socket.timeout:
                continue

    def _handle(self, conn):
        head, rest = self._read_head(conn)
        request_line = head.split(b"\r\n", 1)[0].decode("latin-1")
        parts = request_line.split(" ")
        target = parts[1] if len(parts) == 3 else "/"
        target = re.sub(r"^[a-zA-Z]+://[^/]*", "", target)
        segments = [s for s in target.split("?")[0].split("/") if s]
        route = segments[0] if segments else ""

        if route == "deaf":
            self._hold(conn, read=False)
            return
        body = self._read_body(conn, head, rest)

        if route == "service":
            form = body.rstrip(b"\0").decode("utf-8", "replace")
            fields = dict(p.split("=", 1) for p in form.split("&") if "=" in p)
            product = PRODUCTS.get(fields.get("app_key", ""))
            if product is None:
                self._reply(conn, b'{"message":"unknown app_key"}', "404 Not Found")
            else:
                self._reply(conn, json.dumps(product).encode())
        elif route == "status500":
            self._reply(conn, b'{"version":"0200","name":"down"}', "500 Internal Server Error")
        elif route == "missing":
            self._reply(conn, b'{"version":"0105"}')
        elif route == "noversion":
            self._reply(conn, b'{"name":"GK980","path":"https://downloads.norvik.example/x"}')
        elif route == "wrongtypes":
            self._reply(conn, b'{"version":"0106","name":7,"path":["a"],'
                              b'"version_name":{},"device_id":"12"}')
        elif route == "numericversion":
            self._reply(conn, b'{"version":260,"name":"GK980"}')
        elif route == "invalid":
            self._reply(conn, b'{"version":"0104","name":"GK9')
        elif route == "empty":
            self._reply(conn, b"")
        elif route == "huge":
            self._reply(conn, padded_object(200000))
        elif route == "padded":
            small = b'{"version":"0104"}'
            self._reply(conn, small + b" " * (150000 - len(small)))
        elif route == "exact":
            self._reply(conn, padded_object(102400))
        elif route == "silent":
            self._hold(conn, read=True)
        elif route == "dribble":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                         b"Content-Length: 100000\r\nConnection: close\r\n\r\n")
            deadline = time.monotonic() + HOLD_SECONDS
            while time.monotonic() < deadline and not self.stopping.is_set():
                conn.sendall(b" ")
                time.sleep(0.1)
        elif route == "record" and len(segments) > 1 and re.fullmatch(r"[A-Za-z0-9_.-]+",
                                                                        segments[1]):
            path = os.path.join(self.requests_dir, segments[1] + ".bin")
            with open(path + ".tmp", "wb") as f:
                f.write(head + body)
            os.replace(path + ".tmp", path)
            self._reply(conn, b'{"version":"0105"}')
        elif route == "shutdown":
            self._reply(conn, b"{}")
            self.stopping.set()
        else:
            self._reply(conn, b"{}", "404 Not Found")


def read_port_file(state_dir):
    try:
        with open(os.path.join(state_dir, "port")) as f:
            http_port, _tls_port, pid = (int(v) for v in f.read().split())
        return http_port, pid
    except (OSError, ValueError):
        return None


def stop(state_dir):
    found = read_port_file(state_dir)
    if found is None:
        return 0
    http_port, pid = found
    try:
        with socket.create_connection(("127.0.0.1", http_port), timeout=2) as s:
            s.sendall(b"GET /shutdown HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n")
            s.recv(1024)
    except OSError:
        pass
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        if read_port_file(state_dir) is None:
            return 0
        time.sleep(0.05)
    # Still there: it is ours (the pid came from our own file), so end it by its id.
    try:
        os.kill(pid, signal.SIGTERM)
    except OSError:
        pass
    try:
        os.remove(os.path.join(state_dir, "port"))
    except OSError:
        pass
    return 0


def start(args):
    os.makedirs(args.state_dir, exist_ok=True)
    stop(args.state_dir)
    # Recordings of an earlier run must not stand in for requests of this one.
    shutil.rmtree(os.path.join(args.state_dir, "requests"), ignore_errors=True)
    command = [sys.executable, os.path.abspath(__file__), "serve", "--state-dir", args.state_dir,
               "--idle-limit", str(args.idle_limit), "--time-limit", str(args.time_limit)]
    if args.tls_cert and args.tls_key:
        command += ["--tls-cert", args.tls_cert, "--tls-key", args.tls_key]
    # The server must not hold this process's output open, or CTest waits for it to end.
    with open(os.path.join(args.state_dir, "server.log"), "ab") as log:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True,
                                   close_fds=True)
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        if read_port_file(args.state_dir) is not None:
            print("update server listening:", open(os.path.join(args.state_dir, "port")).read(),
                  end="")
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.05)
    print("update server did not start; see", os.path.join(args.state_dir, "server.log"))
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("command", choices=["start", "stop", "serve"])
    parser.add_argument("--state-dir", required=True)
    parser.add_argument("--idle-limit", type=float, default=600)
    parser.add_argument("--time-limit", type=float, default=3600)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()
    if args.command == "start":
        return start(args)
    if args.command == "stop":
        return stop(args.state_dir)
    server = Server(args.state_dir, args.idle_limit, args.time_limit, args.tls_cert,
                    args.tls_key)
    signal.signal(signal.SIGTERM, lambda *_: server.stopping.set())
    server.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
