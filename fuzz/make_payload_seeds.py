#!/usr/bin/env python3
"""Writes seed installers for payload_fuzz into fuzz/corpus/payload: the shipped layout (image
record, cabinet record), with an appended defines record, and with the marker and trailing bytes."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "payload")
os.makedirs(here, exist_ok=True)


def record(payload, kind):
    return payload + struct.pack("<II", len(payload), kind)


image = b"MZ" + bytes(200)
cabinet = b"MSCF" + bytes(60)
defines = "<Defines/>".encode("utf-16-le")
shipped = record(image, 2) + record(cabinet, 1)
seeds = {
    "shipped": shipped,
    "with_defines": shipped + record(defines, 0),
    "with_marker": shipped + b"!vorlaxinstallersig!" + b"trailing",
}
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
