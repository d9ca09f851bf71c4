"""The setup sheet "設定" as a person uses it from the tray: what its pages show of the
stored settings, what OK, Apply and Cancel leave in the registry, what a played file then
sounds like, and the tray icon sets."""

import shutil
import subprocess
import sys
import time
import unittest
from collections import namedtuple
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import noise_wav, pcm  # noqa: E402
from test_asio_playback import int32_channels, set_value  # noqa: E402
from test_mme_playback import truncated16  # noqa: E402
from winebench import FRAME, Bench, find_pcm, wait_for  # noqa: E402
from shell_helpers import (BUILD, ORVANE, SETTINGS_KEY, TRAY_ICON_BOX, exit_orvane, pixel, reg, remote,  # noqa: E402
                           reset_settings, stored_values, tray_command, wait_time_view, windows_path)

PROBE = BUILD / "tools" / "setup_probe.exe"
LOOPBACK = BUILD / "tests" / "win" / "OrvaneAsioLoopback.dll"
FIXTURES = BUILD / "fixtures" / "setup_sheet"
IDOK, IDCANCEL, ID_APPLY = 1, 2, 0x3021
ID_STOP = 32779
IDC_DITHER, IDC_ASIO_DRIVER, IDC_CONTROL_PANEL = 1046, 1003, 1040
IDC_USER_ICONS, IDC_ICON_NORMAL, IDC_ICON_FLIP, IDC_ICON_FOLDER = 1014, 1024, 1025, 1029
ICON_COLOURS = {"blue.ico": (0, 0, 255), "green.ico": (0, 255, 0)}
Control = namedtuple("Control", "cls enabled visible state count left top right bottom text")


def probe(bench):
    """The open sheet: its active page and whether it is topmost, and its controls and
    those of the active page by id."""
    result = bench.run(PROBE, timeout=30)
    assert result.returncode == 0, "no setup sheet on the desktop"
    lines = result.stdout.splitlines()
    page, topmost = int(lines[0].split()[1]), lines[1].split()[1] == "1"
    controls = {}
    for line in lines[2:]:
        f = line.split("\t")
        controls[int(f[0])] = Control(f[1], f[2] == "1", f[3] == "1", *map(int, f[4:10]), f[10] if len(f) > 10 else "")
    return page, topmost, controls


def click_at(bench, x, y):
    bench.xdotool("mousemove", str(x), str(y))
    bench.xdotool("click", "1")
    time.sleep(0.5)


