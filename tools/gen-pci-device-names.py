#!/usr/bin/env python3
"""Generates src/pci/pci_device_names.cpp, the device-name table of the PCI
scan, from the public PCI ID list (Debian package `pci.ids`).

The scan names a device by its 16-bit device ID alone. For each ID below the
list may hold several devices of different vendors; the table takes the disk
controller's name (IDE, SATA, AHCI, RAID) among the vendors the scan knows by
name, so that an ID shared by a graphics chip and a controller reads as the
controller. A few names are fixed by the program (the data-recovery boards and
names users know from older releases); a few IDs need an explicit choice
(CHOICES) or are missing from the list (SUPPLEMENT). The script stops with a
message when an ID cannot be resolved, so a newer list never silently changes
the table.

    apt-get install pci.ids
    tools/gen-pci-device-names.py [/usr/share/misc/pci.ids] > src/pci/pci_device_names.cpp
"""

import re
import sys

# The device IDs that carry a name.
DEVICE_IDS = """
    0001 0002 0003 0004 0005 0006 0007 0008 0009 0018 002D 0035 0036 003E 0044 0053
    0054 0055 0065 0085 008E 00D5 00E3 00E5 00EE 0102 0103 0105 0180 0181 0182 0186
    01BC 0211 0212 0213 0214 0217 0240 0241 0242 0243 024A 024B 0265 0266 0267 0368
    036E 037E 037F 03E7 03EC 03F6 03F7 0410 0411 0415 0448 044C 044D 044E 044F 045C
    045D 045E 045F 0502 0550 0554 0555 0560 0561 056C 0571 0581 0591 0597 0601 0611
    0612 0640 0643 0646 0648 0649 0680 0759 07F0 07F4 07F8 0AB4 0AB5 0AB6 0AB7 0AB8
    0AB9 0ABA 0ABB 0ABC 0ABD 0ABE 0ABF 0AD0 0AD4 0AD8 0D1C 0D30 0D38 0D85 0D88 0D89
    0D8D 0F23 1010 1183 1184 1185 1230 1234 1275 1571 1600 1622 1720 1740 1742 1841
    1C00 1C01 1C02 1C03 1C04 1C05 1C08 1C09 1C3C 1D00 1D02 1D04 1D06 1D08 1D3C 1E00
    1E01 1E02 1E03 1E04 1E05 1E06 1E07 1E08 1E09 1E0E 1E3C 1F22 1F23 1F24 1F25 1F26
    1F27 1F2E 1F2F 1F32 1F33 1F34 1F35 1F36 1F37 1F3E 1F3F 2015 2300 2310 2323 2360
    2361 2362 2363 2365 2366 2368 23A3 2411 2421 244A 244B 245B 248A 248B 24CA 24CB
    24D1 24DB 24DF 25A2 25A3 25B0 2651 2652 2653 266F 2680 2681 2682 2683 269E 27C0
    27C1 27C3 27C4 27C5 27C6 27DF 2820 2821 2822 2823 2824 2825 2826 2827 2828 2829
    282A 2850 2920 2921 2922 2923 2925 2926 2928 2929 292C 292D 292E 2996 29B6 2A06
    2A46 2E16 3020 3112 3114 3124 3132 3149 3164 3200 3249 3318 3319 3349 3371 3373
    3375 3376 3512 3515 3519 3531 3570 3571 3574 3577 3602 3A00 3A05 3A06 3A20 3A22
    3A25 3A26 3B20 3B22 3B23 3B24 3B25 3B26 3B28 3B29 3B2B 3B2C 3B2D 3B2E 3B2F 3B66
    3D17 3D18 3D73 3D75 3F20 4149 4349 4369 436E 4376 4379 437A 4380 4381 438C 4390
    4391 4392 4393 4394 4395 439C 4D30 4D33 4D38 4D68 4D69 5028 502A 502B 5040 5041
    5080 5081 5215 5225 5228 5229 5275 5281 5287 5288 5289 5324 5337 5372 5513 6040
    6041 6042 6080 6081 6101 6121 6123 6145 6268 6269 6287 6565 6622 6629 7010 7042
    7111 7174 7199 7275 7401 7409 7411 7441 7469 7601 7800 780C 7900 8000 8002 8013
    811A 8211 8212 8213 84CA 8C02 8C03 8C04 8C05 8C06 8C07 8C0E 8C0F 8C82 8C83 8C84
    8C85 8C86 8C87 8C8E 8C8F 8D02 8D04 8D06 8D0E 8D62 8D64 8D66 8D6E 9001 9123 9125
    9130 9172 9178 917A 9192 91A0 91A3 91A4 9230 9C02 9C03 9C04 9C05 9C06 9C07 9C0E
    9C0F 9C83 9C85 9C87 9C8F A103 A105 A107 A10F A800 AE33 C558 C621 D001 D568 F021
    F024
""".split()

# The vendors the scan names (the same as the vendor table in pci_names.cpp).
VENDORS = """
    0E11 1000 1002 100B 1022 1039 1042 1045 1055 105A 1078 1095 10AD 10B9 10DE 10EC
    1101 1103 1106 1109 1145 1166 1179 11AB 1217 1283 15E9 169C 1725 17F3 197B 1DE1
    3388 8086 9004 9005 907F 9412 ACE1 B00C
""".split()

