"""Ogg Vorbis and FLAC files through vorbisdec.dll and flacdec.dll beside Orvane.exe: what
plays is what `flac -d` decodes from the same file (a 24-bit file reduced to its top 16 bits,
as the device does without dither), and what oggdec decodes within 1 LSB (Vorbis decodes in
floating point, and the DLL's library is compiled by another compiler than oggdec's); a seek
lands on the frame asked for."""

import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from fixtures import noise_wav  # noqa: E402
from shell_helpers import BUILD, ORVANE, reset_settings  # noqa: E402
from winebench import FRAME, RATE, Bench, find_pcm, near_pcm, pcm_runs, windows_path  # noqa: E402

FIXTURES = BUILD / "fixtures" / "plugin_playback"
DIST = BUILD / "dist"
FLAC_DECODE = ["flac", "-d", "-s", "-f", "--force-raw-format", "--endian=little", "--sign=signed", "-o", "RAW", "OUT"]
# Extension, source bits, encoder, reference decoder (raw little-endian signed at the
# source's width) and tolerance of each kind.
KINDS = {
    "flac": (".flac", 16, ["flac", "-s", "-f", "-o", "OUT", "SRC"], FLAC_DECODE, 0),
    "flac24": (".flac", 24, ["flac", "-s", "-f", "-o", "OUT", "SRC"], FLAC_DECODE, 0),
    "ogg": (".ogg", 16, ["oggenc", "-Q", "-o", "OUT", "SRC"], ["oggdec", "-Q", "-R", "-o", "RAW", "OUT"], 1),
}
SEEK_TO = 2 * RATE + 999


def fill(command, **paths):
    return [str(paths[a]) if a in paths else a for a in command]


def top16(raw, bits):
    """The 16-bit samples the device plays without dither: the top two bytes of each."""
    width = bits // 8
    return b"".join(raw[i + width - 2:i + width] for i in range(0, len(raw), width)) if width > 2 else raw


class PluginPlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = {}
        for kind, (extension, bits, encode, decode, tolerance) in KINDS.items():
            source = noise_wav(FIXTURES / f"{kind}.wav", 3, bits=bits, gain_db=-9)
            out, raw = FIXTURES / f"{kind}{extension}", FIXTURES / f"{kind}.raw"
            subprocess.run(fill(encode, SRC=source, OUT=out), check=True)
            subprocess.run(fill(decode, OUT=out, RAW=raw), check=True)
            cls.files[kind] = (out, top16(raw.read_bytes(), bits), tolerance)
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
                    near = near_pcm(rec.data(), expected)
                    self.assertTrue(near and near.worst <= tolerance, near)

    def assert_reader_seeks(self, path, expected, tolerance, timeout=60):
        """decode_file.exe seeks path's reader to SEEK_TO and decodes from there to the end."""
        out = path.with_suffix(".seek.raw")
        result = self.bench.run(BUILD / "tools" / "decode_file.exe",
                                [windows_path(path), windows_path(out), "--seek", str(SEEK_TO)],
                                timeout=timeout, env={"WINEPATH": windows_path(DIST)})
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn(f"reached {SEEK_TO}", result.stdout)
        pcm = out.read_bytes()
        self.assertEqual(len(pcm), len(expected) - SEEK_TO * FRAME)
        near = near_pcm(pcm, expected[SEEK_TO * FRAME:], skip_ms=0, tail_ms=0)
        self.assertTrue(near and near.worst <= tolerance, near)

    def test_reader_seeks_to_the_frame_asked_for(self):
        for kind in ("flac", "ogg"):
            with self.subTest(kind):
                self.assert_reader_seeks(*self.files[kind])

    def test_an_ogg_file_over_2_gib_opens_and_seeks_past_its_first_2_gib(self):
        # The file's pages with 2 GiB of nothing between the first third and the rest: the
        # stream's end lies past what a 32-bit offset reaches.
        path, expected, tolerance = self.files["ogg"]
        data = path.read_bytes()
        split = data.find(b"OggS", len(data) // 3)
        large = FIXTURES / "large.ogg"
        with open(large, "wb") as f:
            f.write(data[:split])
            f.seek(2**31 + 4096, 1)
            f.write(data[split:])
        try:
            self.assert_reader_seeks(large, expected, tolerance, timeout=120)
        finally:
            large.unlink(missing_ok=True)

    def test_seek_while_playing_lands_on_the_frame_asked_for(self):
        path, expected, _ = self.files["flac"]
        with self.bench.record("seek.raw") as rec:
            result = self.bench.run(BUILD / "tools" / "play_file.exe",
                                    [windows_path(path), "--buffer-time", "200", "--seek-at", "800",
                                     "--seek-to", str(SEEK_TO)], timeout=60, env={"WINEPATH": windows_path(DIST)})
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        runs = [run for run in pcm_runs(rec.data(), expected, FRAME) if run[2] >= RATE // 20]
        jumped = [run for run in runs if run[1] >= SEEK_TO - RATE // 10]
        self.assertTrue(jumped, runs)
        # FLAC seeks to the sample; a restarted wave-out stream may lose its first tenth.
        self.assertGreaterEqual(jumped[0][1], SEEK_TO)
        self.assertLessEqual(jumped[0][1], SEEK_TO + RATE // 10)


if __name__ == "__main__":
    unittest.main()