def click(bench, control):
    click_at(bench, (control.left + control.right) // 2, (control.top + control.bottom) // 2)


def open_setup(bench):
    tray_command(bench, "c")
    bench.wait_window("^設定$")
    time.sleep(0.5)
    return probe(bench)


def go_to_page(bench, controls, index):
    """A click on the first tab, then the arrow key along to tab index."""
    tabs = next(c for c in controls.values() if c.cls == "SysTabControl32")
    click_at(bench, tabs.left + 12, tabs.top + 8)
    for _ in range(index):
        bench.xdotool("key", "Right")
        time.sleep(0.3)
    return probe(bench)


def close_sheet(bench, controls, button):
    click(bench, controls[button])
    time.sleep(0.5)


def play_recorded(bench, name, song, env=None):
    """Hands the file to the running program and records it to its end."""
    with bench.record(name) as rec:
        bench.run(ORVANE, [windows_path(song)], env=env, timeout=30)
        wait_time_view(bench, "Play")
        wait_time_view(bench, "Stop", timeout=30)
    return rec.data()


def choose_entry(bench, control, steps):
    """Opens the list and moves down steps entries from its top, the empty entry."""
    click(bench, control)
    bench.xdotool("key", "Home", *["Down"] * steps, "Return")
    time.sleep(0.5)


def tray_colour(bench, name):
    time.sleep(1.0)
    return pixel(bench.screenshot(name), TRAY_ICON_BOX)


def near(colour, expected):
    return all(abs(a - b) < 60 for a, b in zip(colour, expected))


def unregister_loopback(bench):
    bench.run("regsvr32", ["/s", "/u", windows_path(LOOPBACK)], timeout=60)


class SetupSheet(unittest.TestCase):
    def test_pages_show_the_stored_settings_and_only_ok_stores_them(self):
        with Bench("e2e.setup_sheet.pages") as bench:
            unregister_loopback(bench)
            reset_settings(bench, app_config=0)
            set_value(bench, SETTINGS_KEY, "BufferTime", "REG_DWORD", 2050)
            set_value(bench, SETTINGS_KEY, "ResolutionBits", "REG_DWORD", 22)
            set_value(bench, SETTINGS_KEY, "OutputDeviceSel", "REG_DWORD", 1)
            set_value(bench, SETTINGS_KEY, "AsioDriverString", "REG_SZ", "Gone")

            program = bench.start(ORVANE)
            wait_time_view(bench, "Stop")
            page, topmost, c = open_setup(bench)
            bench.screenshot("page-audio.png")
            self.assertEqual((page, topmost), (0, True))
            # No driver: the list and its panel button are off; 22 bits shows as 32.
            self.assertFalse(c[1003].enabled or c[1040].enabled)
            self.assertEqual([c[i].state for i in range(1041, 1046)], [0, 0, 0, 0, 1])
            self.assertEqual((c[1046].state, c[1047].enabled), (0, False))
            self.assertEqual(c[1047].count, 3)
            # No stored device: the first device after the mapper, when there is one.
            self.assertEqual(c[1002].state, 1 if c[1002].count > 1 else 0)

            page, _, c = go_to_page(bench, c, 1)
            bench.screenshot("page-buffer.png")
            self.assertEqual(page, 1)
            self.assertEqual([c[i].state for i in (1051, 1052, 1053)], [20, 4, 8])
            self.assertEqual([c[i].text for i in (1054, 1055, 1056)], ["2000", "4", "8"])

            page, _, c = go_to_page(bench, c, 2)
            bench.screenshot("page-global.png")
            self.assertEqual(page, 2)
            # AppConfig 0 and the file-start flags' default 0x16.
            self.assertEqual([c[i].state for i in (1013, 1015, 1012, 1016, 1020, 1021, 1017, 1018, 1019)],
                             [0, 0, 0, 1, 1, 1, 0, 0, 0])

            page, _, c = go_to_page(bench, c, 3)
            bench.screenshot("page-icon.png")
            self.assertEqual(page, 3)
            # No "Icons" folder beside the program: only the empty entries.
            self.assertEqual([c[i].count for i in (1024, 1025, 1026)], [1, 1, 1])
            self.assertFalse(c[1022].visible)
            self.assertFalse(any(c[i].enabled for i in (1024, 1025, 1026, 1023)))
            close_sheet(bench, c, IDCANCEL)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            values = stored_values(bench)
            # Cancel writes nothing back but what has no choice: no driver, so MME output.
            self.assertEqual((values["BufferTime"], values["OutputDeviceSel"], values["ResolutionBits"]),
                             ("0x802", "0x0", "0x20"))
            self.assertEqual(values.get("AsioDriverString", ""), "")

            # Again, and OK: the buffer page stores what it shows.
            program = bench.start(ORVANE)
            wait_time_view(bench, "Stop")
            _, _, c = open_setup(bench)
            page, _, c = go_to_page(bench, c, 1)
            self.assertEqual(page, 1)
            close_sheet(bench, c, IDOK)
            # The next opening starts on the page last shown.
            page, _, c = open_setup(bench)
            self.assertEqual(page, 1)
            close_sheet(bench, c, IDCANCEL)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(stored_values(bench)["BufferTime"], "0x7d0")

    def test_close_at_end_chosen_while_a_started_file_plays_ends_this_run(self):
        song = noise_wav(FIXTURES / "noise16-6s.wav", 6, 16)
        with Bench("e2e.setup_sheet.close_at_end") as bench:
            reset_settings(bench, app_config=0)
            program = bench.start(ORVANE, [windows_path(song)])
            wait_time_view(bench, "Play")
            _, _, c = open_setup(bench)
            _, _, c = go_to_page(bench, c, 2)
            self.assertEqual(c[1019].state, 0)
            click(bench, c[1019])
            close_sheet(bench, c, IDOK)
            self.assertEqual(program.wait(30).returncode, 0)
            self.assertEqual(stored_values(bench)["AppConfig"], "0x10")

    def test_triangle_dither_chosen_with_ok_plays_as_predicted_and_cancel_plays_truncated(self):
        song = noise_wav(FIXTURES / "noise24.wav", 3, 24)
        raw, predicted = FIXTURES / "noise24.raw", FIXTURES / "noise24_triangle.raw"
        raw.write_bytes(pcm(song))
        with Bench("e2e.setup_sheet.dither") as bench:
            result = bench.run(BUILD / "tools" / "dither_pcm.exe", [windows_path(raw), windows_path(predicted), "2", "1"])
            self.assertEqual(result.returncode, 0, result.stderr)
            for button, expected in ((IDCANCEL, truncated16(pcm(song))), (IDOK, predicted.read_bytes())):
                with self.subTest(button=button):
                    reset_settings(bench, app_config=0)
                    program = bench.start(ORVANE)
                    wait_time_view(bench, "Stop")
                    _, _, c = open_setup(bench)
                    click(bench, c[IDC_DITHER])
                    _, _, c = probe(bench)
                    # The triangle is the first type, and the change enables Apply.
                    self.assertEqual((c[IDC_DITHER].state, c[1047].enabled, c[1047].state, c[ID_APPLY].enabled),
                                     (1, True, 0, True))
                    close_sheet(bench, c, button)
                    match = find_pcm(play_recorded(bench, f"dither-{button}.raw", song), expected, FRAME)
                    self.assertTrue(match.ok, match.message)
                    self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_asio_driver_and_pairs_change_only_while_nothing_plays(self):
        song, short = noise_wav(FIXTURES / "noise16.wav", 8, 16), noise_wav(FIXTURES / "noise16-2s.wav", 2, 16)
        with Bench("e2e.setup_sheet.asio") as bench:
            capture = bench.artefacts / "capture"
            env = {"ORVANE_LOOPBACK_OUTPUTS": "4", "ORVANE_LOOPBACK_CAPTURE": windows_path(capture),
                   "ORVANE_LOOPBACK_NAMES": "Analog Out 1|Analog Out 2|Analog Out 3|Analog Out 4"}
            bench.run("regsvr32", ["/s", windows_path(LOOPBACK)], timeout=60)
            reset_settings(bench, app_config=0)
            set_value(bench, SETTINGS_KEY, "MmeDeviceString", "REG_SZ", "Nothing like it")
            set_value(bench, SETTINGS_KEY, "BufferTime", "REG_DWORD", 200)
            try:
                program = bench.start(ORVANE, env=env)
                wait_time_view(bench, "Stop")
                bench.run(ORVANE, [windows_path(song)], env=env, timeout=30)
                wait_time_view(bench, "Play")
                _, _, c = open_setup(bench)
                self.assertTrue(c[IDC_ASIO_DRIVER].enabled and c[IDC_CONTROL_PANEL].enabled)
                bench.screenshot("asio-listed.png")
                # No stored driver: an empty name finds the first one.
                self.assertEqual((c[IDC_ASIO_DRIVER].state, c[IDC_ASIO_DRIVER].count), (0, 1))
                # The stored device is gone: the mapper.
                self.assertEqual(c[1002].state, 0)
                click(bench, c[IDC_DITHER])
                close_sheet(bench, c, IDOK)
                remote(bench, "command", ID_STOP)
                wait_time_view(bench, "Stop")
                self.assertEqual(exit_orvane(bench, program).returncode, 0)
                values = stored_values(bench)
                self.assertEqual((values["DitherType"], values["MmeDeviceString"]), ("0x10000", "WAVE MAPPER"))
                self.assertEqual(values.get("AsioDriverString", ""), "")

                # Stopped: the panel opens once for two clicks, and OK builds the pairs.
                program = bench.start(ORVANE, env=env)
                wait_time_view(bench, "Stop")
                _, _, c = open_setup(bench)
                click(bench, c[IDC_CONTROL_PANEL])
                panels = bench.wait_window("^Orvane Loopback$")
                click(bench, c[IDC_CONTROL_PANEL])
                time.sleep(1.0)
                bench.screenshot("control-panel.png")
                self.assertEqual(len(bench.wait_window("^Orvane Loopback$")), len(panels))
                # The panel opens behind the topmost sheet, out of a person's reach.
                bench.run(PROBE, ["dismiss", "Orvane Loopback"], timeout=30)
                wait_for("panel closed", lambda: not bench.xdotool("search", "--onlyvisible", "--name",
                                                                   "^Orvane Loopback$", check=False).strip())
                _, _, c = probe(bench)
                close_sheet(bench, c, IDOK)
                # The second pair of the tray's audio-out submenu plays on channels 2 and 3.
                tray_command(bench, "o")
                bench.xdotool("key", "Down", "Down")
                bench.screenshot("audio-out-pairs.png")
                bench.xdotool("key", "Return")
                time.sleep(0.5)
                bench.run(ORVANE, [windows_path(short)], env=env, timeout=30)
                wait_time_view(bench, "Play")
                wait_time_view(bench, "Stop", timeout=30)
                self.assertEqual(exit_orvane(bench, program).returncode, 0)
                left, right = int32_channels(pcm(short))
                self.assertIn(left, Path(f"{capture}.ch2.raw").read_bytes())
                self.assertIn(right, Path(f"{capture}.ch3.raw").read_bytes())
                self.assertEqual(stored_values(bench)["AsioDriverString"], "Orvane Loopback")
                pairs = reg(bench, "query", SETTINGS_KEY + r"\AsioOutput").stdout
                self.assertIn("Analog Out 1+2", pairs)
                self.assertIn("Analog Out 3+4", pairs)
            finally:
                unregister_loopback(bench)

    def test_icon_set_changes_the_tray_and_survives_a_start_from_another_folder(self):
        # A copy of the program in a folder of its own; every start below runs in the test's
        # folder, as a start by the shell for a file would.
        folder = FIXTURES / "program"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        program_copy = shutil.copy(ORVANE, folder / "Orvane.exe")
        icons = folder / "Icons"
        with Bench("e2e.setup_sheet.icons") as bench:
            reset_settings(bench, app_config=0)
            program = bench.start(program_copy)
            wait_time_view(bench, "Stop")
            _, _, c = open_setup(bench)
            _, _, c = go_to_page(bench, c, 3)
            self.assertEqual([c[i].count for i in (1024, 1025, 1026)], [1, 1, 1])
            click(bench, c[IDC_ICON_FOLDER])
            wait_for("icon folder", icons.is_dir)
            for name, (r, g, b) in ICON_COLOURS.items():
                subprocess.run(["convert", "-size", "16x16", f"xc:rgb({r},{g},{b})", icons / name], check=True)
            close_sheet(bench, c, IDCANCEL)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)

            program = bench.start(program_copy)
            wait_time_view(bench, "Stop")
            builtin = tray_colour(bench, "tray-builtin.png")
            _, _, c = open_setup(bench)
            _, _, c = go_to_page(bench, c, 3)
            self.assertEqual([c[i].count for i in (1024, 1025, 1026)], [3, 3, 3])
            click(bench, c[IDC_USER_ICONS])
            _, _, c = probe(bench)
            self.assertTrue(c[IDC_ICON_NORMAL].enabled and c[IDC_ICON_FLIP].enabled and not c[1026].enabled)
            choose_entry(bench, c[IDC_ICON_NORMAL], 1)
            choose_entry(bench, c[IDC_ICON_FLIP], 2)
            bench.screenshot("page-icon-chosen.png")
            close_sheet(bench, c, IDOK)
            chosen = tray_colour(bench, "tray-user.png")
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            values = stored_values(bench)
            normal = values.get("IconFile0")
            self.assertIn(normal, ICON_COLOURS)
            self.assertEqual({normal, values.get("IconFile1")}, set(ICON_COLOURS))
            self.assertTrue(near(chosen, ICON_COLOURS[normal]), (chosen, normal))

            # Started again from elsewhere: the same icon, and the names are kept.
            program = bench.start(program_copy)
            wait_time_view(bench, "Stop")
            self.assertTrue(near(tray_colour(bench, "tray-restarted.png"), ICON_COLOURS[normal]))
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(stored_values(bench).get("IconFile0"), normal)

            # The file is gone: the built-in icon, and the name is forgotten.
            (icons / normal).unlink()
            program = bench.start(program_copy)
            wait_time_view(bench, "Stop")
            self.assertTrue(near(tray_colour(bench, "tray-file-gone.png"), builtin))
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(stored_values(bench).get("IconFile0", ""), "")


if __name__ == "__main__":
    unittest.main()
