"""Orvane started with files on its command line: what plays, the tray tooltip, the end of
play, what the registry holds afterwards, and files that cannot play."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import Bench  # noqa: E402
from shell_helpers import (ORVANE, exit_orvane, noise, plays, reset_settings, stored_values,  # noqa: E402
                           tooltip_text, visible_titles, wait_for, wait_time_view, windows_path)


class StartWithFile(unittest.TestCase):
    def test_file_plays_its_name_is_the_tooltip_and_the_end_closes_the_program(self):
        song = noise("tooltip.wav", 4)
        with Bench("e2e.shell_start.play") as bench:
            # A first start: by default a start with a file closes at the end of play.
            reset_settings(bench)
            with bench.record("play.raw") as rec:
                program = bench.start(ORVANE, [windows_path(song)])
                wait_time_view(bench, "Play")
                tip = tooltip_text(bench, "tooltip")
                result = program.wait(30)
            self.assertEqual(result.returncode, 0)
            # OCR may read the dot as a comma: letters and digits decide.
            self.assertIn("tooltipwav", "".join(c for c in tip.lower() if c.isalnum()), tip)
            match = plays(rec.data(), song)
            self.assertTrue(match.ok, match.message)
            values = stored_values(bench)
            # Saved at exit, in the values of a start with a file.
            for name in ("AppConfig", "CueWindowPosAss", "TimeViewPosAss", "AssociateConfig", "BufferTime"):
                self.assertIn(name, values)
            self.assertNotIn("WindowConfig", values)

    def test_options_are_ignored_and_only_the_last_file_plays(self):
        first, last = noise("first.wav", 2), noise("last.wav", 2)
        with Bench("e2e.shell_start.last") as bench:
            reset_settings(bench)
            with bench.record("last.raw") as rec:
                result = bench.run(ORVANE, ["/x", windows_path(first), "/Play", windows_path(last), "/q"], timeout=30)
            self.assertEqual(result.returncode, 0)
            match = plays(rec.data(), last)
            self.assertTrue(match.ok, match.message)
            self.assertFalse(plays(rec.data(), first).ok, "the first file played as well")


class FilesThatCannotPlay(unittest.TestCase):
    def test_missing_and_unsupported_files_leave_the_program_running(self):
        unsupported = noise("not-audio.xyz", 1)
        with Bench("e2e.shell_start.bad") as bench:
            reset_settings(bench)
            # A missing file gets the reader's message; an unknown extension fails quietly.
            for name, path, message in (("missing", unsupported.with_name("gone.wav"), True),
                                        ("unsupported", unsupported, False)):
                with self.subTest(name):
                    program = bench.start(ORVANE, [windows_path(path)])
                    shown = wait_for("the time view or a message", lambda: [t for t in visible_titles(bench)
                                                                            if t in ("Stop", "Error - Orvane -")])
                    bench.screenshot(f"{name}.png")
                    self.assertEqual(shown, ["Error - Orvane -"] if message else ["Stop"])
                    if message:
                        bench.xdotool("key", "Return")
                    wait_time_view(bench, "Stop")
                    self.assertTrue(program.running)
                    self.assertEqual(exit_orvane(bench, program).returncode, 0)


if __name__ == "__main__":
    unittest.main()
