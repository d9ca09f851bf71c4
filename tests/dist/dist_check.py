"""Checks that what a Windows build ships can start on every Windows of its architecture,
from the files alone:

- every program and DLL is of the build's machine type;
- every manifest it embeds names that architecture (or "*") for itself and for every
  assembly it depends on: a 64-bit program bound to the x86 common controls, which every
  64-bit Windows also has, fails to start there;
- every DLL it imports is one that every supported Windows has, or lies beside it with the
  same machine type.

    dist_check.py win32|win64 FOLDER|ZIP|FILE...   prints each problem; exit 1 when any
"""

import sys
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path, PurePosixPath

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))

from pe_file import MANIFEST_ARCH, NotPe, is_pe, read_pe  # noqa: E402

# What every Windows from 2000 on has in its system folder. A DLL not listed here is
# either ours, beside the program, or a dependency some users lack: look it up at run
# time instead (as uxtheme.dll is).
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll",
    "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "version.dll", "winmm.dll", "ws2_32.dll",
}


def manifest_problems(text, arch):
    """What in a manifest's text does not fit arch."""
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as e:
        return [f"the manifest is not well-formed XML: {e}"]
    wanted = MANIFEST_ARCH[arch]
    problems = []
    for element in root.iter():
        if not element.tag.endswith("assemblyIdentity"):
            continue
        named = element.get("processorArchitecture")
        if named is not None and named.lower() not in (wanted, "*"):
            problems.append(f"{element.get('name')} is asked for as {named}, not {wanted} or *")
    return problems


def files_problems(files, arch):
    """files: {relative path: bytes} of one shipped folder."""
    pe_files = {}
    problems = []
    for path, data in sorted(files.items()):
        if not is_pe(data):
            continue
        try:
            pe_files[path] = read_pe(data)
        except NotPe as e:
            problems.append(f"{path}: unreadable: {e}")
    beside = {}
    for path, pe in pe_files.items():
        beside.setdefault(str(PurePosixPath(path).parent), {})[PurePosixPath(path).name.lower()] = pe
    for path, pe in pe_files.items():
        if pe.machine != arch:
            problems.append(f"{path}: machine type {pe.machine}, not {arch}")
        for manifest in pe.manifests:
            problems += [f"{path}: manifest: {p}" for p in manifest_problems(manifest, arch)]
        folder = beside[str(PurePosixPath(path).parent)]
        for dll in pe.imports:
            name = dll.lower()
            if name in SYSTEM_DLLS or name.startswith("api-ms-win-"):
                continue
            if name not in folder:
                problems.append(f"{path}: imports {dll}, which is neither a system DLL nor beside it")
            elif folder[name].machine != arch:
                problems.append(f"{path}: imports {dll}, whose machine type is {folder[name].machine}")
    if not pe_files:
        problems.append("no program or DLL found")
    return problems


def read_files(place):
    """{relative path: bytes} of a folder, a zip or a single file (an installer)."""
    place = Path(place)
    if place.is_dir():
        return {p.relative_to(place).as_posix(): p.read_bytes() for p in place.rglob("*") if p.is_file()}
    if not zipfile.is_zipfile(place):
        return {place.name: place.read_bytes()}
    with zipfile.ZipFile(place) as z:
        return {name: z.read(name) for name in z.namelist() if not name.endswith("/")}


def main(argv):
    if len(argv) < 2 or argv[0] not in MANIFEST_ARCH:
        sys.exit(__doc__)
    arch, failed = argv[0], False
    for place in argv[1:]:
        problems = files_problems(read_files(place), arch)
        for problem in problems:
            print(f"{place}: {problem}")
        print(f"{place}: {'FAILED' if problems else 'fits ' + arch}")
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
