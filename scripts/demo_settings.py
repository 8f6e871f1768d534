#!/usr/bin/env python3
"""Points the demo's param.Ini at the demo supplier server: sets the keys
Clientcode, Client, ftp and Passiv of section Main and keeps every other
line (the order comment) as it is. The file is Windows-1251 text.

usage: demo_settings.py PARAM_INI CLIENT_CODE HOST:PORT
"""
import os
import sys


def main():
    path, client_code, server = sys.argv[1:4]
    wanted = {
        "Clientcode": client_code,
        "Client": "Аптека (демо)",
        "ftp": server,
        "Passiv": "1",
    }
    lines = []
    if os.path.exists(path):
        with open(path, encoding="cp1251", errors="replace", newline="") as f:
            lines = f.read().splitlines()
    out, in_main, seen_main = [], False, False
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("["):
            if in_main:
                out += [f"{k}={v}" for k, v in wanted.items()]
                wanted = {}
            in_main = stripped.lower() == "[main]"
            seen_main = seen_main or in_main
        elif in_main and "=" in stripped and stripped.split("=", 1)[0].strip() in wanted:
            continue
        out.append(line)
    if not seen_main:
        out.append("[Main]")
    out += [f"{k}={v}" for k, v in wanted.items()]
    with open(path + ".part", "w", encoding="cp1251", newline="") as f:
        f.write("\r\n".join(out) + "\r\n")
    os.replace(path + ".part", path)


if __name__ == "__main__":
    main()
