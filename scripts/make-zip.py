#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on its contents and one given time:
entries in the order given, the same time on every entry, fixed attributes.

    make-zip.py OUT.zip EPOCH NAME=FILE [NAME=FILE ...]
"""
import sys
import time
import zipfile


def main(argv):
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    out, epoch, entries = argv[1], int(argv[2]), argv[3:]
    # Zip times have no zone and start in 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out, "w") as archive:
        for entry in entries:
            name, path = entry.split("=", 1)
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes, as Windows writes them
            info.external_attr = 0x20  # archive bit
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
