"""The tray icon as a person uses it: the popup menu on a right click and its commands, the
blink of a paused file, the keyboard accelerators."""

import os
import re
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import Bench  # noqa: E402
from shell_helpers import (BUILD, IN_TIME_VIEW, IN_TRAY_MENU, ORVANE, TRAY_ICON, TRAY_ICON_BOX,  # noqa: E402
                           exit_orvane, key_at, noise, open_tray_menu, pixel, remote, reset_settings, tooltip_text,
                           tray_command, tray_icon_kind, visible_titles, wait_for, wait_time_view, windows_path)

WINDOW_TEXTS = BUILD / "tools" / "window_texts.exe"
ABOUT_TITLE = "バージョン情報"
SCREEN_CENTRE = ("512", "384")  # the about box centres itself on the desktop

def resource_text(name):
    """A text the version resource is built from."""
    rc = (Path(os.environ["ORVANE_SOURCE"]) / "src" / "resources" / "Orvane.rc").read_text(encoding="utf-8")
    return re.search(rf'#define {name} "([^"]*)"', rc).group(1)


def double_click_tray(bench, shift=False):
    bench.xdotool("mousemove", *map(str, TRAY_ICON))
    if shift:
        bench.xdotool("keydown", "shift")
    bench.xdotool("click", "--repeat", "2", "--delay", "80", "1")
    if shift:
        bench.xdotool("keyup", "shift")
    time.sleep(1.0)


def blink(bench, name, samples=6):
    """The tray icons seen over a few blink periods."""
    kinds = []
    for i in range(samples):
        kinds.append(tray_icon_kind(bench, f"{name}-{i}.png"))
        time.sleep(0.3)
    return kinds


class TrayMenu(unittest.TestCase):
    def test_menu_commands_play_pause_stop_toggle_windows_and_exit(self):
        song = noise("tray.wav", 30)
        with Bench("e2e.shell_tray.menu") as bench:
            reset_settings(bench, app_config=0)
            program = bench.start(ORVANE, [windows_path(song)])
            wait_time_view(bench, "Play")

            open_tray_menu(bench)
            bench.screenshot("tray-menu.png")
            key_at(bench, IN_TRAY_MENU, "Escape")

            self.assertIn("flip", blink(bench, "playing"))

            tray_command(bench, "z")
            wait_time_view(bench, "Pause")
            paused = blink(bench, "paused")
            self.assertIn("blink-off", paused)
            self.assertNotIn("flip", paused)

            tray_command(bench, "p")
            wait_time_view(bench, "Play")
            # Space pauses and resumes while one of our windows has the keyboard.
            key_at(bench, IN_TIME_VIEW, "space")
            wait_time_view(bench, "Pause")
            key_at(bench, IN_TIME_VIEW, "space")
            wait_time_view(bench, "Play")

            tray_command(bench, "s")
            wait_time_view(bench, "Stop")
            self.assertEqual(blink(bench, "stopped", 3), ["normal"] * 3)

            tray_command(bench, "t")
            wait_for("time view closed", lambda: "Stop" not in visible_titles(bench))
            tray_command(bench, "t")
            wait_time_view(bench, "Stop")

            tray_command(bench, "l")
            wait_for("cue window shown", lambda: "Orvane" in visible_titles(bench))
            tray_command(bench, "l")
            wait_for("cue window hidden", lambda: "Orvane" not in visible_titles(bench))

            tray_command(bench, "x")
            self.assertEqual(program.wait(30).returncode, 0)

    def test_ctrl_o_opens_the_open_file_dialog(self):
        with Bench("e2e.shell_tray.open") as bench:
            reset_settings(bench)
            program = bench.start(ORVANE)
            # A first start without a file shows the cue window; a click gives it the keyboard.
            cue = bench.wait_window("^Orvane$")[0]
            bench.xdotool("windowactivate", "--sync", cue, check=False)
            bench.xdotool("mousemove", "--window", cue, "60", "60", "click", "1")
            bench.xdotool("key", "ctrl+o")
            bench.wait_window("^Audioファイルを開く$")
            bench.screenshot("open-dialog.png")

            # The dialog's X window may be replaced while it settles: each try looks it up anew.
            def escape_closed_it():
                if "Audioファイルを開く" not in visible_titles(bench):
                    return True
                for window in bench.xdotool("search", "--onlyvisible", "--name", "^Audioファイルを開く$",
                                            check=False).split():
                    bench.xdotool("key", "--window", window, "Escape", check=False)
                return False
            wait_for("dialog closed by Escape", escape_closed_it)
            self.assertTrue(program.running)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)


