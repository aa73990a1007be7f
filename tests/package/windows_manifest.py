#!/usr/bin/python3
"""Prints the manifest a Windows program carries: resource 1 of type 24
(RT_MANIFEST), the one Windows reads when it starts the program. Exits 1
when there is none or it is no well-formed XML (Windows then refuses to
start the program at all).

    windows_manifest.py PROGRAM.exe"""

import struct
import sys
import xml.etree.ElementTree as ElementTree


def main(path):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    sections, optional = struct.unpack_from("<xxHxxxxxxxxxxxxH", data, pe + 4)
    table = pe + 24 + optional
    rsrc = next(((rva, raw) for rva, raw, name in
                 ((struct.unpack_from("<I", data, s + 12)[0], struct.unpack_from("<I", data, s + 20)[0], data[s:s + 8])
                  for s in range(table, table + 40 * sections, 40)) if name.rstrip(b"\0") == b".rsrc"), None)
    if not rsrc:
        return None
    rva, raw = rsrc

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, raw + offset + 12)
        for i in range(named + ids):
            key, value = struct.unpack_from("<II", data, raw + offset + 16 + 8 * i)
            yield key, value

    def subdirectory(offset, wanted):
        for key, value in entries(offset):
            if key == wanted and value & 0x80000000:
                return value & 0x7FFFFFFF
        return None

    names = subdirectory(0, 24)
    languages = subdirectory(names, 1) if names is not None else None
    if languages is None:
        return None
    _, leaf = next(entries(languages))
    address, size = struct.unpack_from("<II", data, raw + leaf)
    return data[address - rva + raw:address - rva + raw + size]


if __name__ == "__main__":
    manifest = main(sys.argv[1])
    if manifest is None:
        sys.exit(1)
    try:
        ElementTree.fromstring(manifest)
    except ElementTree.ParseError as e:
        sys.exit("malformed manifest: %s" % e)
    sys.stdout.write(manifest.decode("utf-8"))
