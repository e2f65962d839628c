#!/usr/bin/env python3
"""Makes a product folder of mixed data for the packing benchmarks.

The data comes from files every build machine of this project has: text (C headers under
/usr/include), programs (Wine's x86-64 Windows DLLs) and already-compressed bytes (gzip'd manual
pages), about 45%, 35% and 20% of the size. The DLLs are copied as they are; the headers and the
manual pages are small, so they are joined into files of about 256 KiB each (a gigabyte of them
one by one would pass a cabinet's 65,535 files). Files are taken in sorted path order, so one
machine always makes the same product; when a kind's files run out they are taken again (the
repeats then lie far apart, beyond every compression window). Every file gets the same date, so
packers that store dates see the same input on every run.

Usage: bench/make_product.py OUT_DIR MEGABYTES
"""
import os
import shutil
import sys

KINDS = [  # (folder, root, file name ending, share of the size in percent, joined)
    ("text", "/usr/include", ".h", 45, True),
    ("program", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", ".dll", 35, False),
    ("compressed", "/usr/share/man", ".gz", 20, True),
]
JOINED_SIZE = 256 * 1024
FILE_TIME = 1704110400  # 2024-01-01 12:00:00 UTC


def sorted_files(root, ending):
    found = []
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            if name.endswith(ending) and os.path.isfile(path) and not os.path.islink(path):
                size = os.path.getsize(path)
                if size > 0:
                    found.append((os.path.relpath(path, root), size))
    found.sort()
    return found


def fill(out, kind, root, ending, want, joined):
    files = sorted_files(root, ending)
    if not files:
        sys.exit(f"make_product.py: no {ending} files under {root}")
    have, copy, part, part_size, parts = 0, 1, None, 0, 0
    while have < want:
        for relative, size in files:
            if have >= want:
                break
            source = os.path.join(root, relative)
            if not joined:
                dest = os.path.join(out, kind, f"copy{copy}", relative)
                os.makedirs(os.path.dirname(dest), exist_ok=True)
                shutil.copyfile(source, dest)
            else:
                if part is None or part_size >= JOINED_SIZE:
                    if part:
                        part.close()
                    parts += 1
                    dest = os.path.join(out, kind, f"part{parts:05d}{ending}")
                    os.makedirs(os.path.dirname(dest), exist_ok=True)
                    part, part_size = open(dest, "wb"), 0
                with open(source, "rb") as f:
                    part.write(f.read())
                part_size += size
            have += size
        copy += 1
    if part:
        part.close()
    return have


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_product.py OUT_DIR MEGABYTES")
    out, total = sys.argv[1], int(sys.argv[2]) * 1024 * 1024
    if os.path.exists(out):
        sys.exit(f"make_product.py: {out} exists; give a new folder")
    size = 0
    for kind, root, ending, share, joined in KINDS:
        have = fill(out, kind, root, ending, total * share // 100, joined)
        print(f"{kind}: {have} bytes")
        size += have
    count = 0
    for folder, _, names in os.walk(out):
        for name in names:
            os.utime(os.path.join(folder, name), (FILE_TIME, FILE_TIME))
            count += 1
    print(f"total: {count} files, {size} bytes")


if __name__ == "__main__":
    main()