class TrayIconAsAPersonFindsIt(unittest.TestCase):
    def test_double_click_toggles_windows_but_only_raises_an_open_about_box(self):
        song = noise("about.wav", 3)
        with Bench("e2e.shell_tray.double_click") as bench:
            # Started with a file: the time view shows, the cue window does not.
            reset_settings(bench, app_config=0)
            program = bench.start(ORVANE, [windows_path(song)])
            wait_time_view(bench, "Play")
            tray_command(bench, "a")
            texts = bench.run(WINDOW_TEXTS, [ABOUT_TITLE], timeout=30)
            bench.screenshot("about.png")
            self.assertEqual(texts.returncode, 0, "no about box")
            lines = texts.stdout.splitlines()
            major, minor, build = re.findall(r"\d+", resource_text("ORVANE_VERSION_TEXT"))[:3]
            self.assertIn(f"{major}.{minor}.{build}", lines)
            self.assertIn(resource_text("ORVANE_BUILD_TEXT"), lines)
            self.assertIn("Orvane Version", lines)

            # The file ends while the box is open; the box still holds the tray back.
            wait_time_view(bench, "Stop", timeout=30)
            double_click_tray(bench)
            self.assertNotIn("Orvane", visible_titles(bench))
            self.assertIn(ABOUT_TITLE, visible_titles(bench))
            key_at(bench, SCREEN_CENTRE, "Return")
            wait_for("about box closed", lambda: ABOUT_TITLE not in visible_titles(bench))

            double_click_tray(bench)
            wait_for("cue window shown", lambda: "Orvane" in visible_titles(bench))
            double_click_tray(bench)
            wait_for("cue window hidden", lambda: "Orvane" not in visible_titles(bench))
            double_click_tray(bench, shift=True)
            wait_for("time view closed", lambda: "Stop" not in visible_titles(bench))
            double_click_tray(bench, shift=True)
            wait_time_view(bench, "Stop")
            self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_icon_comes_back_blinking_with_its_tooltip_and_menu_when_the_taskbar_returns(self):
        song = noise("taskbar.wav", 30)
        with Bench("e2e.shell_tray.taskbar") as bench:
            reset_settings(bench, app_config=0)
            program = bench.start(ORVANE, [windows_path(song)])
            wait_time_view(bench, "Play")
            empty = pixel(bench.screenshot("before.png"), "12x12+900+751")
            self.assertEqual(remote(bench, "tray-gone").returncode, 0)
            wait_for("icon gone", lambda: pixel(bench.screenshot("gone.png"), TRAY_ICON_BOX) == empty, 10)

            self.assertEqual(remote(bench, "taskbar-back").returncode, 0)
            self.assertIn("flip", blink(bench, "back"))
            tip = tooltip_text(bench, "tooltip")
            # OCR reads the extension unreliably: the name decides.
            self.assertIn("taskbar", "".join(c for c in tip.lower() if c.isalnum()), tip)
            # The menu still reaches the program.
            tray_command(bench, "s")
            wait_time_view(bench, "Stop")
            self.assertEqual(exit_orvane(bench, program).returncode, 0)


if __name__ == "__main__":
    unittest.main()
