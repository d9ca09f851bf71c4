"""Ogg Vorbis and FLAC files through vorbisdec.dll and flacdec.dll beside Orvane.exe: what
plays is what `flac -d` decodes from the same file, and what oggdec decodes within 1 LSB
(Vorbis decodes in floating point, and the DLL's library is compiled by another compiler
than oggdec's)."""

import subprocess
import sys
import unittest
from array import array
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import noise_wav  # noqa: E402
from shell_helpers import BUILD, ORVANE, reset_settings  # noqa: E402
from winebench import FRAME, RATE, Bench, find_pcm, windows_path  # noqa: E402

FIXTURES = BUILD / "fixtures" / "plugin_playback"

# Encoder, reference decoder (raw 16-bit little-endian signed) and tolerance of each kind.
KINDS = {
    "flac": (["flac", "-s", "-f", "-o", "OUT", "SRC"],
             ["flac", "-d", "-s", "-f", "--force-raw-format", "--endian=little", "--sign=signed", "-o", "RAW", "OUT"], 0),
    "ogg": (["oggenc", "-Q", "-o", "OUT", "SRC"], ["oggdec", "-Q", "-R", "-o", "RAW", "OUT"], 1),
}
SKIP, TAIL = RATE // 10, RATE * 15 // 100  # what Wine may lose at the start and the end


def fill(command, **paths):
    return [str(paths[a]) if a in paths else a for a in command]


def near_match(recorded, expected):
    """The largest sample difference over the expected frames between the allowances, with
    the recording placed by the first 32 frames of them found exactly; None when none is."""
    for start in range(SKIP, len(expected) // FRAME - TAIL, 32):
        probe = expected[start * FRAME:(start + 32) * FRAME]
        at = recorded.find(probe)
        while at > 0 and at % FRAME:
            at = recorded.find(probe, at + 1)
        if at >= 0:
            break
    else:
        return None
    offset = (at // FRAME - start) * 2
    got, want = array("h", recorded), array("h", expected)
    last = len(want) - 2 * TAIL
    if offset + 2 * SKIP < 0 or offset + last > len(got):
        return None
    return max(abs(got[i + offset] - want[i]) for i in range(2 * SKIP, last))


class PluginPlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        source = noise_wav(FIXTURES / "song.wav", 3, gain_db=-9)
        cls.files = {}
        for kind, (encode, decode, tolerance) in KINDS.items():
            out, raw = FIXTURES / f"song.{kind}", FIXTURES / f"song.{kind}.raw"
            subprocess.run(fill(encode, SRC=source, OUT=out), check=True)
            subprocess.run(fill(decode, OUT=out, RAW=raw), check=True)
            cls.files[kind] = (out, raw.read_bytes(), tolerance)
        cls.bench = Bench("e2e.test_plugin_playback").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def test_files_given_on_the_command_line_play_as_the_reference_decoders_decode_them(self):
        reset_settings(self.bench)  # a start with a file closes at the end of play
        for kind, (path, expected, tolerance) in self.files.items():
            with self.subTest(kind):
                with self.bench.record(f"{kind}.raw") as rec:
                    result = self.bench.run(ORVANE, [windows_path(path)], timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                if tolerance == 0:
                    match = find_pcm(rec.data(), expected, FRAME)
                    self.assertTrue(match.ok, match.message)
                else:
                    worst = near_match(rec.data(), expected)
                    self.assertIsNotNone(worst, "the recording is not the expected PCM at one place")
                    self.assertLessEqual(worst, tolerance)


if __name__ == "__main__":
    unittest.main()
