"""MPEG files through mpglib.dll and libmpg123's DLL beside Orvane.exe: what plays is what
mpg123 decodes from the same file, gapless (LAME's encoder delay and padding left out), a
seek lands exactly on the frame it reports, a cue position typed into the time view plays
from exactly that frame, and two LAME files in Cue Play join without the encoder's silence.

libmpg123 picks its synthesis code by CPU at run time, and each rounds a little otherwise
(the DLL of the 32-bit build against this machine's native mpg123, say): the PCM is held to
within 1 LSB, the accuracy MPEG decoders are held to, and the share that is exact is shown."""

import shutil
import subprocess
import sys
import time
import unittest
from array import array
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import noise_wav  # noqa: E402
from shell_helpers import BUILD, ORVANE, answer_message, exit_orvane, reset_settings, wait_for, wait_time_view  # noqa: E402,E501
from test_cue_sheet import DEFAULT_CUE, cue_play_from_first, saved_list, start_orvane, wait_stopped, write_cue  # noqa: E402,E501
from test_time_view import EDIT, JOG, LOST_AT_START, PLAY, SNIPPET, centre, click, probe  # noqa: E402
from winebench import FRAME, RATE, Bench, near_pcm, pcm_runs, windows_path  # noqa: E402

DIST = BUILD / "dist"
DECODE = BUILD / "tools" / "decode_file.exe"
FIXTURES = BUILD / "fixtures" / "mpeg_playback"


def encode(name, seconds, *command):
    """Noise encoded by an outside tool: command with SRC and OUT in place of the paths."""
    source = noise_wav(FIXTURES / f"{name}.wav", seconds, gain_db=-9)
    out = FIXTURES / name
    subprocess.run([str(source) if a == "SRC" else str(out) if a == "OUT" else a for a in command], check=True)
    return out


def reference(path):
    """mpg123's decode of the file, gapless as it decodes by default."""
    raw = path.with_suffix(path.suffix + ".raw")
    subprocess.run(["mpg123", "-q", "-O", raw, path], check=True)
    return raw.read_bytes()


def printed(result):
    """What a test tool printed, as "name value" lines."""
    return dict(line.split(" ", 1) for line in result.stdout.splitlines() if " " in line)


def within(got, want):
    """(worst sample difference, share exact) of two PCM strings of the same length."""
    a, b = array("h", got), array("h", want)
    differences = [abs(x - y) for x, y in zip(a, b)]
    return max(differences, default=0), sum(d == 0 for d in differences) / max(1, len(differences))


def replay_only(gap, played):
    """Whether a gap holds digital silence but for what the sound server may replay where a
    stream is cut: the last frames of the stream before it, again."""
    sounding = [i for i in range(0, len(gap), FRAME) if any(gap[i:i + FRAME])]
    if not sounding:
        return True
    sound = gap[sounding[0]:sounding[-1] + FRAME]
    return len(sound) <= len(played) and within(sound, played[-len(sound):])[0] <= 1