# Names the program fixes whatever the list says.
FIXED = {
    "0005": "PC3000 PCI",
    "0006": "PC3000 UDMA",
    "0018": "PC3000 UDMA-E",
    "0002": "87415/87560 IDE",
    "0004": "HighPoint 366/368/370/370A/372/372N",
    "27C0": "82801GB/GR/GH (ICH7 Family) SATA IDE",
    "2829": "82801HBM/HEM (ICH8M/ICH8M-E) SATA AHCI",
    "3A22": "82801JI (ICH10 Family) SATA AHCI",
    "4380": "SB600 Non-Raid-5 SATA",
    "4D38": "PDC20262 (FastTrak66/Ultra66)",
    "5229": "M5229 IDE",
    "7111": "82371AB/EB/MB PIIX4 IDE",
    "0D8D": "MCP89 SATA (RAID mode)",
}

# The vendor whose entry names the ID, where the keyword ranking below cannot
# tell (names without a keyword, or two controllers of the same rank).
CHOICES = {
    "0001": "10AD",  # Winbond W83769F IDE, not the SCSI or bridge chips
    "0102": "1078",  # Cyrix 5530 IDE
    "0105": "10AD",  # SL82C105 IDE
    "0240": "1095",  # SiI-based Adaptec SATA HostRAID
    "0241": "9005",
    "0242": "9005",
    "0561": "1106",  # VT82C576MV chipset IDE
    "0597": "1039",  # SiS 5513C IDE
    "0601": "1039",  # SiS 85C601 EIDE
    "0640": "1095",  # CMD PCI0640 IDE, the family of 0643/0646/0648/0649
    "0643": "1095",
    "0646": "1095",
    "0648": "1095",
    "1571": "1106",  # VT82C586 IDE
    "5215": "1025",  # ALi EIDE (listed under Acer)
    "5287": "10B9",  # ULi, the family of 5288/5289
}

# IDs the list does not name as a disk controller; named after their family.
SUPPLEMENT = {
    "0D1C": "IDE/SATA Controller",
    "292E": "82801I (ICH9 Family) SATA Controller",
    "3B24": "5 Series/3400 Series Chipset SATA Controller",
    "3B2B": "5 Series/3400 Series Chipset SATA Controller",
    "5337": "IDE/SATA Controller",
    "6080": "IDE/SATA Controller",
    "6123": "IDE/SATA Controller",
    "91A3": "88SE912x SATA 6Gb/s Controller",
}

_ATA = re.compile(r"(?<![A-Za-z])(?:[SP]?ATA|E?IDE|AHCI)")
_RAID = re.compile(r"RAID|Storage|FastTrak|HPT\d|PDC\d|SATALink|SSD")
_SCSI = re.compile(r"SCSI|\bSAS\b|Fibre")


def rank(name):
    """3: IDE/ATA/AHCI controller, 2: RAID or storage, 1: SCSI/SAS, 0: other."""
    if _SCSI.search(name):
        return 1
    if _ATA.search(name):
        return 3
    if _RAID.search(name):
        return 2
    return 0


def read_list(path):
    devices = {}  # device ID -> [(vendor ID, name)]
    vendor = None
    with open(path, encoding="utf-8", errors="replace") as ids:
        for line in ids:
            if line.startswith("C "):  # the class list follows the devices
                break
            if not line.strip() or line.startswith("#"):
                continue
            if not line.startswith("\t"):
                vendor = line[:4].upper()
            elif not line.startswith("\t\t"):
                devices.setdefault(line[1:5].upper(), []).append((vendor, line[5:].strip()))
    return devices


def best(candidates, min_rank):
    top = max((rank(n) for _, n in candidates), default=0)
    pool = [n for _, n in candidates if rank(n) == top]
    return pool[0] if top >= min_rank and len(pool) == 1 else None


def choose(device_id, devices):
    if device_id in FIXED:
        return FIXED[device_id]
    entries = devices.get(device_id, [])
    if device_id in CHOICES:
        names = [n for v, n in entries if v == CHOICES[device_id]]
        if len(names) != 1:
            sys.exit(f"{device_id}: vendor {CHOICES[device_id]} has {len(names)} entries in the list")
        return names[0]
    known = [(v, n) for v, n in entries if v in VENDORS]
    # A disk controller of a known vendor, else one of another vendor, else
    # whatever a known vendor lists under the ID (often a bare chip number).
    name = best(known, 2)
    if name is None and not any(rank(n) >= 2 for _, n in known):
        name = best(entries, 2)
    if name is None:
        name = best(known, 1)
    if name is None and len(known) == 1:
        name = known[0][1]
    if name is None:
        name = SUPPLEMENT.get(device_id)
    if name is None:
        sys.exit(f"{device_id}: no single controller name; candidates: {entries}")
    return name


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/misc/pci.ids"
    devices = read_list(path)
    if len(DEVICE_IDS) != 433 or len(set(DEVICE_IDS)) != 433:
        sys.exit("the ID list must hold 433 distinct IDs")
    rows = []
    for device_id in sorted(DEVICE_IDS, key=lambda i: int(i, 16)):
        name = choose(device_id, devices)
        if not name.isascii() or '"' in name or "\\" in name:
            sys.exit(f"{device_id}: name needs escaping: {name!r}")
        rows.append(f'    {{0x{device_id}, "{name}"}},')
    print("// Generated by tools/gen-pci-device-names.py from the public PCI ID list")
    print("// (Debian package pci.ids); edit the script, not this file.")
    print()
    print('#include "pci/pci_names.h"')
    print()
    print("namespace mrv {")
    print()
    print("const std::array<PciDeviceName, 433> kPciDeviceNames = {{")
    print("\n".join(rows))
    print("}};")
    print()
    print("} // namespace mrv")


if __name__ == "__main__":
    main()
