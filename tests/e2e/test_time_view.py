"""The time view as a person uses it: a cue position typed or dragged and played from, jog
around it heard in the recording, the running play time in its display formats, and the
window docked into the cue sheet window and dragged out again (screenshots of each); jog
snippets of decoders that hand out blocks hold nothing from before the jump."""

import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import pcm  # noqa: E402
from winebench import FRAME, RATE, Bench, pcm_runs  # noqa: E402
from shell_helpers import (BUILD, ORVANE, answer_message, exit_orvane, noise, remote,  # noqa: E402
                           reset_settings, wait_for, wait_time_view, windows_path)

PROBE = BUILD / "tools" / "time_view_probe.exe"
DISPLAY, EDIT, SEEKBAR, PLAY, STOP, JOG, INST = "1000", "1004", "1050", "1008", "1006", "1007", "1009"
ID_TIMEVIEW = 32780
SNIPPET = RATE // 5  # what jog repeats
# Wine may lose the first tenth of a second of a new stream.
LOST_AT_START = RATE * 15 // 100


def probe(bench):
    """name -> (x, y, w, h, flag, text) of the view, the main dialog's client area and each
    control, in screen pixels."""
    out = bench.run(PROBE, timeout=30).stdout
    found = {}
    for line in out.splitlines():
        parts = line.split(" ", 6)
        if len(parts) >= 6:
            found[parts[0]] = (*map(int, parts[1:6]), parts[6] if len(parts) > 6 else "")
    return found


