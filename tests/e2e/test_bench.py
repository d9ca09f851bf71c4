"""The Wine bench itself: what it records is what was played, and it cleans up."""

import array
import os
import subprocess
import sys
import unittest
from pathlib import Path

import winebench
from winebench import (BUILD, FRAME, MARKER, RATE, Bench, BenchError, BenchTimeout, find_pcm,
                       near_pcm, pcm_runs, processes_of)

PLAY_PATTERN = BUILD / "tools" / "play_pattern.exe"


def pattern(seconds):
    """The samples play_pattern.exe plays: xorshift32 from 0x12345678, top 16 bits."""
    samples = array.array("h")
    state = 0x12345678
    for _ in range(int(seconds * RATE) * 2):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        samples.append((state >> 16) - ((state >> 16) & 0x8000) * 2)
    return samples.tobytes()


def fake_program(arch):
    """The headers of a Windows program of arch, enough for the bench to tell its kind."""
    machine = {"win32": 0x014C, "win64": 0x8664}[arch]
    return b"MZ" + bytes(0x3A) + (0x40).to_bytes(4, "little") + b"PE\0\0" + \
        machine.to_bytes(2, "little") + bytes(200)


def frames(data, first, last):
    return data[first * FRAME:last * FRAME]


class RecordingTest(unittest.TestCase):
    """One real recording of play_pattern.exe is found sample for sample."""

    def test_the_pattern_is_recorded_sample_for_sample(self):
        with Bench("e2e.bench.recording") as bench:
            with bench.record("pattern.raw") as rec:
                result = bench.run(PLAY_PATTERN, ["3"], timeout=60)
            screenshot = bench.screenshot("desktop.png")
        self.assertEqual(0, result.returncode, result.stderr)
        match = find_pcm(rec.data(), pattern(3), FRAME, rate=RATE)
        self.assertTrue(match.ok, match.message)
        # Underrun gaps are the machine's, but more than a few would hide a real fault.
        self.assertLess(sum(n for _, n in match.gaps), RATE // 10, match.message)
        size = subprocess.run(["identify", "-format", "%wx%h", screenshot],
                              capture_output=True, text=True, check=True).stdout
        self.assertEqual("1024x768", size)


class FindPcmTest(unittest.TestCase):
    """What find_pcm makes of a clean recording and of copies of it with the faults a player
    could cause. The recording is made up (silence, the pattern, silence), so these run
    whatever the machine's underruns do to a live one."""

    LEAD = 3000

    @classmethod
    def setUpClass(cls):
        cls.expected = pattern(3)
        cls.recorded = bytes(cls.LEAD * FRAME) + cls.expected + bytes(2000 * FRAME)

    def find(self, recorded, **kwargs):
        return find_pcm(recorded, self.expected, FRAME, rate=RATE, **kwargs)

    def test_a_changed_sample_is_reported_at_its_frame(self):
        at = RATE  # one second in
        changed = bytearray(self.recorded)
        changed[(self.LEAD + at) * FRAME] ^= 1
        match = self.find(bytes(changed))
        self.assertFalse(match.ok)
        self.assertIn(f"expected frame {at} ", match.message)
        self.assertIn("shifted by +0 (frames overwritten)", match.message)

    def test_lost_and_repeated_blocks_fail_but_inserted_silence_is_a_gap(self):
        self.assertEqual(self.LEAD, self.find(self.recorded).offset)
        at = self.LEAD + RATE
        lost = self.recorded[:at * FRAME] + self.recorded[(at + 441) * FRAME:]
        match = self.find(lost)
        self.assertFalse(match.ok)
        self.assertIn("shifted by -441 (frames lost)", match.message)

        repeated = self.recorded[:at * FRAME] + frames(self.recorded, at - 441, at) + \
            self.recorded[at * FRAME:]
        self.assertFalse(self.find(repeated).ok)

        silence = bytes(220 * FRAME)
        gapped = self.recorded[:at * FRAME] + silence + self.recorded[at * FRAME:]
        match = self.find(gapped)
        self.assertTrue(match.ok, match.message)
        self.assertEqual([(RATE, 220)], match.gaps)
        self.assertFalse(self.find(gapped, allow_gaps=False).ok)

        overwritten = bytearray(self.recorded)
        overwritten[at * FRAME:(at + 220) * FRAME] = silence
        self.assertFalse(self.find(bytes(overwritten)).ok)

    def test_only_the_allowances_may_be_missing(self):
        offset, total = self.LEAD, len(self.expected) // FRAME
        # Losing the first 200 ms of the stream, or the last 200 ms, is more than allowed.
        late = bytes((offset + RATE // 5) * FRAME) + self.recorded[(offset + RATE // 5) * FRAME:]
        self.assertFalse(self.find(late).ok)
        match = self.find(self.recorded[:(offset + total - RATE // 5) * FRAME])
        self.assertFalse(match.ok)
        self.assertIn("the recording ends at expected frame", match.message)
        # Just inside both allowances still matches.
        lost = RATE * 140 // 1000
        trimmed = bytes((offset + lost) * FRAME) + \
            self.recorded[(offset + lost) * FRAME:(offset + total - RATE * 3 // 20) * FRAME]
        self.assertTrue(self.find(trimmed).ok)

    def test_runs_follow_a_jump_and_a_pause(self):
        one, two = RATE // 2, 2 * RATE
        jumped = self.expected[:one * FRAME] + bytes(4000 * FRAME) + self.expected[two * FRAME:]
        rest = len(self.expected) // FRAME - two
        self.assertEqual([(0, 0, one), (one + 4000, two, rest)], pcm_runs(jumped, self.expected, FRAME))
        # An underrun's short silence inside a run is joined over when asked, a pause is not.
        cut = (one + 4000 + RATE // 2) * FRAME
        gapped = jumped[:cut] + bytes(300 * FRAME) + jumped[cut:]
        self.assertEqual([(0, 0, one), (one + 4000, two, rest)],
                         pcm_runs(gapped, self.expected, FRAME, join_gaps=3000))
        self.assertEqual(3, len(pcm_runs(gapped, self.expected, FRAME, join_gaps=300)))

    def test_a_decoder_off_by_one_lsb_plays_runs_within_a_tolerance_only(self):
        one, two = RATE // 2, 2 * RATE
        rounded = array.array("h", self.expected[:one * FRAME] + bytes(4000 * FRAME) + self.expected[two * FRAME:])
        for i in range(101, len(rounded), 677):
            rounded[i] += 1 if rounded[i] < 32767 else -1
        rest = len(self.expected) // FRAME - two
        self.assertEqual([(0, 0, one), (one + 4000, two, rest)],
                         pcm_runs(rounded.tobytes(), self.expected, FRAME, tolerance=1))
        self.assertGreater(len(pcm_runs(rounded.tobytes(), self.expected, FRAME)), 100)
        near = near_pcm(rounded[:one * 2].tobytes(), self.expected[:one * FRAME])
        self.assertEqual(1, near.worst)
        self.assertAlmostEqual(1 - 1 / 677, near.exact, places=3)
        # Three frames of silence inserted by the sound server are stepped over; three
        # expected frames replaced by silence are not.
        at = one // 2 * 2
        inserted = rounded[:at] + array.array("h", bytes(3 * FRAME)) + rounded[at:one * 2]
        self.assertEqual(1, near_pcm(inserted.tobytes(), self.expected[:one * FRAME]).worst)
        replaced = rounded[:one * 2]
        replaced[at:at + 6] = array.array("h", bytes(3 * FRAME))
        self.assertGreater(near_pcm(replaced.tobytes(), self.expected[:one * FRAME]).worst, 1)


class CleanUpTest(unittest.TestCase):
    """Failures and overruns are reported, and nothing the bench started outlives it."""

    def assertNothingLeft(self, bench):
        self.assertEqual([], bench.leftovers())
        display = bench.env["DISPLAY"].lstrip(":")
        self.assertFalse(Path(f"/tmp/.X11-unix/X{display}").exists())
        self.assertFalse(Path(bench.env["PULSE_SERVER"].removeprefix("unix:")).exists())

    def test_failure_and_timeout_are_reported_and_the_bench_goes_on(self):
        with Bench("e2e.bench.failure") as bench:
            failed = bench.run(PLAY_PATTERN, ["no-such-length"], timeout=60)
            self.assertEqual(2, failed.returncode)
            self.assertIn("usage", failed.stderr)
            with self.assertRaisesRegex(BenchTimeout, "play_pattern.exe did not finish"):
                bench.run(PLAY_PATTERN, ["60"], timeout=3)
            # A program of the other architecture would start under the wrong loader.
            other = bench.artefacts / "other.exe"
            other.write_bytes(fake_program("win32" if bench.arch == "win64" else "win64"))
            with self.assertRaisesRegex(BenchError, "comes from one build"):
                bench.start(other)
            self.assertEqual(0, bench.run(PLAY_PATTERN, ["0.2"], timeout=60).returncode)
        self.assertNothingLeft(bench)

    def test_an_exception_in_the_test_still_stops_everything(self):
        with self.assertRaises(ZeroDivisionError):
            with Bench("e2e.bench.exception") as bench:
                program = bench.start(PLAY_PATTERN, ["60"])
                bench.record("during.raw")
                1 / 0
        self.assertFalse(program.running)
        self.assertNothingLeft(bench)

    def run_cli(self, *args):
        marker = f"cli-{os.getpid()}:"
        done = subprocess.run([sys.executable, winebench.__file__, "run", "--name",
                               "e2e.bench.cli", *args], capture_output=True, text=True,
                              timeout=300, env=dict(os.environ, **{MARKER: marker}))
        self.assertEqual([], processes_of(marker))
        return done

    def test_an_architecture_that_cannot_run_is_skipped_with_its_reason(self):
        env = dict(os.environ, ORVANE_NO_WIN32="1")
        listed = subprocess.run([sys.executable, winebench.__file__, "arches"], env=env,
                                capture_output=True, text=True, timeout=120)
        self.assertIn("win32: skipped: ORVANE_NO_WIN32=1", listed.stdout)
        skipped = subprocess.run([sys.executable, winebench.__file__, "run", "--arch", "win32",
                                  "--", PLAY_PATTERN], env=env, capture_output=True, text=True,
                                 timeout=120)
        self.assertEqual(winebench.SKIPPED, skipped.returncode, skipped.stderr)
        self.assertIn("SKIPPED: the win32 suites cannot run here: ORVANE_NO_WIN32", skipped.stdout)

    def test_the_command_line_passes_on_exit_codes_and_overruns(self):
        failed = self.run_cli("--", PLAY_PATTERN, "x")
        self.assertEqual(2, failed.returncode, failed.stderr)
        timed_out = self.run_cli("--timeout", "2", "--", PLAY_PATTERN, "60")
        self.assertEqual(124, timed_out.returncode, timed_out.stderr)
        self.assertIn("did not finish within 2.0 s", timed_out.stderr)


if __name__ == "__main__":
    unittest.main()
