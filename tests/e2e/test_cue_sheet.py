"""The cue sheet as a person uses it: a list loaded from a cue file through the context
menu, Cue Play from the first entry with Enter, Spot Play with Alt+Enter, a file handed
over by a second start cutting in, a missing entry asked about, and the list kept in
Default.cue across a restart."""

import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import Bench, build_arch, prefix_of  # noqa: E402
from shell_helpers import (BUILD, FIXTURES, ORVANE, exit_orvane, noise, plays, reset_settings,  # noqa: E402
                           visible_titles, wait_for, windows_path)

DEFAULT_CUE = prefix_of(build_arch()) / "drive_c" / "users" / "root" / "AppData" / "Roaming" / "Orvane" / "Default.cue"
WINDOW_TEXTS = BUILD / "tools" / "window_texts.exe"

# A first start puts the cue window into the bottom-right corner of the 1024x768 desktop;
# its rows are 13 pixels apart. The floating time view covers the window's lower part.
ROW_X, FIRST_ROW_Y, ROW_HEIGHT = 770, 570, 13
LIST_BOX = (740, 563, 280, 13)  # x, y, width, height of the first row
BLANK_SPOT = (850, 640)
CUE_PLAY_BLUE = "#1464F0"
MISSING_TEXT = ("gone.wav は移動されたか削除されています。\\nCueシートから削除しますか？\\n"
                "(キャンセルでCuePlayがキャンセルされます)")


def write_cue(path, files):
    path.write_bytes(b"".join(windows_path(f).encode() + b",\r\n" for f in files))
    return path


def saved_list():
    """(file name, time text) of each line of Default.cue."""
    lines = DEFAULT_CUE.read_bytes().decode("cp932").split("\r\n")
    return [(line.rsplit(",", 1)[0].rsplit("\\", 1)[-1], line.rsplit(",", 1)[1]) for line in lines if line]


def in_order(test, recorded, files):
    """Each file plays sample for sample, each after the one before."""
    offsets = []
    for f in files:
        match = plays(recorded, f)
        test.assertTrue(match.ok, f"{f.name}: {match.message}")
        offsets.append(match.offset)
    test.assertEqual(offsets, sorted(offsets), [f.name for f in files])


def main_title(bench):
    return next((t for t in visible_titles(bench) if t.startswith("Orvane")), None)


def wait_title(bench, title):
    wait_for(f"the title {title!r}", lambda: main_title(bench) == title, 30)


def wait_stopped(bench):
    """Cue Play over (no suffix) and the engine stopped."""
    wait_for("the end of play", lambda: main_title(bench) == "Orvane" and "Stop" in visible_titles(bench), 60)


def start_orvane(bench):
    program = bench.start(ORVANE)
    wait_for("the cue window", lambda: main_title(bench) == "Orvane")
    return program


def cue_play_from_first(bench):
    bench.xdotool("mousemove", str(ROW_X), str(FIRST_ROW_Y))
    bench.xdotool("click", "1")
    bench.xdotool("key", "Return")
    wait_title(bench, "Orvane - Cue Play")


def drag(bench, from_y, to_y, hold, shot=None):
    """Presses on a row, moves in small steps (so the list sees a drag) and lets go."""
    bench.xdotool("mousemove", str(ROW_X), str(from_y), "mousedown", "1")
    step = 4 if to_y > from_y else -4
    for y in range(from_y + step, to_y, step):
        bench.xdotool("mousemove", str(ROW_X), str(y))
    bench.xdotool("mousemove", str(ROW_X), str(to_y), "sleep", str(hold))
    if shot:
        bench.screenshot(shot)
    bench.xdotool("mouseup", "1")


def rows_in_colour(image, colour, rows=3):
    """Which rows of the list have text pixels of exactly this colour."""
    x, y, w, h = LIST_BOX
    found = []
    for row in range(rows):
        pixels = subprocess.run(["convert", image, "-crop", f"{w}x{h}+{x}+{y + row * ROW_HEIGHT}", "+repage",
                                 "txt:-"], check=True, capture_output=True, text=True).stdout
        if colour in pixels.upper():
            found.append(row)
    return found