def centre(box, dx=None):
    x, y, w, h = box[:4]
    return x + (w // 2 if dx is None else dx), y + h // 2


def click(bench, point, button="1"):
    bench.xdotool("mousemove", *map(str, point))
    time.sleep(0.2)
    bench.xdotool("click", button)
    time.sleep(0.3)


def drag(bench, start, path, down=True, up=True):
    """Presses at start, moves through the points of path, releases at the last."""
    bench.xdotool("mousemove", *map(str, start))
    time.sleep(0.2)
    if down:
        bench.xdotool("mousedown", "1")
    for point in path:
        time.sleep(0.15)
        bench.xdotool("mousemove", *map(str, point))
    time.sleep(0.4)
    if up:
        bench.xdotool("mouseup", "1")
        time.sleep(0.8)


def cue_frames(edit_text):
    """The time edit's text (minutes, seconds, CD frames as digit pairs) in frames."""
    m, s, f = int(edit_text[:-4]), int(edit_text[-4:-2]), int(edit_text[-2:])
    return (m * 60 + s) * RATE + f * RATE // 75


def runs_of(recorded, song):
    return pcm_runs(recorded, pcm(song), FRAME, join_gaps=RATE // 8)


class TimeViewPlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.song = noise("time_view.wav", 12)
        cls.bench = Bench("e2e.test_time_view").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def start(self):
        reset_settings(self.bench, app_config=0)  # the program stays when play ends
        program = self.bench.start(ORVANE, [windows_path(self.song)])
        wait_time_view(self.bench, "Play")
        wait_for("the cue entry enabled", lambda: probe(self.bench)[EDIT][4] == 1)
        return program

    def type_cue(self, digits):
        controls = probe(self.bench)
        click(self.bench, centre(controls[EDIT], dx=8))  # the minutes field
        for d in digits:
            self.bench.xdotool("key", d)
        time.sleep(0.3)
        return probe(self.bench)[EDIT][5]

    def assertPlaysFrom(self, recorded, frame):
        last = runs_of(recorded, self.song)[-1]
        self.assertGreaterEqual(last[1], frame, last)
        self.assertLessEqual(last[1], frame + LOST_AT_START, last)
        self.assertGreater(last[2], RATE, last)

    def test_typed_and_dragged_cue_positions_play_from_there(self):
        bench = self.bench
        program = self.start()
        self.assertEqual(self.type_cue("000500"), "000500")
        with bench.record("typed.raw") as rec:
            click(bench, centre(probe(bench)[PLAY]))
            time.sleep(2.5)
        bench.screenshot("typed.png")
        self.assertPlaysFrom(rec.data(), 5 * RATE)

        bar = probe(bench)[SEEKBAR]
        thumb = centre(bar, dx=round(bar[2] * 5 / 12))  # the thumb stands at 5 of 12 s
        drag(bench, thumb, [(thumb[0] + 10 * i, thumb[1]) for i in range(1, 5)])
        cue = cue_frames(probe(bench)[EDIT][5])
        self.assertGreater(cue, 6 * RATE)
        with bench.record("dragged.raw") as rec:
            click(bench, centre(probe(bench)[PLAY]))
            time.sleep(2.5)
        self.assertPlaysFrom(rec.data(), cue)
        self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_jog_repeats_the_snippet_before_the_cue_position_play_goes_on_and_inst_jogs_there(self):
        bench = self.bench
        program = self.start()
        self.type_cue("000300")
        controls = probe(bench)
        with bench.record("jog.raw") as rec:
            click(bench, centre(controls[JOG]))
            time.sleep(2.0)
        bench.screenshot("jogging.png")
        jog_point = 3 * RATE - 2 * RATE // 10
        repeats = [r for r in runs_of(rec.data(), self.song) if r[1] == jog_point and r[2] > SNIPPET // 2]
        self.assertGreaterEqual(len(repeats), 3, runs_of(rec.data(), self.song))

        # Ten notches towards the user move the cue position, and the snippet, by 10/75 s.
        bench.xdotool("mousemove", *map(str, centre(controls[DISPLAY])))
        for _ in range(10):
            bench.xdotool("click", "5")
        time.sleep(0.5)
        self.assertEqual(probe(bench)[EDIT][5], "000310")
        moved = jog_point + 10 * RATE // 75
        with bench.record("jog_moved.raw") as rec:
            time.sleep(1.5)
        repeats = [r for r in runs_of(rec.data(), self.song) if r[1] == moved and r[2] > SNIPPET // 2]
        self.assertGreaterEqual(len(repeats), 3, runs_of(rec.data(), self.song))

        with bench.record("jog_play.raw") as rec:
            click(bench, centre(controls[PLAY]))
            time.sleep(2.5)
        last = runs_of(rec.data(), self.song)[-1]
        self.assertLessEqual(abs(last[1] - moved), SNIPPET, last)
        self.assertGreater(last[2], RATE, last)
        self.assertEqual(probe(bench)[JOG][5], "&Jog")

        # Inst jogs at the play position, which becomes the cue position.
        with bench.record("inst.raw") as rec:
            click(bench, centre(controls[INST]))
            time.sleep(1.5)
        start = cue_frames(probe(bench)[EDIT][5]) - SNIPPET
        repeats = [r for r in runs_of(rec.data(), self.song) if start <= r[1] < start + RATE // 75 and r[2] > SNIPPET // 2]
        self.assertGreaterEqual(len(repeats), 3, (start, runs_of(rec.data(), self.song)))
        self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_jog_ticked_for_a_file_that_was_moved_leaves_no_jog_and_play_plays_the_file_again(self):
        bench = self.bench
        program = self.start()
        click(bench, centre(probe(bench)[STOP]))
        wait_time_view(bench, "Stop")
        moved = self.song.with_name("time_view_moved.wav")
        self.song.rename(moved)
        try:
            click(bench, centre(probe(bench)[JOG]))  # its Play cannot open the file
            answer_message(bench, program, "Error - Orvane -", "moved.png")
        finally:
            moved.rename(self.song)
        # No jog is held: Play starts the file, which plays on past a snippet's length.
        with bench.record("after_moved.raw") as rec:
            click(bench, centre(probe(bench)[PLAY]))
            wait_time_view(bench, "Play")
            time.sleep(2.0)
        bench.screenshot("played_after_moved.png")
        self.assertGreater(runs_of(rec.data(), self.song)[-1][2], RATE, runs_of(rec.data(), self.song))
        self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_play_time_advances_in_each_display_format_and_the_menu_hides_title_and_seek_bar(self):
        bench = self.bench
        program = self.start()
        first = probe(bench)[DISPLAY][5]
        time.sleep(1.0)
        second = probe(bench)[DISPLAY][5]
        self.assertRegex(first, r"^\d\d:\d\d\.\d\d$")
        self.assertGreater(second, first)
        bench.screenshot("playing.png")
        formats = [r"^\d\d:\d\d$", r"^\d\d:\d\d\.[0-7]\d$", r"^\d\d:\d\d\.[0-2]\d$", r"^\d\d:\d\d\.\d\d$"]
        for mode, pattern in enumerate(formats):
            with self.subTest(mode=mode):
                # The context menu's last item opens the display formats.
                click(bench, centre(probe(bench)[DISPLAY]), button="3")
                for key in ["Up", "Right"] + ["Down"] * mode + ["Return"]:
                    bench.xdotool("key", key)
                    time.sleep(0.2)
                time.sleep(0.3)
                bench.screenshot(f"mode{mode}.png")
                self.assertRegex(probe(bench)[DISPLAY][5], pattern)

        # The first two items hide the title bar (the client area stays where it is) and
        # the seek bar row (the bottom-right corner stays); chosen again they come back.
        full = probe(bench)
        bottom = lambda v: v[1] + v[3]  # noqa: E731
        for item in (1, 2):
            with self.subTest(item=item):
                for shown in (False, True):
                    click(bench, centre(probe(bench)[DISPLAY]), button="3")
                    for key in ["Down"] * item + ["Return"]:
                        bench.xdotool("key", key)
                        time.sleep(0.2)
                    time.sleep(0.5)
                    found = probe(bench)
                    bench.screenshot(f"item{item}-{'shown' if shown else 'hidden'}.png")
                    self.assertEqual(bottom(found["view"]), bottom(full["view"]))
                    self.assertEqual(found["view"][3] == full["view"][3], shown, found["view"])
                    if item == 1:
                        self.assertEqual(found[DISPLAY][:2], full[DISPLAY][:2])
        self.assertEqual(exit_orvane(bench, program).returncode, 0)


class JogSnippets(unittest.TestCase):
    """Jog through the engine and the MME device, as the time view drives it, on readers that
    decode in blocks of their own: each snippet holds nothing decoded before the jump."""
    JOG_TO = RATE + 333
    KINDS = {"flac": (["flac", "-s", "-f", "-o", "OUT", "SRC"], 0),
             "wma": (["ffmpeg", "-v", "error", "-y", "-i", "SRC", "-c:a", "wmav2", "OUT"], 2)}

    @classmethod
    def setUpClass(cls):
        source = noise("jog.wav", 4)
        cls.files = {}
        for kind, (encode, tolerance) in cls.KINDS.items():
            path = source.with_suffix(f".{kind}")
            subprocess.run([str(path) if a == "OUT" else str(source) if a == "SRC" else a for a in encode], check=True)
            cls.files[kind] = (path, tolerance)
        cls.bench = Bench("e2e.test_time_view.jog").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def run_tool(self, tool, *args):
        result = self.bench.run(BUILD / "tools" / tool, [str(a) for a in args], timeout=60,
                                env={"WINEPATH": windows_path(BUILD / "dist")})
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_every_snippet_is_a_fifth_of_a_second_from_the_jog_point_and_play_goes_on_there(self):
        for kind, (path, tolerance) in self.files.items():
            with self.subTest(kind):
                # What the reader gives from the jog point (WMA lands a little after it).
                out = path.with_suffix(f".{kind}-from-jog.raw")
                self.run_tool("decode_file.exe", windows_path(path), windows_path(out), "--seek", self.JOG_TO)
                with self.bench.record(f"jog-{kind}.raw") as rec:
                    self.run_tool("play_file.exe", windows_path(path), "--buffer-time", 200, "--jog-at", 700,
                                  "--jog-to", self.JOG_TO, "--jog-for", 1500)
                runs = pcm_runs(rec.data(), out.read_bytes(), FRAME, join_gaps=RATE // 8, tolerance=tolerance)
                # From the first snippet on, every run starts at the jog point: the snippets
                # over and over, then play from there.
                jogged = next((i for i, run in enumerate(runs) if run[1] == 0), len(runs))
                self.assertTrue(runs[jogged:] and all(run[1] == 0 for run in runs[jogged:]), runs)
                snippets, resumed = [run[2] for run in runs[jogged:-2]], runs[-1]
                self.assertGreaterEqual(len(snippets), 3, runs)
                # Audio from before a jump would shorten every snippet; the sound server may
                # drop the tail of one where a reset cuts its stream.
                self.assertEqual(max(snippets), SNIPPET, runs)
                self.assertGreater(resumed[2], RATE, runs)


class Docking(unittest.TestCase):
    def test_dragged_into_the_band_it_docks_and_dragged_out_it_floats(self):
        with Bench("e2e.test_time_view.dock") as bench:
            reset_settings(bench)  # cue sheet window and time view shown, floating
            program = bench.start(ORVANE)
            wait_time_view(bench, "Stop")
            found = probe(bench)
            view, main = found["view"], found["main"]
            self.assertEqual(view[4], 0)
            caption = (view[0] + 30, view[1] + 6)
            # At exactly y = 40 of the cue window's client area no frame shows; above it one does.
            band_edge = (main[0] + 60, main[1] + 40)
            drag(bench, caption, [(caption[0] - 100, caption[1] - 100), band_edge], up=False)
            bench.screenshot("band-edge.png")
            self.assertEqual(probe(bench)["main"][4], 0)
            drag(bench, band_edge, [(band_edge[0], band_edge[1] - 20)], down=False, up=False)
            bench.screenshot("drop-frame.png")
            self.assertEqual(probe(bench)["main"][4], 1)
            bench.xdotool("mouseup", "1")
            time.sleep(1.0)
            found = probe(bench)
            bench.screenshot("docked.png")
            self.assertEqual(found["view"][4], 1)
            self.assertEqual(found["view"][:2], found["main"][:2])
            self.assertEqual(found["main"][4], 0)

            # Closed while docked, it opens docked again.
            remote(bench, "command", ID_TIMEVIEW)
            time.sleep(0.5)
            remote(bench, "command", ID_TIMEVIEW)
            time.sleep(1.0)
            found = probe(bench)
            self.assertEqual(found["view"][4], 1)

            # A press on the play time (the window's background) and a drag undock it.
            docked = found["view"]
            start = centre(found[DISPLAY])
            drop = (start[0] - 300, start[1] - 250)
            drag(bench, start, [(start[0] + 8, start[1] + 8), (start[0] - 100, start[1] - 100), drop])
            found = probe(bench)
            bench.screenshot("undocked.png")
            self.assertEqual(found["view"][4], 0)
            self.assertEqual(found["main"][4], 0)
            self.assertLess(abs(found["view"][0] - (drop[0] - (start[0] - docked[0]))), 40, found["view"])
            self.assertEqual(exit_orvane(bench, program).returncode, 0)


if __name__ == "__main__":
    unittest.main()
