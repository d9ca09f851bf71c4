"""WMA files through the Windows Media Format runtime (Wine's decodes with GStreamer's libav
plug-in, the same decoder as ffmpeg's): the reader delivers the runtime's first output in
WAVEFORMATEX form, extensible or not, as integer PCM, what ffmpeg decodes within 1 LSB (both
decode in floating point and round to 16 bits on their own), the player plays it so from the command line, a seek lands within a
block after the frame asked for, and a missing runtime or a file it refuses is reported."""

import subprocess
import sys
import unittest
from array import array
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import noise_wav  # noqa: E402
from shell_helpers import BUILD, ORVANE, answer_message, reset_settings  # noqa: E402
from winebench import FRAME, RATE, Bench, near_pcm, windows_path  # noqa: E402

FIXTURES = BUILD / "fixtures" / "wma_playback"
DECODE = BUILD / "tools" / "decode_file.exe"
FFMPEG = ["ffmpeg", "-v", "error", "-y"]
SECONDS = 3
BLOCK = 2048  # frames of a WMA block at 44.1 kHz; 1024 at 22.05 kHz
# The encoder's kinds, with the format the runtime decodes them to and its lead: the runtime
# delivers the stream from its first block, ffmpeg's decode starts two blocks later. The
# runtime's conversion to 16 bits dithers: two decodes of one file differ by up to 2 LSB,
# either one from ffmpeg's by at most 1. "video" is an ASF file whose first stream is a
# picture stream; "pcm-6ch" one of six-channel PCM, which the runtime hands out in the
# extensible form.
KINDS = {
    "wmav1": (["-i", "SRC", "-c:a", "wmav1"], RATE, 2, 2 * BLOCK),
    "wmav2": (["-i", "SRC", "-c:a", "wmav2"], RATE, 2, 2 * BLOCK),
    "wmav2-mono-22k": (["-i", "SRC", "-ac", "1", "-ar", "22050", "-c:a", "wmav2"], 22050, 1, BLOCK),
    "video": (["-f", "lavfi", "-i", "testsrc=size=64x48:rate=10", "-i", "SRC", "-map", "0:v", "-map", "1:a",
               "-c:v", "wmv2", "-c:a", "wmav2", "-shortest"], RATE, 2, 2 * BLOCK),
    "pcm-6ch": (["-i", "SRC", "-ac", "6", "-c:a", "pcm_s16le", "-f", "asf"], RATE, 6, 0),
}


def frame_distance(whole, part, whole_at, part_at, frames):
    """The largest sample difference of frames frames of part from part_at, against whole
    from whole_at."""
    a = array("h", whole[whole_at * FRAME:(whole_at + frames) * FRAME])
    b = array("h", part[part_at * FRAME:(part_at + frames) * FRAME])
    return max(abs(x - y) for x, y in zip(a, b)) if len(a) == len(b) == frames * 2 else 1 << 16


