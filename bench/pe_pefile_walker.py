"""Walks the fields of the pe report with pefile (full parse), one process over every
file named: the peer that bench/pe-bench.sh compares against."""
import sys

import pefile


def walk(path):
    pe = pefile.PE(path)
    sink = pe.DOS_HEADER.e_magic + pe.DOS_HEADER.e_lfanew
    fh = pe.FILE_HEADER
    sink += fh.Machine + fh.NumberOfSections + fh.SizeOfOptionalHeader + fh.Characteristics
    oh = pe.OPTIONAL_HEADER
    sink += (oh.Magic + oh.SizeOfCode + oh.AddressOfEntryPoint + oh.BaseOfCode + oh.ImageBase
             + oh.SectionAlignment + oh.FileAlignment + oh.SizeOfImage + oh.SizeOfHeaders
             + oh.CheckSum + oh.Subsystem)
    for s in pe.sections:
        sink += len(s.Name) + s.Misc_VirtualSize + s.VirtualAddress + s.SizeOfRawData
        sink += s.Characteristics
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if exports is not None:
        sink += exports.struct.Base
        for e in exports.symbols:
            sink += (e.ordinal or 0) + (e.address or 0) + len(e.name or b"")
    for module in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        sink += len(module.dll or b"")
        for i in module.imports:
            sink += i.ordinal if i.import_by_ordinal else len(i.name or b"")
    pe.close()
    return sink


def main():
    sink = 0
    parsed = 0
    for path in sys.argv[1:]:
        try:
            sink += walk(path)
            parsed += 1
        except pefile.PEFormatError:
            pass
    print(f"pefile: {parsed} of {len(sys.argv) - 1} files parsed ({sink})")


if __name__ == "__main__":
    main()
