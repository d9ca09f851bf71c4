"""The setup sheet "設定" as a person uses it from the tray: what its pages show of the
stored settings, what OK, Apply and Cancel leave in the registry, what a played file then
sounds like, and the tray icon sets."""

import sys
import time
import unittest
from collections import namedtuple
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import Bench  # noqa: E402
from shell_helpers import (BUILD, ORVANE, SETTINGS_KEY, exit_orvane, reg, reset_settings,  # noqa: E402
                           stored_values, tray_command, wait_time_view, windows_path)

PROBE = BUILD / "tools" / "setup_probe.exe"
LOOPBACK = BUILD / "tests" / "win" / "OrvaneAsioLoopback.dll"
IDOK, IDCANCEL, ID_APPLY = 1, 2, 0x3021
Control = namedtuple("Control", "cls enabled visible state count left top right bottom text")


def set_value(bench, name, kind, data, key=SETTINGS_KEY):
    reg(bench, "add", key, "/v", name, "/t", kind, "/d", str(data), "/f")


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


def unregister_loopback(bench):
    bench.run("regsvr32", ["/s", "/u", windows_path(LOOPBACK)], timeout=60)


class SetupSheet(unittest.TestCase):
    def test_pages_show_the_stored_settings_and_only_ok_stores_them(self):
        with Bench("e2e.setup_sheet.pages") as bench:
            unregister_loopback(bench)
            reset_settings(bench, app_config=0)
            set_value(bench, "BufferTime", "REG_DWORD", 2050)
            set_value(bench, "ResolutionBits", "REG_DWORD", 22)
            set_value(bench, "OutputDeviceSel", "REG_DWORD", 1)
            set_value(bench, "AsioDriverString", "REG_SZ", "Gone")

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
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(stored_values(bench)["BufferTime"], "0x7d0")


if __name__ == "__main__":
    unittest.main()
