#!/usr/bin/env python3
"""Which resident pages one program has that another has not.

    resident_pages.py PID OTHER_PID               resident KiB by mapped file
    resident_pages.py PID OTHER_PID LIBRARY...    and, for each library (file
                                                  name as in /proc/PID/maps),
                                                  the pages only PID has, named
                                                  by the exported functions in them

Reads /proc/PID/smaps and /proc/PID/pagemap (root, or the same user with
ptrace rights). A page resident in one program and not the other is code or
data only that program ran or read; the kernel maps neighbouring pages of a
file in blocks (fault-around, 64 KiB), so a name stands for its block.
"""
import bisect
import collections
import os
import struct
import subprocess
import sys

PAGE = os.sysconf("SC_PAGE_SIZE")


def resident_by_file(pid):
    rss, pss, current = collections.Counter(), collections.Counter(), None
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            fields = line.split()
            if "-" in fields[0] and not fields[0].endswith(":"):
                current = os.path.basename(fields[5]) if len(fields) >= 6 else "[anonymous]"
            elif fields[0] == "Rss:":
                rss[current] += int(fields[1])
            elif fields[0] == "Pss:":
                pss[current] += int(fields[1])
    return rss, pss


def resident_offsets(pid, library):
    """File offsets of the library's pages resident in pid, and its path."""
    offsets, path = set(), None
    with open(f"/proc/{pid}/maps") as maps, open(f"/proc/{pid}/pagemap", "rb") as pagemap:
        for line in maps:
            fields = line.split()
            if len(fields) < 6 or os.path.basename(fields[5]) != library:
                continue
            path = fields[5]
            low, high = (int(x, 16) for x in fields[0].split("-"))
            offset = int(fields[2], 16)
            for address in range(low, high, PAGE):
                pagemap.seek(address // PAGE * 8)
                entry = struct.unpack("<Q", pagemap.read(8))[0]
                if entry >> 63:
                    offsets.add(offset + address - low)
    return offsets, path


def exported_functions(path):
    """(file offset, name) of the library's exported functions, sorted."""
    segments = []
    headers = subprocess.run(["readelf", "-lW", path], capture_output=True, text=True).stdout
    for line in headers.splitlines():
        fields = line.split()
        if fields and fields[0] == "LOAD":
            segments.append((int(fields[1], 16), int(fields[2], 16), int(fields[4], 16)))
    symbols = []
    listing = subprocess.run(["nm", "-DC", "--defined-only", path], capture_output=True, text=True).stdout
    for line in listing.splitlines():
        fields = line.split(" ", 2)
        if len(fields) != 3 or fields[1] not in "TtWw":
            continue
        address = int(fields[0], 16)
        for offset, vaddr, size in segments:
            if vaddr <= address < vaddr + size:
                symbols.append((address - vaddr + offset, fields[2]))
    return sorted(symbols)


def only_in_first(pid, other, library):
    mine, path = resident_offsets(pid, library)
    theirs, _ = resident_offsets(other, library)
    extra = sorted(mine - theirs)
    print(f"\n{library}: {len(mine) * PAGE // 1024} KiB resident, the other program "
          f"{len(theirs) * PAGE // 1024} KiB, only this one {len(extra) * PAGE // 1024} KiB")
    if not extra or path is None:
        return
    symbols = exported_functions(path)
    starts = [offset for offset, _ in symbols]
    by_class = collections.Counter()
    for page in extra:
        at = bisect.bisect_right(starts, page + PAGE - 1) - 1
        name = symbols[at][1] if at >= 0 else "?"
        by_class[name.split("(")[0].rsplit("::", 1)[0]] += PAGE // 1024
    for name, kib in by_class.most_common(25):
        print(f"{kib:6d} KiB  {name}")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    pid, other = sys.argv[1], sys.argv[2]
    (rss, pss), (other_rss, other_pss) = resident_by_file(pid), resident_by_file(other)
    print(f"{'RSS':>7} {'other':>7} {'diff':>7}   {'PSS':>7} {'other':>7}   mapped file")
    for name in sorted(set(rss) | set(other_rss), key=lambda n: other_rss[n] - rss[n])[:30]:
        print(f"{rss[name]:7d} {other_rss[name]:7d} {rss[name] - other_rss[name]:7d}   "
              f"{pss[name]:7d} {other_pss[name]:7d}   {name}")
    print(f"{sum(rss.values()):7d} {sum(other_rss.values()):7d}"
          f" {sum(rss.values()) - sum(other_rss.values()):7d}   "
          f"{sum(pss.values()):7d} {sum(other_pss.values()):7d}   total")
    for library in sys.argv[3:]:
        only_in_first(pid, other, library)


if __name__ == "__main__":
    main()
