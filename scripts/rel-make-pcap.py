#!/usr/bin/env python3
"""Writes a pcap of UDP frames from 10.212.0.2 to 10.212.0.1:9999 with sizes
from 60 to 1514 bytes, and prints the number of frames and their wire bytes.

    rel-make-pcap.py OUT.pcap FRAMES DST_MAC SRC_MAC
"""
import struct
import sys


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def mac(text):
    return bytes(int(part, 16) for part in text.split(":"))


def main():
    out, frames, dst, src = sys.argv[1], int(sys.argv[2]), mac(sys.argv[3]), mac(sys.argv[4])
    wire = 0
    with open(out, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        for i in range(frames):
            # Payload sizes cycle through small, medium and full frames.
            payload = (i * 997) % 1473
            udp_len = 8 + payload
            ip_len = 20 + udp_len
            ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, ip_len, i & 0xFFFF, 0, 64, 17, 0,
                             bytes([10, 212, 0, 2]), bytes([10, 212, 0, 1]))
            ip = ip[:10] + struct.pack("!H", checksum(ip)) + ip[12:]
            udp = struct.pack("!HHHH", 40000 + i % 50, 9999, udp_len, 0)
            frame = dst + src + b"\x08\x00" + ip + udp + bytes(payload)
            if len(frame) < 60:
                frame += bytes(60 - len(frame))
            sec, usec = divmod(i * 100, 1000000)
            f.write(struct.pack("<IIII", sec, usec, len(frame), len(frame)))
            f.write(frame)
            wire += len(frame)
    print(frames, wire)


if __name__ == "__main__":
    main()
