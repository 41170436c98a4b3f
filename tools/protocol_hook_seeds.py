#!/usr/bin/env python3
"""Writes the seed corpus of the protocol hook fuzzer: one valid packet of
every kind the hook handles, framed as the fuzzer reads its input
(fuzz/protocol_hook_fuzzer.cpp):

    byte 0: iconMask (low 4 bits)
    then records of [event selector: 1][length: 2, little-endian][packet]
    selector 0: event 4 (received), 1: event 7 (sending), 2: event 9 (forget)

Also writes hostile inputs (lengths past the end, negative counts, texts
without NUL). Named regression inputs that sit beside them are left alone.

    python3 tools/protocol_hook_seeds.py [OUTPUT_DIR]
"""
import os
import struct
import sys

RECEIVED, SENDING, FORGET = 0, 1, 2


def packet(kind, payload):
    return struct.pack("<II", kind, len(payload)) + payload


def ip(a, b, c, d):
    return bytes((a, b, c, d))


def login(uin, local_address=ip(0, 0, 0, 0)):
    payload = struct.pack("<IIII", uin, 0xA1B2C3D4, 2, 0x40000020) + b"\x01"
    payload += local_address + struct.pack("<H", 0) + ip(0, 0, 0, 0) + struct.pack("<H", 0)
    payload += bytes((64, 0))
    return packet(21, payload)


def message(sender, klass, text=b"", attributes=b""):
    return packet(10, struct.pack("<IIII", sender, 1, 0x5F000000, klass) + text + b"\x00" +
                  attributes)


def rich_text(entries):
    return b"\x02" + struct.pack("<H", len(entries)) + entries


def image_entry(position, size, checksum, colour=None):
    flags = 0x80 | (0x08 if colour else 0)
    out = struct.pack("<HB", position, flags)
    if colour:
        out += bytes(colour)
    return out + b"\x09\x01" + struct.pack("<II", size, checksum)


def image_option(kind, size, checksum, rest=b""):
    return bytes((kind,)) + struct.pack("<II", size, checksum) + rest


def status(uin, code, address, port, description=None):
    out = struct.pack("<IB", uin, code) + address + struct.pack("<H", port) + b"\x00\x00\x00"
    if code in (4, 5, 21, 22):
        text = description or b""
        out += bytes((len(text),)) + text
    return out


def record(selector, body):
    return bytes((selector,)) + struct.pack("<H", len(body)) + body


def seed(*records, mask=15):
    return bytes((mask,)) + b"".join(records)


SEEDS = {
    "login": seed(record(SENDING, login(0x40001001))),
    "login_with_address": seed(record(SENDING, login(1001, ip(10, 0, 0, 1)))),
    "call_back_request": seed(record(RECEIVED, message(1001, 16, b"\x02"))),
    "image_offer": seed(record(RECEIVED, message(1001, 8, b"",
                                                 rich_text(image_entry(0, 2500, 0xCAFEBABE))))),
    "chat_with_images": seed(record(RECEIVED, message(
        1002, 8, b"look",
        rich_text(struct.pack("<HB", 0, 0x01) + image_entry(0, 7, 1, (1, 2, 3)) +
                  image_entry(4, 8, 0xF0000000)))), mask=8),
    "image_request": seed(record(RECEIVED, message(1001, 4, b"", image_option(4, 2500, 77)))),
    "image_first_reply": seed(record(RECEIVED, message(
        1001, 4, b"", image_option(5, 6, 77, b"a.png\x00" + bytes(range(1, 4)))))),
    "image_later_reply": seed(record(RECEIVED, message(1001, 4, b"",
                                                       image_option(6, 6, 77, b"\x04\x05\x06")))),
    "notify_reply": seed(record(RECEIVED, packet(17, b"".join([
        status(1001, 4, ip(127, 0, 0, 1), 1550, b"0123456789"),
        status(1002, 2, ip(127, 0, 0, 1), 1),
        status(0x40000000 | 1003, 3, ip(127, 0, 0, 1), 2),
        status(16777215, 22, ip(127, 0, 0, 1), 40000, b""),
        status(0, 1, ip(0, 0, 0, 0), 0),
    ])))),
    "status_change": seed(record(RECEIVED, packet(15, status(1001, 5, ip(127, 0, 0, 1), 0, b"x")))),
    "peers_come_and_go": seed(
        record(RECEIVED, packet(17, status(1001, 2, ip(127, 0, 0, 1), 1550) +
                                status(1002, 2, ip(127, 0, 0, 1), 0))),
        record(RECEIVED, packet(15, status(1001, 21, ip(0, 0, 0, 0), 0, b"bye"))),
        record(FORGET, b""),
        record(RECEIVED, packet(15, status(1002, 2, ip(127, 0, 0, 1), 65535))),
        mask=1),
}

# Hostile packets the hook must pass on or ignore without reading past them.
def with_length(data, length):
    return data[:4] + struct.pack("<I", length) + data[8:]


HOSTILE = {
    "header_longer_than_packet": seed(
        record(RECEIVED, with_length(message(1001, 4, b"", image_option(6, 6, 77, b"\x01")),
                                     0xFFFFFFF0)),
        record(SENDING, with_length(login(1001), 0x7FFFFFFF))),
    "negative_rich_text_count": seed(record(RECEIVED, message(
        1001, 8, b"", b"\x02" + struct.pack("<h", -32768) + image_entry(0, 1, 2)))),
    "rich_text_count_past_end": seed(record(RECEIVED, message(
        1001, 8, b"", b"\x02" + struct.pack("<h", 32767) + image_entry(0, 1, 2)[:-3]))),
    "description_past_end": seed(record(RECEIVED, packet(17, status(
        1001, 4, ip(127, 0, 0, 1), 1550, b"0123456789")[:-4]))),
    "text_without_nul": seed(record(RECEIVED, packet(
        10, struct.pack("<IIII", 1001, 1, 0, 16) + b"\x02abc"))),
    "short_login": seed(record(SENDING, login(1001)[:36])),
    "unknown_events_and_types": seed(record(3, login(1001)), record(0xFF, b""),
                                     record(RECEIVED, packet(99, b"\x00" * 20))),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "fuzz", "corpus", "protocol_hook_fuzzer")
    os.makedirs(out, exist_ok=True)
    for prefix, inputs in (("seed_", SEEDS), ("hostile_", HOSTILE)):
        for name, data in inputs.items():
            with open(os.path.join(out, prefix + name + ".bin"), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
