#!/usr/bin/python3
# Reads a program with pefile, a reader independent of ours, and prints what the tests
# compare: pefile's warnings, the checksum, the section table, the base relocations and
# every resource; each resource's bytes go to OUTDIR/<type>-<name>-<language>.
#   pefile_dump.py EXE OUTDIR
import os
import sys

import pefile

path, out = sys.argv[1], sys.argv[2]
pe = pefile.PE(path)
print("warnings", len(pe.get_warnings()))
print("checksum", "ok" if pe.OPTIONAL_HEADER.CheckSum == pe.generate_checksum() else "bad")
print("timestamp", pe.FILE_HEADER.TimeDateStamp)
end = 0
contiguous = True
align = pe.OPTIONAL_HEADER.SectionAlignment
for s in pe.sections:
    if end and s.VirtualAddress != end:
        contiguous = False
    end = s.VirtualAddress + (max(s.Misc_VirtualSize, 1) + align - 1) // align * align
print("sections", len(pe.sections), "contiguous" if contiguous else "gaps",
      "image", "ok" if pe.OPTIONAL_HEADER.SizeOfImage == end else "bad")
print("relocations", sum(len(b.entries) for b in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])))
def key(entry):
    return str(entry.name) if entry.id is None else str(entry.id)


count = 0
for t in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []:
    for n in t.directory.entries:
        for l in n.directory.entries:
            d = l.data.struct
            with open(os.path.join(out, "-".join([key(t), key(n), key(l)])), "wb") as f:
                f.write(pe.get_data(d.OffsetToData, d.Size))
            count += 1
print("resources", count)
