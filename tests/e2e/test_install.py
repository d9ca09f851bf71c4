"""The installer and uninstaller run silently in the bench's prefix: what lands where, the
shell starting Orvane for an associated file, the help command on the installed help file,
and what the uninstaller takes away and leaves. The help file's pages and index are checked
in the compiled file itself."""

import html
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import SOURCE, Bench  # noqa: E402
from shell_helpers import (BUILD, SETTINGS_KEY, ID_APP_EXIT, noise, plays, reg, remote,  # noqa: E402
                           reset_settings, tray_command, visible_titles, wait_for, wait_time_view)

sys.path.insert(0, str(SOURCE / "help"))
import make_chm  # noqa: E402

DIST = BUILD / "dist"
PACKAGED = BUILD / "package" / "Orvane"  # dist/ as scripts/package staged it
CLASSES = r"HKLM\Software\Classes"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"
PROGID = "Orvane.AudioFile"
HELP_TITLE = "Orvane ヘルプ"


def version_in_resources():
    """The product version the program's version block declares, as "1.2.3"."""
    rc = (SOURCE / "src/resources/Orvane.rc").read_text(encoding="utf-8")
    return ".".join(re.search(r'#define ORVANE_VERSION_TEXT "([^"]*)"', rc).group(1).replace(" ", "").split(","))


def installer():
    """The installer made from this build's dist/ as it is now."""
    subprocess.run([SOURCE / "scripts/package", BUILD], check=True, capture_output=True)
    arch = "x64" if BUILD.name.endswith("x64") else "x86"
    return SOURCE / "build/packages" / f"Orvane-{version_in_resources()}-{arch}-setup.exe"


def registry_value(bench, key, name=None):
    """A value's data as reg prints it, or None when the key or value is missing."""
    done = reg(bench, "query", key, *(["/v", name] if name else ["/ve"]))
    if done.returncode != 0:
        return None
    found = re.search(r"^\s+\S.*?\s+REG_\w+\s*(.*?)\s*$", done.stdout, re.M)
    return found.group(1) if found else None


def class_of(bench, ext):
    return registry_value(bench, rf"{CLASSES}\.{ext}")


