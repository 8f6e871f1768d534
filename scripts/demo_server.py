#!/usr/bin/env python3
"""The demo's supplier server: pyftpdlib on 127.0.0.1 and a free port,
serving ROOT to the supplier's fixed account. Writes the port to PORT_FILE
once it takes connections and serves until it is terminated.

usage: demo_server.py ROOT PORT_FILE
"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

# The account the program always logs in with (it cannot be edited).
USER = "briolan"
PASSWORD = "hG&4T!9K"


def main():
    root, port_file = sys.argv[1], sys.argv[2]
    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "Demo supplier server ready."
    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    # Written under another name first, so a reader never sees half a number.
    with open(port_file + ".part", "w") as out:
        out.write(f"{port}\n")
    os.replace(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
