#!/usr/bin/env python3
"""The smoke run's loopback server: answers every HEAD with "200 OK", keeps the first
request's bytes in REQUEST_FILE, and ends by itself after LIFETIME seconds. While
DOWN_FILE exists it is a server that has gone wrong: each connection is closed at
once, unanswered.

Usage: windows-smoke-server.py PORT_FILE REQUEST_FILE LIFETIME [DOWN_FILE]
"""
import os
import socket
import sys
import time

port_file, request_file, lifetime = sys.argv[1], sys.argv[2], float(sys.argv[3])
down_file = sys.argv[4] if len(sys.argv) > 4 else None
end = time.monotonic() + lifetime
with socket.socket() as listener:
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(port_file + ".tmp", port_file)  # the port appears whole
    saved = False
    while time.monotonic() < end:
        listener.settimeout(max(0.1, end - time.monotonic()))
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            break
        with conn:
            if down_file and os.path.exists(down_file):
                continue
            conn.settimeout(10)
            data = b""
            try:
                while b"\r\n\r\n" not in data:
                    chunk = conn.recv(4096)
                    if not chunk:
                        break
                    data += chunk
                conn.sendall(b"HTTP/1.0 200 OK\r\nServer: smoke\r\n\r\n")
            except OSError:
                pass
        if not saved:
            with open(request_file + ".tmp", "wb") as f:
                f.write(data)
            os.replace(request_file + ".tmp", request_file)
            saved = True
