#!/usr/bin/env python3
"""Checks that a Windows executable loads on the oldest Windows it targets.

Usage: check_imports.py OBJDUMP EXE ALLOWED_IMPORTS TARGET_VERSION

Reads the executable's headers and import table with mingw-w64's objdump:
the subsystem version may not exceed TARGET_VERSION (as _WIN32_WINNT spells
it: 0x0501 for XP), and every imported function must be in the reviewed list
ALLOWED_IMPORTS with a first Windows no newer than the target. Prints the
import count and the oldest Windows that has them all.
"""
import re
import subprocess
import sys

# The list's version names, as _WIN32_WINNT numbers them.
VERSIONS = {"2000": 0x0500, "XP": 0x0501, "XP-x64": 0x0502}

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


def read_allowed(path):
    allowed = {}
    with open(path) as f:
        for number, line in enumerate(f, 1):
            fields = line.split("#", 1)[0].split()
            if not fields:
                continue
            if len(fields) != 3 or fields[2] not in VERSIONS:
                sys.exit("%s:%d: not DLL, function, version (%s): %s"
                         % (path, number, ", ".join(VERSIONS), line.strip()))
            allowed[(fields[0].lower(), fields[1])] = fields[2]
    return allowed


def read_headers_and_imports(objdump, exe):
    dump = subprocess.run([objdump, "-p", exe], check=True, capture_output=True,
                          text=True).stdout
    headers = dict(re.findall(r"^(M\w+SubsystemVersion)\s+(\d+)$", dump, re.M))
    subsystem = (int(headers["MajorSubsystemVersion"]) << 8) | int(headers["MinorSubsystemVersion"])
    imports = []
    dll = None
    for line in dump.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            continue
        # "vma  hint  name"; an import by ordinal has no name.
        entry = re.match(r"\t[0-9a-f]+\t\s*(\d+)\s+(\S+)$", line)
        if dll and entry:
            name = entry.group(2)
            imports.append((dll, "#" + entry.group(1) if name == "<none>" else name))
        elif not line.strip():
            dll = None
    return subsystem, imports


def name_of(version):
    return next(name for name, number in VERSIONS.items() if number == version)


def main():
    objdump, exe, allowed_path, target_text = sys.argv[1:5]
    target = int(target_text, 0)
    allowed = read_allowed(allowed_path)
    subsystem, imports = read_headers_and_imports(objdump, exe)
    check(0 < subsystem <= target, "subsystem version %d.%02d, at most %d.%02d"
          % (subsystem >> 8, subsystem & 255, target >> 8, target & 255))
    check(len(imports) > 0, "the import table was read")
    lowest = VERSIONS["2000"]
    for dll, function in imports:
        version = allowed.get((dll, function))
        if version is None:
            check(False, "%s!%s is not in %s" % (dll, function, allowed_path))
            lowest = None
            continue
        if VERSIONS[version] > target:
            check(False, "%s!%s needs Windows %s" % (dll, function, version))
        if lowest is not None:
            lowest = max(lowest, VERSIONS[version])
    dlls = len({dll for dll, _ in imports})
    print("imports: %d functions from %d DLLs; the oldest Windows with them all: %s; %d failure(s)"
          % (len(imports), dlls, "unknown" if lowest is None else "Windows " + name_of(lowest),
             len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
