"""MPEG files through mpglib.dll and libmpg123's DLL beside Orvane.exe: what plays is what
mpg123 decodes from the same file, and a seek lands where the frame it reports says."""

import shutil
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import noise_wav  # noqa: E402
from shell_helpers import BUILD, ORVANE, answer_message, reset_settings  # noqa: E402
from winebench import FRAME, RATE, Bench, find_pcm, pcm_runs, windows_path  # noqa: E402

DIST = BUILD / "dist"
FIXTURES = BUILD / "fixtures" / "mpeg_playback"


def encode(name, seconds, *command):
    """Noise encoded by an outside tool: command with SRC and OUT in place of the paths."""
    source = noise_wav(FIXTURES / f"{name}.wav", seconds, gain_db=-9)
    out = FIXTURES / name
    subprocess.run([str(source) if a == "SRC" else str(out) if a == "OUT" else a for a in command], check=True)
    return out


def reference(path):
    """mpg123's decode of the file, every frame kept (no gapless trimming)."""
    raw = path.with_suffix(path.suffix + ".raw")
    subprocess.run(["mpg123", "-q", "--no-gapless", "--no-infoframe", "-O", raw, path], check=True)
    return raw.read_bytes()


class MpegPlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        ffmpeg = ["ffmpeg", "-v", "error", "-y", "-i", "SRC"]
        cls.files = {
            "mp3": encode("song.mp3", 3, "lame", "--quiet", "-V", "2", "SRC", "OUT"),
            "mp2": encode("song.mp2", 3, *ffmpeg, "-c:a", "mp2", "-b:a", "256k", "OUT"),
            "rmp": encode("song.rmp", 3, *ffmpeg, "-f", "wav", "-c:a", "libmp3lame", "-b:a", "192k", "OUT"),
        }
        cls.long = encode("long.mp3", 8, "lame", "--quiet", "-b", "128", "-t", "SRC", "OUT")
        cls.bench = Bench("e2e.test_mpeg_playback").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def test_files_given_on_the_command_line_play_as_mpg123_decodes_them(self):
        reset_settings(self.bench)  # a start with a file closes at the end of play
        for kind, path in self.files.items():
            with self.subTest(kind):
                with self.bench.record(f"{kind}.raw") as rec:
                    result = self.bench.run(ORVANE, [windows_path(path)], timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                match = find_pcm(rec.data(), reference(path), FRAME)
                self.assertTrue(match.ok, match.message)

    def test_seek_lands_on_the_frame_it_reports(self):
        # The engine's test tool plays through the same reader; mpglib.dll is found on the path.
        target = 4 * RATE
        with self.bench.record("seek.raw") as rec:
            result = self.bench.run(BUILD / "tools" / "play_file.exe",
                                    [windows_path(self.long), "--buffer-time", "200", "--seek-at", "1500",
                                     "--seek-to", str(target)], timeout=60, env={"WINEPATH": windows_path(DIST)})
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        runs = [run for run in pcm_runs(rec.data(), reference(self.long), FRAME) if run[2] >= RATE // 20]
        self.assertGreaterEqual(len(runs), 2, runs)
        # After the jump the decoder settles within a few frames, then plays exactly; the
        # heard position is the reported frame (within the first few settling frames).
        jumped = [run for run in runs if run[1] >= target - RATE // 10]
        self.assertTrue(jumped, runs)
        self.assertLessEqual(jumped[0][1], target + 6 * 1152)

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
