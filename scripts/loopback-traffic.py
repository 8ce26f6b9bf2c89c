# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# About 200 kB/s each way over loopback until killed; writes its pid to the file given, if any.
import os, socket, sys, time

if len(sys.argv) > 1:
    with open(sys.argv[1], "w") as pid_file:
        pid_file.write(str(os.getpid()))
server = socket.create_server(("127.0.0.1", 0))
client = socket.create_connection(server.getsockname())
peer, _ = server.accept()
chunk = b"x" * 20000
while True:
    client.sendall(chunk); peer.recv(65536)
    peer.sendall(chunk); client.recv(65536)
    time.sleep(0.1)
