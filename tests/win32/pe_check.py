#!/usr/bin/env python3
"""Checks abacoria.exe as a file: PE32 for i386, GUI subsystem, imports only
Windows' own DLLs, at most 400 KB, its version record and resources."""
import sys

import pefile

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll", "msvcrt.dll",
               "advapi32.dll", "ole32.dll", "ws2_32.dll"}
MAX_BYTES = 400 * 1024


def main(path, version):
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    with open(path, "rb") as f:
        data = f.read()
    check(len(data) <= MAX_BYTES, f"{len(data)} bytes, more than {MAX_BYTES}")
    pe = pefile.PE(data=data)
    check(pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], "not i386")
    check(pe.OPTIONAL_HEADER.Magic == 0x10B, "not PE32")
    check(pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"], "not a GUI program")
    imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    foreign = [d for d in imports if d not in SYSTEM_DLLS]
    check(not foreign, f"imports DLLs that are not Windows' own: {foreign}")

    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    check(fixed is not None, "no version record")
    if fixed is not None:
        numbers = [int(n) for n in version.split(".")] + [0] * 3
        want = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
        check((fixed.FileVersionMS, fixed.FileVersionLS) == want, f"FILEVERSION is not that of {version}")
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    for key, want in {"FileVersion": version, "ProductVersion": version, "ProductName": "Abacoria",
                      "OriginalFilename": "abacoria.exe"}.items():
        check(strings.get(key) == want, f"{key} is {strings.get(key)!r}, not {want!r}")
    check(bool(strings.get("FileDescription")), "no FileDescription")

    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    kinds = {pefile.RESOURCE_TYPE.get(e.id, e.id): e for e in (resources.entries if resources else [])}
    check("RT_GROUP_ICON" in kinds, "no icon")
    manifest = b""
    if "RT_MANIFEST" in kinds:
        leaf = kinds["RT_MANIFEST"].directory.entries[0].directory.entries[0].data.struct
        manifest = pe.get_data(leaf.OffsetToData, leaf.Size)
    check(b"<dpiAware" in manifest and b">true<" in manifest, "the manifest does not make it system-dpi-aware")
    check(b"Common-Controls" not in manifest, "the manifest asks for common controls 6")

    print(f"{path}: {len(data)} bytes, imports {', '.join(imports)}, version {strings.get('FileVersion')}")
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
