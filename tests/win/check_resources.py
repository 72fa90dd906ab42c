#!/usr/bin/env python3
"""Checks the Windows executable's resources as Windows will read them.

Usage: check_resources.py WRESTOOL EXE ICO

Lists and extracts the resources with icoutils' wrestool and checks the
version table (fixed fields, the one string table with exactly its six
strings, the translation), the one icon group (its images, in order,
against the icon file they were made from) and the manifest.
"""
import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

EXPECTED_STRINGS = {
    "CompanyName": "talvane.org",
    "ProductName": "Talvane v1.0",
    "FileVersion": "1.00",
    "ProductVersion": "1.00",
    "InternalName": "Talvane v1.0",
    "OriginalFilename": "Talvane v1.0.exe",
}
# (width, height, bits per pixel, PNG-compressed), 0 standing for 256.
EXPECTED_ICONS = [(16, 16, 24, False), (0, 0, 32, True), (128, 128, 32, False),
                  (48, 48, 32, False), (32, 32, 32, False), (24, 24, 32, False),
                  (16, 16, 32, False)]

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


def wrestool(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True).stdout


def parse_block(data, offset):
    """One VS_VERSIONINFO-style block: (key, value bytes, value type, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    pos = offset + 6
    key_end = pos
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    size = value_length * 2 if value_type == 1 else value_length
    value = data[pos:pos + size]
    pos = (pos + size + 3) & ~3
    children = []
    while pos < end:
        child = parse_block(data, pos)
        children.append(child)
        pos = (child[4] + 3) & ~3
    return key, value, value_type, children, end


def check_version(data):
    key, value, _, children, _ = parse_block(data, 0)
    check(key == "VS_VERSION_INFO", "the version resource is a VS_VERSION_INFO")
    fixed = struct.unpack_from("<13I", value)
    check(fixed[0] == 0xFEEF04BD, "fixed file info signature")
    check((fixed[2], fixed[3]) == (0x00010000, 0), "file version 1.0.0.0")
    check((fixed[4], fixed[5]) == (0x00010000, 0), "product version 1.0.0.0")
    check((fixed[6], fixed[7]) == (0x3F, 0), "file flags mask 0x3F, flags 0")
    check(fixed[8] == 4, "file OS 4 (VOS__WINDOWS32)")
    check((fixed[9], fixed[10]) == (1, 0), "file type 1 (VFT_APP), subtype 0")
    check((fixed[11], fixed[12]) == (0, 0), "file date 0")
    blocks = {child[0]: child for child in children}
    check(sorted(blocks) == ["StringFileInfo", "VarFileInfo"],
          "StringFileInfo and VarFileInfo and nothing else: %s" % sorted(blocks))
    tables = blocks.get("StringFileInfo", (None, None, None, [], None))[3]
    check([table[0] for table in tables] == ["040904B0"],
          "one string table, 040904B0: %s" % [table[0] for table in tables])
    strings = {}
    for table in tables:
        for entry in table[3]:
            strings[entry[0]] = entry[1].decode("utf-16-le").rstrip("\0")
    check(strings == EXPECTED_STRINGS, "exactly the six strings: %s" % strings)
    translations = blocks.get("VarFileInfo", (None, None, None, [], None))[3]
    check([(t[0], t[1]) for t in translations] == [("Translation", struct.pack("<HH", 0x0409, 1200))],
          "translation 0x0409, code page 1200")


def check_icons(tool, exe, ico, listing):
    groups = [line for line in listing if "--type=14" in line]
    check(len(groups) == 1 and "--name=1 " in groups[0] + " ",
          "one icon group, number 1: %s" % groups)
    group = wrestool(tool, "-x", "--raw", "--type=14", "--name=1", exe)
    _, kind, count = struct.unpack_from("<HHH", group, 0)
    check(kind == 1 and count == len(EXPECTED_ICONS), "icon group of %d images" % count)
    with open(ico, "rb") as f:
        icon_file = f.read()
    for i in range(count):
        width, height, _, _, _, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        image = wrestool(tool, "-x", "--raw", "--type=3", "--name=%d" % ident, exe)
        png = image.startswith(b"\x89PNG")
        check(i < len(EXPECTED_ICONS) and (width, height, bits, png) == EXPECTED_ICONS[i],
              "image %d: %dx%d, %d bits, %s" % (i + 1, width or 256, height or 256, bits,
                                                 "PNG" if png else "bitmap"))
        _, _, _, _, _, _, file_size, file_offset = struct.unpack_from("<BBBBHHII", icon_file, 6 + 16 * i)
        check(image == icon_file[file_offset:file_offset + file_size] and size == file_size,
              "image %d is the icon file's image %d, byte for byte" % (i + 1, i + 1))


def check_manifest(tool, exe, listing):
    manifests = [line for line in listing if "--type=24" in line]
    check(len(manifests) == 1 and "--name=1 " in manifests[0],
          "one manifest, number 1 (the process's own): %s" % manifests)
    root = ElementTree.fromstring(wrestool(tool, "-x", "--raw", "--type=24", "--name=1", exe))
    v1, v2 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v2}"
    check(root.tag == v1 + "assembly" and root.get("manifestVersion") == "1.0",
          "an asm.v1 assembly, manifest version 1.0")
    # Nothing but the rights: no DPI setting, no common-controls 6.
    check([child.tag for child in root] == [v2 + "trustInfo"],
          "trustInfo in the asm.v2 namespace and nothing else: %s" % [c.tag for c in root])
    levels = root.findall("%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                          % (v2, v2, v2, v2))
    check([(level.get("level"), level.get("uiAccess")) for level in levels] ==
          [("highestAvailable", "false")], "requested level highestAvailable, no UI access")


def main():
    tool, exe, ico = sys.argv[1:4]
    listing = wrestool(tool, "-l", exe).decode().splitlines()
    print("\n".join(listing))
    check(os.path.basename(exe) == EXPECTED_STRINGS["OriginalFilename"],
          "the executable is named after OriginalFilename")
    versions = [line for line in listing if "--type=16" in line]
    check(len(versions) == 1, "one version resource")
    check_version(wrestool(tool, "-x", "--raw", "--type=16", exe))
    check_icons(tool, exe, ico, listing)
    check_manifest(tool, exe, listing)
    print("resources: %d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