class HelpFile(unittest.TestCase):
    def test_every_page_index_word_and_title_is_in_the_compiled_file(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run(["extract_chmLib", DIST / "Orvane.chm", out], check=True, capture_output=True)
            out = Path(out)
            contents = (out / "Orvane.hhc").read_bytes().decode("cp932")
            index = (out / "Orvane.hhk").read_bytes().decode("cp932")
            for page in make_chm.PAGES:
                with self.subTest(page):
                    self.assertEqual((out / page).read_bytes(), (SOURCE / "help" / page).read_bytes())
                    title, keywords, _ = make_chm.page_facts(page)
                    self.assertRegex(title, "[\u3040-\u30ff\u4e00-\u9fff]", "a Japanese title")
                    for name, listing in [(title, contents)] + [(keyword, index) for keyword in keywords]:
                        entry = f'value="{html.escape(name)}"><param name="Local" value="{page}"'
                        self.assertTrue(entry in listing, entry)
            # Japanese (0x411) and the title the viewer shows, in code page 932.
            system = (out / "#SYSTEM").read_bytes()
            self.assertIn(b"\x11\x04\x00\x00", system)
            self.assertIn(HELP_TITLE.encode("cp932"), system)


class InstallAndUninstall(unittest.TestCase):
    def test_silent_install_opens_associated_files_and_help_and_silent_uninstall_undoes_only_its_own(self):
        setup = installer()
        song = noise("installed.wav", 3)
        with Bench("e2e.install") as bench:
            # Each bench prefix has the bitness of its build, so this is the program's own.
            installed = bench.prefix / "drive_c/Program Files/Orvane"
            start_menu = bench.prefix / "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Orvane.lnk"
            # The user's settings (the program stays open after play) and cue list; .flac
            # belongs to another program, .wav and .mp3 to none (the prefix outlives a run).
            reset_settings(bench, app_config=0)
            cue = next(bench.prefix.glob("drive_c/users/*/AppData/Roaming")) / "Orvane" / "Default.cue"
            cue.parent.mkdir(exist_ok=True)
            cue.write_bytes(b"C:\\Music\\take1.wav,03:25\r\n")
            self.addCleanup(cue.unlink, missing_ok=True)
            for ext in ("wav", "mp3"):
                reg(bench, "delete", rf"{CLASSES}\.{ext}", "/f")
            reg(bench, "add", rf"{CLASSES}\.flac", "/ve", "/d", "Other.flac", "/f")

            self.assertEqual(bench.run(setup, ["/S"], timeout=120).returncode, 0)
            dist_files = sorted(p.relative_to(DIST) for p in DIST.rglob("*") if p.is_file())
            self.assertEqual(dist_files, sorted(p.relative_to(PACKAGED) for p in PACKAGED.rglob("*") if p.is_file()))
            for rel in dist_files:
                self.assertEqual((installed / rel).read_bytes(), (PACKAGED / rel).read_bytes(), rel)
            self.assertTrue((installed / "uninstall.exe").exists())
            self.assertTrue(start_menu.exists())
            self.assertEqual(registry_value(bench, UNINSTALL_KEY, "DisplayVersion"), version_in_resources())
            self.assertIn(r"\Orvane\uninstall.exe", registry_value(bench, UNINSTALL_KEY, "UninstallString"))
            for ext in ("wav", "aif", "aiff", "mp1", "mp2", "mp3", "rmp", "wma", "ogg", "flac"):
                self.assertEqual(class_of(bench, ext), PROGID, ext)

            # The shell opens the file: its class's command starts the installed program.
            with bench.record("associated.raw") as rec:
                bench.run("start", ["/unix", str(song)], timeout=30)
                wait_time_view(bench, "Play")
                wait_time_view(bench, "Stop")
            match = plays(rec.data(), song)
            self.assertTrue(match.ok, match.message)
            # The help command opens the installed help file: the viewer shows its title.
            tray_command(bench, "h")
            bench.wait_window(HELP_TITLE)
            bench.screenshot("help.png")
            remote(bench, "command", ID_APP_EXIT)
            wait_for("Orvane to exit", lambda: "Stop" not in visible_titles(bench), 30)

            # Meanwhile the user gave .mp3 to another program: that stays with it.
            reg(bench, "add", rf"{CLASSES}\.mp3", "/ve", "/d", "Later.mp3", "/f")
            # The user also put an icon file for the tray into Icons: it stays, with its folders.
            (installed / "Icons" / "mine.ico").write_bytes(b"the user's")
            self.assertEqual(bench.run(installed / "uninstall.exe", ["/S"], timeout=60).returncode, 0)
            # The uninstaller runs on from a copy of itself; its entry goes last.
            wait_for("the uninstaller to finish",
                     lambda: registry_value(bench, UNINSTALL_KEY, "DisplayVersion") is None, 60)
            self.assertEqual(sorted(p.relative_to(installed).as_posix() for p in installed.rglob("*")),
                             ["Icons", "Icons/mine.ico"])
            shutil.rmtree(installed)
            self.assertFalse(start_menu.exists())
            self.assertIsNone(registry_value(bench, rf"{CLASSES}\{PROGID}\shell\open\command"))
            self.assertEqual([class_of(bench, ext) for ext in ("wav", "flac", "mp3")],
                             [None, "Other.flac", "Later.mp3"])
            self.assertEqual(registry_value(bench, SETTINGS_KEY, "AppConfig"), "0x0")
            self.assertEqual(cue.read_bytes(), b"C:\\Music\\take1.wav,03:25\r\n")
            # The classes the other tests' prefix had.
            for ext in ("flac", "mp3"):
                reg(bench, "delete", rf"{CLASSES}\.{ext}", "/f")


if __name__ == "__main__":
    unittest.main()
