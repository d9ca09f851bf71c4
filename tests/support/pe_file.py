"""What a Windows program or DLL file says about itself: its machine type, the DLLs it
imports (plain and delay-loaded) and its embedded manifests. Read from the file alone, so
the checks built on it hold on every machine, whatever it can execute."""

import struct
from dataclasses import dataclass, field

MACHINES = {0x014C: "win32", 0x8664: "win64"}
# The architecture names a manifest gives each machine.
MANIFEST_ARCH = {"win32": "x86", "win64": "amd64"}
RT_MANIFEST = 24
_IMPORTS, _RESOURCES, _DELAY_IMPORTS = 1, 2, 13


class NotPe(ValueError):
    """The bytes are not a Windows program or DLL, or are cut short."""


@dataclass
class PeFile:
    machine: str  # win32, win64, or the machine number in hex for any other
    imports: list = field(default_factory=list)  # DLL names as the file spells them
    manifests: list = field(default_factory=list)  # bytes of each RT_MANIFEST resource


def is_pe(data):
    try:
        _pe_offset(data)
        return True
    except NotPe:
        return False


def _unpack(fmt, data, at):
    if at < 0 or at + struct.calcsize(fmt) > len(data):
        raise NotPe(f"cut short at {at:#x}")
    return struct.unpack_from(fmt, data, at)


def _pe_offset(data):
    if data[:2] != b"MZ":
        raise NotPe("no MZ header")
    (pe,) = _unpack("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotPe("no PE signature")
    return pe


def machine_of(data):
    """win32 or win64 (the machine number in hex for others) from the file's first bytes."""
    (machine,) = _unpack("<H", data, _pe_offset(data) + 4)
    return MACHINES.get(machine, f"{machine:#x}")


def read_pe(data):
    pe = _pe_offset(data)
    _, sections, _, _, _, optional_size, _ = _unpack("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    (magic,) = _unpack("<H", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    table = optional + optional_size
    spans = [_unpack("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in spans:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise NotPe(f"address {rva:#x} is in no section")

    def directory(index):
        (count,) = _unpack("<I", data, directories - 4)
        return _unpack("<II", data, directories + 8 * index) if index < count else (0, 0)

    def name_at(rva):
        at = offset(rva)
        end = data.find(b"\0", at)
        return data[at:end if end >= 0 else len(data)].decode("ascii", "replace")

    result = PeFile(machine_of(data))
    for index, record, name_field in ((_IMPORTS, "<IIIII", 3), (_DELAY_IMPORTS, "<IIIIIIII", 1)):
        rva, _ = directory(index)
        at = offset(rva) if rva else None
        while at is not None:
            fields = _unpack(record, data, at)
            if not any(fields):
                break
            result.imports.append(name_at(fields[name_field]))
            at += struct.calcsize(record)
    rva, _ = directory(_RESOURCES)
    if rva:
        base = offset(rva)

        def entries(at):
            _, _, _, _, named, ids = _unpack("<IIHHHH", data, at)
            return [_unpack("<II", data, at + 16 + 8 * i) for i in range(named + ids)]

        for type_id, type_dir in entries(base):
            if type_id != RT_MANIFEST or not type_dir & 0x80000000:
                continue
            for _, name_dir in entries(base + (type_dir & 0x7FFFFFFF)):
                for _, leaf in entries(base + (name_dir & 0x7FFFFFFF)):
                    data_rva, size, _, _ = _unpack("<IIII", data, base + (leaf & 0x7FFFFFFF))
                    at = offset(data_rva)
                    result.manifests.append(data[at:at + size])
    return result
