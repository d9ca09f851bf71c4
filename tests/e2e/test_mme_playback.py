"""Files played through the engine, the WAV reader and the MME device, recorded back from
the sound card and compared sample for sample."""

import re
import subprocess
import time
import unittest

from fixtures import noise_wav, pcm
from shell_helpers import BUILD, ORVANE, remote, reset_settings, wait_time_view
from winebench import FRAME, RATE, Bench, find_pcm, pcm_runs, windows_path

TOOLS = BUILD / "tools"
FIXTURES = BUILD / "fixtures" / "mme_playback"
WM_PLAYER_END = 0x8002


def noise(name, seconds, bits):
    return noise_wav(FIXTURES / name, seconds, bits)


def truncated16(pcm24):
    """The two most significant bytes of every 24-bit sample."""
    out = bytearray(len(pcm24) // 3 * 2)
    out[0::2] = pcm24[1::3]
    out[1::2] = pcm24[2::3]
    return bytes(out)


def report(result):
    """The key-value lines a tool printed."""
    return dict(re.findall(r"^(\w+) (-?\w+)\s*$", result.stdout, re.M))


class MmePlayback(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        FIXTURES.mkdir(parents=True, exist_ok=True)
        cls.s16 = noise("noise16.wav", 3, 16)
        cls.s24 = noise("noise24.wav", 3, 24)
        cls.long16 = noise("long16.wav", 8, 16)
        cls.bench = Bench("e2e.test_mme_playback").__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bench.__exit__(None, None, None)

    def play(self, name, path, *options):
        with self.bench.record(name + ".raw") as rec:
            result = self.bench.run(TOOLS / "play_file.exe", [windows_path(path), *options], timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        return report(result), rec.data()

    def assertFound(self, recorded, expected):
        match = find_pcm(recorded, expected, FRAME)
        self.assertTrue(match.ok, match.message)

    def test_16_bit_plays_exactly_and_ends_after_the_last_sample(self):
        values, recorded = self.play("s16", self.s16)
        self.assertEqual(values["bits"], "16")
        self.assertFound(recorded, pcm(self.s16))
        frames = len(pcm(self.s16)) // FRAME
        self.assertGreaterEqual(int(values["end_position"]), frames)
        self.assertGreaterEqual(int(values["end_ms"]), frames * 1000 // RATE)

    def test_stored_device_that_is_gone_plays_through_the_wave_mapper(self):
        values, recorded = self.play("gone", self.s16, "--device-id", "0", "--device-name", "外したデバイス")
        self.assertEqual(values["device_id"], "-1")
        self.assertFound(recorded, pcm(self.s16))

    def test_24_bit_without_dither_is_truncated(self):
        values, recorded = self.play("s24_none", self.s24, "--dither", "0")
        self.assertEqual(values["bits"], "16")
        self.assertFound(recorded, truncated16(pcm(self.s24)))

    def test_24_bit_with_triangle_dither_is_what_a_fresh_conversion_predicts(self):
        raw = FIXTURES / "noise24.raw"
        raw.write_bytes(pcm(self.s24))
        predicted = FIXTURES / "noise24_triangle.raw"
        result = self.bench.run(TOOLS / "dither_pcm.exe", [windows_path(raw), windows_path(predicted), "2", "1"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotEqual(predicted.read_bytes(), truncated16(pcm(self.s24)))
        _, recorded = self.play("s24_triangle", self.s24, "--dither", "1")
        self.assertFound(recorded, predicted.read_bytes())

    def test_24_bit_extensible_wav_and_rf64_on_the_command_line_play_truncated(self):
        # The samples of noise24.wav under the headers sox and ffmpeg write for 24 bits.
        extensible, rf64 = FIXTURES / "noise24_extensible.wav", FIXTURES / "noise24_rf64.wav"
        subprocess.run(["sox", self.s24, "-t", "wav", extensible], check=True)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", self.s24, "-c:a", "pcm_s24le", "-rf64", "always", rf64],
                       check=True)
        # A first start: no dither, and the program closes when the file ends.
        reset_settings(self.bench)
        for path in (extensible, rf64):
            with self.subTest(path.name):
                with self.bench.record(path.stem + ".raw") as rec:
                    result = self.bench.run(ORVANE, [windows_path(path)], timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertFound(rec.data(), truncated16(pcm(self.s24)))

    def test_an_end_of_play_that_names_no_current_run_stops_nothing(self):
        # Started by the shell, the program closes when the file ends: only a real end may
        # stop the file, let alone end the program.
        reset_settings(self.bench)
        bench = self.bench
        with bench.record("late_end.raw") as rec:
            program = bench.start(ORVANE, [windows_path(self.long16)])  # the first run
            wait_time_view(bench, "Play")
            for run in (0, 1000):
                remote(bench, "message", WM_PLAYER_END, run)
            time.sleep(1)  # handled by now, had it stopped anything
            self.assertTrue(program.running, "ended by an end of play naming no run")
            bench.run(ORVANE, [windows_path(self.s16)], timeout=60)  # handed over: the second run
            # The first run's end, still queued when the second began.
            remote(bench, "message", WM_PLAYER_END, 1)
            time.sleep(1)
            self.assertTrue(program.running, "the second run ended by the first one's end")
            wait_time_view(bench, "Play")
            self.assertEqual(program.wait(60).returncode, 0)
        self.assertFound(rec.data(), pcm(self.s16))

    def test_seek_jumps_to_the_target_and_pause_leaves_a_gap(self):
        target = 4 * RATE
        pause_ms = 800
        _, recorded = self.play("seek_pause", self.long16, "--buffer-time", "200", "--seek-at", "1500",
                                "--seek-to", str(target), "--pause-at", "3000", "--pause-for", str(pause_ms))
        runs = [run for run in pcm_runs(recorded, pcm(self.long16), FRAME, join_gaps=RATE // 5) if run[2] >= RATE // 20]
        self.assertEqual(len(runs), 3, runs)
        (r0, e0, n0), (r1, e1, n1), (r2, e2, n2) = runs
        # From the start until the seek.
        self.assertLessEqual(e0, RATE // 10)
        self.assertLess(e0 + n0, target - RATE)
        # The jump lands on the target and plays on from there.
        self.assertGreaterEqual(e1, target)
        self.assertLessEqual(e1, target + RATE // 10)
        self.assertLessEqual(r1 - (r0 + n0), RATE // 2)
        # The pause: silence, then play resumes exactly where it stopped and runs to the end.
        self.assertEqual(e2, e1 + n1)
        self.assertGreaterEqual(r2 - (r1 + n1), pause_ms * RATE // 1000 // 2)
        self.assertGreaterEqual(e2 + n2, len(pcm(self.long16)) // FRAME - RATE * 150 // 1000)


if __name__ == "__main__":
    unittest.main()
