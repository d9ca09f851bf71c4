"""One instance at a time: a second start hands its file to the running one, also while the
first is still starting, however long an error box holds that up; a record that is not a
path is ignored."""

import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import Bench, wait_for  # noqa: E402
from shell_helpers import (FIXTURES, ORVANE, exit_orvane, noise, plays, remote, reset_settings,  # noqa: E402
                           visible_titles, wait_time_view, windows_path)


class HandOver(unittest.TestCase):
    def test_second_start_hands_over_a_japanese_path_and_exits(self):
        song = noise("日本語 フォルダ名.wav", 3)
        with Bench("e2e.shell_handover.japanese") as bench:
            reset_settings(bench)
            first = bench.start(ORVANE)
            wait_time_view(bench, "Stop")
            with bench.record("handover.raw") as rec:
                second = bench.run(ORVANE, [windows_path(song)], timeout=60)
                wait_time_view(bench, "Play")
                wait_time_view(bench, "Stop", timeout=30)
            self.assertEqual(second.returncode, 0)
            match = plays(rec.data(), song)
            self.assertTrue(match.ok, match.message)
            # A normal start does not close at the end of play.
            self.assertTrue(first.running)
            self.assertEqual(exit_orvane(bench, first).returncode, 0)

    def test_second_start_without_a_file_changes_nothing(self):
        song = noise("keeps-playing.wav", 4)
        with Bench("e2e.shell_handover.nofile") as bench:
            reset_settings(bench, app_config=0)
            with bench.record("nofile.raw") as rec:
                first = bench.start(ORVANE, [windows_path(song)])
                wait_time_view(bench, "Play")
                active = bench.xdotool("getactivewindow", check=False)
                second = bench.run(ORVANE, [], timeout=60)
                self.assertEqual(bench.xdotool("getactivewindow", check=False), active)
                self.assertIn("Play", visible_titles(bench))
                wait_time_view(bench, "Stop", timeout=30)
            self.assertEqual(second.returncode, 0)
            # Played through without a restart.
            match = plays(rec.data(), song)
            self.assertTrue(match.ok, match.message)
            self.assertEqual(exit_orvane(bench, first).returncode, 0)

    def test_two_starts_at_once_leave_one_instance_playing_the_file_handed_over(self):
        one, two = noise("at-once-1.wav", 3), noise("at-once-2.wav", 3)
        with Bench("e2e.shell_handover.atonce") as bench:
            reset_settings(bench, app_config=0)
            with bench.record("atonce.raw") as rec:
                # As the shell starts a program per file when several are opened at once.
                starts = [bench.start(ORVANE, [windows_path(one)]), bench.start(ORVANE, [windows_path(two)])]
                deadline = time.monotonic() + 60
                while all(p.running for p in starts) and time.monotonic() < deadline:
                    time.sleep(0.2)
                remaining = [p for p in starts if p.running]
                self.assertEqual(len(remaining), 1, "not exactly one instance is left")
                handed = [p for p in starts if not p.running][0]
                self.assertEqual(handed.wait(5).returncode, 0)
                time.sleep(4)
            # Whichever won the start, the file of the one that handed over plays last, whole.
            handed_file = two if handed is starts[1] else one
            match = plays(rec.data(), handed_file)
            self.assertTrue(match.ok, match.message)
            self.assertEqual(exit_orvane(bench, remaining[0]).returncode, 0)

    def test_a_file_handed_over_while_the_first_start_shows_an_error_is_not_lost(self):
        """The first start's error box holds up its start-up for as long as nobody answers;
        the second start's file waits for it, or plays there when the first start ends."""
        missing = windows_path(FIXTURES / "moved-away.wav")
        waits, takes_over = noise("waits-for-the-box.wav", 3), noise("takes-over.wav", 3)
        with Bench("e2e.shell_handover.error_box") as bench:
            reset_settings(bench, app_config=0)
            first = bench.start(ORVANE, [missing])
            wait_for("the error box", lambda: "Error - Orvane -" in visible_titles(bench))
            second = bench.start(ORVANE, [windows_path(waits)])
            time.sleep(12)  # longer than any wait a start gives up after
            self.assertTrue(second.running, "the second start gave up")
            with bench.record("waits.raw") as rec:
                bench.screenshot("error-box.png")
                bench.xdotool("key", "Return")
                self.assertEqual(second.wait(30).returncode, 0)
                wait_time_view(bench, "Play")
                wait_time_view(bench, "Stop", timeout=30)
            match = plays(rec.data(), waits)
            self.assertTrue(match.ok, match.message)
            self.assertEqual(exit_orvane(bench, first).returncode, 0)

            first = bench.start(ORVANE, [missing])
            wait_for("the error box", lambda: "Error - Orvane -" in visible_titles(bench))
            with bench.record("takes-over.raw") as rec:
                second = bench.start(ORVANE, [windows_path(takes_over)])
                time.sleep(1)
                first.kill()
                wait_time_view(bench, "Play")
                wait_time_view(bench, "Stop", timeout=30)
            match = plays(rec.data(), takes_over)
            self.assertTrue(match.ok, match.message)
            self.assertEqual(exit_orvane(bench, second).returncode, 0)

    def test_malformed_copy_data_is_ignored_and_the_player_plays_on(self):
        song = noise("undisturbed.wav", 4)
        with Bench("e2e.shell_handover.malformed") as bench:
            reset_settings(bench, app_config=0)
            with bench.record("malformed.raw") as rec:
                player = bench.start(ORVANE, [windows_path(song)])
                wait_time_view(bench, "Play")
                sent = remote(bench, "malformed")
                self.assertIn("Play", visible_titles(bench))
                wait_time_view(bench, "Stop", timeout=30)
            self.assertEqual(sent.returncode, 0, sent.stdout)
            self.assertNotIn("no-answer", sent.stdout)
            self.assertTrue(player.running)
            # Not one record restarted or replaced the file: it played through exactly.
            match = plays(rec.data(), song)
            self.assertTrue(match.ok, match.message)
            self.assertEqual(exit_orvane(bench, player).returncode, 0)


if __name__ == "__main__":
    unittest.main()
