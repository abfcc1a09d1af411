#!/usr/bin/env python3
"""Grabs one picture from the simulated wall's virtual camera and writes it as PNG.

usage: grab_camera.py SOCKET OUT.png
The camera answers GRAB with a JSON line and then width x height x 3 bytes (B, G, R).
"""
import json
import socket
import struct
import sys
import zlib


def read_line(conn):
    data = bytearray()
    while not data.endswith(b"\n"):
        chunk = conn.recv(1)
        if not chunk:
            raise RuntimeError("camera closed the connection")
        data += chunk
    return data.decode()


def read_exact(conn, n):
    data = bytearray()
    while len(data) < n:
        chunk = conn.recv(min(1 << 20, n - len(data)))
        if not chunk:
            raise RuntimeError("camera closed the connection")
        data += chunk
    return bytes(data)


def write_png(path, width, height, bgr):
    rgb = bytearray(len(bgr))
    rgb[0::3] = bgr[2::3]
    rgb[1::3] = bgr[1::3]
    rgb[2::3] = bgr[0::3]
    stride = width * 3
    raw = b"".join(b"\x00" + bytes(rgb[y * stride:(y + 1) * stride]) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def main():
    sock_path, out = sys.argv[1], sys.argv[2]
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as conn:
        conn.connect(sock_path)
        conn.sendall(b"GRAB\n")
        head = json.loads(read_line(conn))
        pixels = read_exact(conn, head["bytes"])
    write_png(out, head["width"], head["height"], pixels)


if __name__ == "__main__":
    main()
