"""The tray icon as a person uses it: the popup menu on a right click and its commands, the
blink of a paused file, the keyboard accelerators."""

import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import Bench  # noqa: E402
from shell_helpers import (IN_TIME_VIEW, IN_TRAY_MENU, ORVANE, exit_orvane, key_at, noise,  # noqa: E402
                           open_tray_menu, reset_settings, tray_command, tray_icon_kind, visible_titles, wait_for, wait_time_view,
                           windows_path)

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
            dialog = bench.wait_window("^Audioファイルを開く$")
            bench.screenshot("open-dialog.png")
            bench.xdotool("key", "--window", dialog[0], "Escape")
            wait_for("dialog closed", lambda: "Audioファイルを開く" not in visible_titles(bench))
            self.assertTrue(program.running)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)


if __name__ == "__main__":
    unittest.main()