def worst_difference(got, want, channels, lead):
    """The largest sample difference where the two overlap, with want starting lead frames
    into got, and how many frames of want got covers."""
    got, want = array("h", got[:len(got) // 2 * 2]), array("h", want)
    covered = min(len(want), len(got) - lead * channels)
    return max(abs(got[lead * channels + i] - want[i]) for i in range(covered)), covered // channels


class WmaPlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        FIXTURES.mkdir(parents=True, exist_ok=True)
        source = noise_wav(FIXTURES / "noise.wav", SECONDS, gain_db=-9)
        cls.files = {}
        for kind, (options, *_) in KINDS.items():
            path = FIXTURES / f"{kind}.wma"
            subprocess.run(FFMPEG + [str(source) if a == "SRC" else a for a in options] + [str(path)], check=True)
            reference = subprocess.run(FFMPEG + ["-i", str(path), "-map", "0:a", "-f", "s16le", "-"],
                                       check=True, capture_output=True).stdout
            cls.files[kind] = (path, reference)
        cls.bench = Bench("e2e.test_wma_playback").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def decode(self, kind, *args):
        """The reader's PCM of one file and what the decode tool printed, as a dict."""
        out = FIXTURES / f"{kind}{'-'.join(args)}.raw"
        result = self.bench.run(DECODE, [windows_path(self.files[kind][0]), windows_path(out), *args], timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        printed = dict(line.split(" ", 1) for line in result.stdout.splitlines())
        return out.read_bytes(), printed

    def test_reader_decodes_as_ffmpeg_and_takes_the_audio_output(self):
        for kind, (path, reference) in self.files.items():
            _, rate, channels, lead = KINDS[kind]
            with self.subTest(kind):
                pcm, printed = self.decode(kind)
                tag, got_rate, bits, got_channels, frames = map(int, printed["format"].split())
                self.assertEqual((tag, got_rate, bits, got_channels), (1, rate, 16, channels))
                # The runtime's duration is the file's: a little past the sound, and past
                # the last picture where there is video.
                self.assertAlmostEqual(frames / rate, SECONDS, delta=0.2)
                self.assertEqual(printed["length"], f"0:0{SECONDS}")
                worst, covered = worst_difference(pcm, reference, channels, lead)
                self.assertLessEqual(worst, 1)
                # Nothing lost at the end: the last partial read is delivered too.
                self.assertGreaterEqual(covered, len(reference) // (2 * channels) - rate // 20)

    def test_seek_lands_within_a_block_after_the_frame_asked_for(self):
        whole, _ = self.decode("wmav2")
        for target in (RATE, 2 * RATE + 999):
            with self.subTest(target):
                pcm, printed = self.decode("wmav2", "--seek", str(target))
                self.assertEqual(int(printed["reached"]), target)
                # The runtime resumes less than a block after the time (measured: 10 frames
                # after 1 s, 913 after the other); its first block after a jump is a
                # transition and is left out.
                landed = target + min(range(BLOCK + 64), key=lambda late: frame_distance(
                    whole, pcm, target + late + BLOCK, BLOCK, 256))
                self.assertLessEqual(frame_distance(whole, pcm, landed + BLOCK, BLOCK, len(pcm) // FRAME - BLOCK), 2)

    def test_a_file_given_on_the_command_line_plays_as_ffmpeg_decodes_it(self):
        reset_settings(self.bench)  # a start with a file closes at the end of play
        path, reference = self.files["wmav2"]
        with self.bench.record("wmav2.raw") as rec:
            result = self.bench.run(ORVANE, [windows_path(path)], timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        near = near_pcm(rec.data(), reference)
        self.assertTrue(near and near.worst <= 1, near)

    def test_missing_runtime_and_refused_file_are_reported_and_the_player_stays_usable(self):
        garbage = FIXTURES / "garbage.wma"
        garbage.write_bytes(bytes(range(256)) * 64)
        # Behind each box, the debugger's line names the call and the system's reason (Wine 8
        # shows OutputDebugString on its seh channel).
        cases = {"missing runtime": (self.files["wmav2"][0], "wmvcore=d", "Orvane",
                                     r"LoadLibraryW Wmvcore\.dll failed, error 126: \S"),
                 "refused file": (garbage, "", "Error - Orvane -", r"IWMSyncReader::Open failed, HRESULT 0x[0-9a-f]{8}")}
        for case, (path, override, caption, line) in cases.items():
            with self.subTest(case):
                reset_settings(self.bench)
                overrides = ";".join(filter(None, [self.bench.env["WINEDLLOVERRIDES"], override]))
                program = self.bench.start(ORVANE, [windows_path(path)],
                                           env={"WINEDLLOVERRIDES": overrides, "WINEDEBUG": "-all,warn+seh"})
                try:
                    answer_message(self.bench, program, caption, f"{case}.png")
                finally:
                    program.kill()
                self.assertRegex(program.stderr, line)


if __name__ == "__main__":
    unittest.main()
