"""What the build ships starts on every Windows of its architecture (dist_check), and the
check catches the faults that would stop it: a manifest naming the other architecture, a
DLL of the other machine type, a DLL that is not there."""

import os
import struct
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from dist_check import files_problems, manifest_problems, read_files  # noqa: E402

BUILD = Path(os.environ["ORVANE_BUILD"])
ARCH = os.environ["ORVANE_WINEARCH"]
SOURCE = Path(os.environ["ORVANE_SOURCE"])
PACKAGE_ARCH = {"win32": "x86", "win64": "x64"}[ARCH]

# The manifest both builds once embedded: right for the 32-bit program only.
X86_MANIFEST = b"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Kellbrook.Orvane" version="1.0.0.0" processorArchitecture="x86"/>
  <dependency><dependentAssembly>
    <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                      processorArchitecture="x86" publicKeyToken="6595b64144ccf1df" language="*"/>
  </dependentAssembly></dependency>
</assembly>"""


def with_machine(data, machine):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return data[:pe + 4] + struct.pack("<H", machine) + data[pe + 6:]


class ShippedFiles(unittest.TestCase):
    def test_dist_and_every_package_fit_the_architecture(self):
        places = [BUILD / "dist", BUILD / "package" / "Orvane",
                  *sorted((SOURCE / "build" / "packages").glob(f"Orvane-*-{PACKAGE_ARCH}*"))]
        self.assertEqual(len(places), 4, f"dist, the staged package, the zip and the installer: {places}")
        for place in places:
            with self.subTest(place.name):
                self.assertEqual(files_problems(read_files(place), ARCH), [])

    def test_manifests_are_judged_by_every_architecture_they_name(self):
        for text, arch, fits in [(X86_MANIFEST, "win32", True), (X86_MANIFEST, "win64", False),
                                 (X86_MANIFEST.replace(b'"x86"', b'"*"'), "win64", True),
                                 (X86_MANIFEST.replace(b'"x86"', b'"amd64"', 1), "win64", False),
                                 (b"<assembly", ARCH, False)]:
            with self.subTest(arch=arch, fits=fits):
                self.assertEqual(manifest_problems(text, arch) == [], fits)

    def test_the_check_fails_on_what_would_not_start(self):
        shipped = read_files(BUILD / "dist")
        wanted = {"win32": b'"x86"', "win64": b'"amd64"'}[ARCH]
        wrong = {"win32": b'"arm"', "win64": b'"x86"  '}[ARCH]  # same length, the resource stays whole
        wrong_machine = {"win32": 0x8664, "win64": 0x014C}[ARCH]
        cases = {
            "manifest of the other architecture": ({"Orvane.exe": shipped["Orvane.exe"].replace(wanted, wrong)},
                                                   ["Orvane.exe: manifest"]),
            "DLL of the other machine type": ({"libmpg123-0.dll": with_machine(shipped["libmpg123-0.dll"], wrong_machine)},
                                              ["libmpg123-0.dll: machine type", "mpglib.dll: imports libmpg123-0.dll"]),
            "DLL missing": ({"libmpg123-0.dll": None}, ["mpglib.dll: imports libmpg123-0.dll"]),
        }
        for name, (changes, expected) in cases.items():
            with self.subTest(name):
                files = {path: data for path, data in {**shipped, **changes}.items() if data is not None}
                problems = files_problems(files, ARCH)
                for start in expected:
                    self.assertTrue(any(p.startswith(start) for p in problems), problems)


if __name__ == "__main__":
    unittest.main()