class CueSheet(unittest.TestCase):
    def tearDown(self):
        # The prefix is shared: the next program must not find this test's list.
        DEFAULT_CUE.unlink(missing_ok=True)

    def test_a_loaded_list_plays_down_in_order_and_comes_back_after_a_restart(self):
        takes = [noise("cue-take1.wav", 2), noise("cue-take2.wav", 5), noise("cue-take3.wav", 2)]
        cue = write_cue(FIXTURES / "three.cue", takes)
        with Bench("e2e.cue_sheet.play") as bench:
            reset_settings(bench)
            DEFAULT_CUE.unlink(missing_ok=True)
            program = start_orvane(bench)
            bench.xdotool("mousemove", *map(str, BLANK_SPOT))
            bench.xdotool("click", "3")
            bench.xdotool("sleep", "1", "key", "o")
            wait_for("the open dialog", lambda: "Cueファイルを開く" in visible_titles(bench))
            bench.xdotool("type", "--delay", "20", windows_path(cue))
            bench.xdotool("key", "Return")
            wait_for("the dialog to close", lambda: "Cueファイルを開く" not in visible_titles(bench))

            with bench.record("cue-play.raw") as rec:
                cue_play_from_first(bench)
                # Well inside the second, longer take: the first row is selected, the second current.
                bench.xdotool("sleep", "3.5")
                shot = bench.screenshot("cue-play.png")
                self.assertEqual(main_title(bench), "Orvane - Cue Play")
                wait_stopped(bench)
            self.assertEqual(rows_in_colour(shot, CUE_PLAY_BLUE), [1])
            self.assertEqual(rows_in_colour(bench.screenshot("ended.png"), CUE_PLAY_BLUE), [])
            in_order(self, rec.data(), takes)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            # Each take's measured time, rounded up to the next second, a whole one gaining one.
            self.assertEqual(saved_list(), [("cue-take1.wav", "00:03"), ("cue-take2.wav", "00:06"),
                                            ("cue-take3.wav", "00:03")])

            program = start_orvane(bench)
            with bench.record("after-restart.raw") as rec:
                cue_play_from_first(bench)
                wait_stopped(bench)
            in_order(self, rec.data(), takes)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_a_file_handed_over_cuts_in_and_the_list_goes_on_after_it(self):
        takes = [noise("cue-long1.wav", 6), noise("cue-short2.wav", 2), noise("cue-short3.wav", 2)]
        outside = noise("cue-outside.wav", 2)
        with Bench("e2e.cue_sheet.cut_in") as bench:
            reset_settings(bench)
            write_cue(DEFAULT_CUE, takes)
            program = start_orvane(bench)
            with bench.record("cut-in.raw") as rec:
                cue_play_from_first(bench)
                bench.xdotool("sleep", "1.5")
                self.assertEqual(bench.run(ORVANE, [windows_path(outside)], timeout=30).returncode, 0)
                wait_title(bench, "Orvane - Cut In Play")
                bench.screenshot("cut-in.png")
                wait_title(bench, "Orvane - Cue Play")
                wait_stopped(bench)
            recorded = rec.data()
            in_order(self, recorded, [outside, takes[1], takes[2]])
            self.assertFalse(plays(recorded, takes[0]).ok, "the first take played on under the cut-in")
            self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_alt_enter_plays_the_focused_entry_once(self):
        takes = [noise("spot1.wav", 2), noise("spot2.wav", 2), noise("spot3.wav", 2)]
        with Bench("e2e.cue_sheet.spot_play") as bench:
            reset_settings(bench)
            write_cue(DEFAULT_CUE, takes)
            program = start_orvane(bench)
            with bench.record("spot-play.raw") as rec:
                bench.xdotool("mousemove", str(ROW_X), str(FIRST_ROW_Y + ROW_HEIGHT))
                bench.xdotool("click", "1")
                bench.xdotool("key", "alt+Return")
                wait_for("the second entry to play", lambda: "Play" in visible_titles(bench))
                self.assertEqual(main_title(bench), "Orvane")
                wait_stopped(bench)
            recorded = rec.data()
            self.assertTrue(plays(recorded, takes[1]).ok, "the focused entry did not play")
            self.assertFalse(plays(recorded, takes[0]).ok or plays(recorded, takes[2]).ok, "another entry played")
            self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_dragging_an_entry_moves_it_and_the_edge_scrolls_the_list(self):
        entries = [f"Z:\\nowhere\\entry{i:02d}.wav" for i in range(30)]
        names = [e.rsplit("\\", 1)[1] for e in entries]
        with Bench("e2e.cue_sheet.drag") as bench:
            reset_settings(bench)
            DEFAULT_CUE.parent.mkdir(parents=True, exist_ok=True)
            DEFAULT_CUE.write_bytes(b"".join(e.encode() + b",\r\n" for e in entries))
            program = start_orvane(bench)
            # Within the page: the first entry onto the third row.
            drag(bench, FIRST_ROW_Y, FIRST_ROW_Y + 2 * ROW_HEIGHT, hold=0.5)
            # Below the window: the timer scrolls down to the last entry while the button is held.
            drag(bench, FIRST_ROW_Y, 760, hold=3.0, shot="dragging.png")
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            moved = names[1:3] + names[:1] + names[3:]
            self.assertEqual([name for name, _ in saved_list()], moved[1:] + moved[:1])

    def test_a_missing_entry_is_asked_about_and_each_answer_acts(self):
        first, last = noise("cue-before.wav", 1), noise("cue-after.wav", 1)
        gone = FIXTURES / "gone.wav"
        gone.unlink(missing_ok=True)
        # Yes removes the entry and goes on, No skips it and goes on, Cancel ends Cue Play.
        for answer, plays_on, kept in (("y", True, ["cue-before.wav", "cue-after.wav"]),
                                       ("n", True, ["cue-before.wav", "gone.wav", "cue-after.wav"]),
                                       ("Escape", False, ["cue-before.wav", "gone.wav", "cue-after.wav"])):
            with self.subTest(answer), Bench(f"e2e.cue_sheet.missing_{answer}") as bench:
                reset_settings(bench)
                write_cue(DEFAULT_CUE, [first, gone, last])
                program = start_orvane(bench)
                with bench.record("missing.raw") as rec:
                    cue_play_from_first(bench)
                    texts = bench.run(WINDOW_TEXTS, ["Orvane"], timeout=60)
                    self.assertEqual(texts.returncode, 0, "no box titled Orvane")
                    self.assertIn(MISSING_TEXT, texts.stdout.splitlines())
                    bench.screenshot("prompt.png")
                    bench.xdotool("key", answer)
                    wait_stopped(bench)
                self.assertEqual(plays(rec.data(), last).ok, plays_on)
                self.assertEqual(exit_orvane(bench, program).returncode, 0)
                self.assertEqual([name for name, _ in saved_list()], kept)


if __name__ == "__main__":
    unittest.main()