def runs_of(recorded, expected):
    return [run for run in pcm_runs(recorded, expected, FRAME, join_gaps=RATE // 8, tolerance=1)
            if run[2] >= RATE // 20]


class MpegPlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        ffmpeg = ["ffmpeg", "-v", "error", "-y", "-i", "SRC"]
        cls.files = {
            "mp3": encode("song.mp3", 3, "lame", "--quiet", "-V", "2", "SRC", "OUT"),
            "mp2": encode("song.mp2", 3, *ffmpeg, "-c:a", "mp2", "-b:a", "256k", "OUT"),
            "rmp": encode("song.rmp", 3, *ffmpeg, "-f", "wav", "-c:a", "libmp3lame", "-b:a", "192k", "OUT"),
        }
        cls.long = encode("long.mp3", 12, "lame", "--quiet", "-V", "2", "SRC", "OUT")
        cls.bench = Bench("e2e.test_mpeg_playback").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def test_files_given_on_the_command_line_play_as_mpg123_decodes_them(self):
        reset_settings(self.bench)  # a start with a file closes at the end of play
        for kind, path in self.files.items():
            with self.subTest(kind):
                want = reference(path)
                # The reader alone, to the last sample: as long as mpg123's decode.
                decoded = FIXTURES / f"{kind}.decoded.raw"
                result = self.bench.run(DECODE, [windows_path(path), windows_path(decoded)], timeout=60,
                                        env={"WINEPATH": windows_path(DIST)})
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertEqual(printed(result)["format"], f"1 44100 16 2 {len(want) // FRAME}")
                got = decoded.read_bytes()
                self.assertEqual(len(got), len(want))
                worst, exact = within(got, want)
                self.assertLessEqual(worst, 1)
                # And played.
                with self.bench.record(f"{kind}.raw") as rec:
                    result = self.bench.run(ORVANE, [windows_path(path)], timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                near = near_pcm(rec.data(), want)
                self.assertTrue(near and near.worst <= 1, near)
                print(f"{kind}: decoded within {worst} LSB of mpg123 ({exact:.2%} exact), played within "
                      f"{near.worst} LSB ({near.exact:.2%} exact)")

    def test_seek_lands_on_the_frame_it_reports(self):
        # The engine's test tool plays through the same reader; mpglib.dll is found on the path.
        target = 4 * RATE + 123
        want = reference(self.long)
        with self.bench.record("seek.raw") as rec:
            result = self.bench.run(BUILD / "tools" / "play_file.exe",
                                    [windows_path(self.long), "--buffer-time", "200", "--seek-at", "1500",
                                     "--seek-to", str(target)], timeout=60, env={"WINEPATH": windows_path(DIST)})
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        runs = runs_of(rec.data(), want)
        self.assertGreaterEqual(len(runs), 2, runs)
        # The first sample after the jump is the frame reported, within 1 LSB, and from there
        # the device counts to the file's last frame.
        jumped = [run for run in runs if run[1] >= target - RATE // 10]
        self.assertTrue(jumped, runs)
        self.assertEqual(jumped[0][1], target, runs)
        self.assertEqual(printed(result)["end_position"], str(len(want) // FRAME))
        print(f"after the seek to {target} the PCM is within 1 LSB of mpg123's from frame {jumped[0][1]} on")

    def test_a_cue_position_typed_on_a_vbr_file_plays_from_exactly_that_frame(self):
        bench = self.bench
        want = reference(self.long)
        reset_settings(bench, app_config=0)  # the program stays when play ends
        program = bench.start(ORVANE, [windows_path(self.long)])
        wait_time_view(bench, "Play")
        wait_for("the cue entry enabled", lambda: probe(bench)[EDIT][4] == 1)
        click(bench, centre(probe(bench)[EDIT], dx=8))  # the minutes field
        for key in "000737":  # 7 s and 37 CD frames
            bench.xdotool("key", key)
        time.sleep(0.3)
        cue = 7 * RATE + 37 * RATE // 75
        with bench.record("typed.raw") as rec:
            click(bench, centre(probe(bench)[PLAY]))
            time.sleep(2.5)
        last = runs_of(rec.data(), want)[-1]
        self.assertGreaterEqual(last[1], cue, last)
        self.assertLessEqual(last[1], cue + LOST_AT_START, last)
        self.assertGreater(last[2], RATE, last)
        # Jog repeats the fifth of a second before the cue position: each repeat, a seek the
        # engine makes without the zero-byte read, starts on exactly that frame.
        with bench.record("jog.raw") as rec:
            click(bench, centre(probe(bench)[JOG]))
            time.sleep(2.0)
        bench.screenshot("jogging.png")
        runs = runs_of(rec.data(), want)
        repeats = [run for run in runs if run[1] == cue - SNIPPET and run[2] > SNIPPET // 2]
        self.assertGreaterEqual(len(repeats), 3, runs)
        self.assertEqual(exit_orvane(bench, program).returncode, 0)

    def test_two_lame_files_in_cue_play_join_without_the_encoders_silence(self):
        bench = self.bench
        # 2.98 s each: counted with the encoder's delay and padding, a take would be measured
        # past 3 s, as 00:04.
        takes = [encode(f"take{i}.mp3", 2.98, "lame", "--quiet", "-V", "2", "SRC", "OUT") for i in (1, 2)]
        wants = [reference(take) for take in takes]
        reset_settings(bench)
        try:
            DEFAULT_CUE.parent.mkdir(parents=True, exist_ok=True)
            write_cue(DEFAULT_CUE, takes)  # the list the cue window opens with
            program = start_orvane(bench)
            with bench.record("cue-play.raw") as rec:
                cue_play_from_first(bench)
                wait_stopped(bench)
            recorded = rec.data()
            first, second = runs_of(recorded, wants[0]), runs_of(recorded, wants[1])
            self.assertTrue(first and second, (first, second))
            # The first take plays to its last sample and the second from its first (as much
            # of it as a new stream keeps); between them the recording holds digital
            # silence: no padding after the one, no delay before the other.
            end = first[-1][0] + first[-1][2]
            self.assertEqual(first[-1][1] + first[-1][2], len(wants[0]) // FRAME, first)
            self.assertLessEqual(second[0][1], LOST_AT_START, second)
            self.assertGreater(second[0][0], end)
            self.assertTrue(replay_only(recorded[end * FRAME:second[0][0] * FRAME], wants[0]), (first, second))
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(saved_list(), [("take1.mp3", "00:03"), ("take2.mp3", "00:03")])
            print(f"the takes join across {(second[0][0] - end) * 1000 // RATE} ms of digital silence, the second "
                  f"heard from its frame {second[0][1]}")
        finally:
            DEFAULT_CUE.unlink(missing_ok=True)

    def test_missing_decoder_library_is_reported_and_the_player_stays_usable(self):
        alone = FIXTURES / "alone"
        alone.mkdir(exist_ok=True)
        shutil.copy(ORVANE, alone / "Orvane.exe")
        reset_settings(self.bench)
        program = self.bench.start(alone / "Orvane.exe", [windows_path(self.files["mp3"])])
        try:
            answer_message(self.bench, program, "Orvane", "missing.png")
        finally:
            program.kill()


if __name__ == "__main__":
    unittest.main()
