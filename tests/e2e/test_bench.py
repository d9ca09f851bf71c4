"""The Wine bench itself: what it records is what was played, and it cleans up."""

import array
import os
import subprocess
import sys
import unittest
from pathlib import Path

import winebench
from winebench import BUILD, MARKER, Bench, BenchTimeout, find_pcm, processes_of

PLAY_PATTERN = BUILD / "tools" / "play_pattern.exe"
RATE = 44100
FRAME = 4


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


def frames(data, first, last):
    return data[first * FRAME:last * FRAME]


class RecordingTest(unittest.TestCase):
    """One real recording of play_pattern.exe, then what find_pcm makes of it and of
    copies of it with the faults a player could cause."""

    @classmethod
    def setUpClass(cls):
        cls.expected = pattern(3)
        with Bench("e2e.bench.recording") as bench:
            with bench.record("pattern.raw") as rec:
                cls.result = bench.run(PLAY_PATTERN, ["3"], timeout=60)
            cls.screenshot = bench.screenshot("desktop.png")
            cls.recorded = rec.data()

    def test_the_pattern_is_recorded_sample_for_sample(self):
        self.assertEqual(0, self.result.returncode, self.result.stderr)
        match = find_pcm(self.recorded, self.expected, FRAME, rate=RATE)
        self.assertTrue(match.ok, match.message)
        # Underrun gaps are the machine's, but more than a few would hide a real fault.
        self.assertLess(sum(n for _, n in match.gaps), RATE // 10, match.message)

    def test_the_desktop_screenshot_is_kept(self):
        self.assertTrue(self.screenshot.read_bytes().startswith(b"\x89PNG"))
        size = subprocess.run(["identify", "-format", "%wx%h", self.screenshot],
                              capture_output=True, text=True, check=True).stdout
        self.assertEqual("1024x768", size)

    def aligned(self):
        match = find_pcm(self.recorded, self.expected, FRAME, rate=RATE)
        self.assertTrue(match.ok, match.message)
        if match.gaps:
            self.skipTest("this recording has underrun gaps; the fault copies need a clean one")
        return match.offset

    def test_a_changed_sample_is_reported_at_its_frame(self):
        offset = self.aligned()
        at = RATE  # one second in
        changed = bytearray(self.recorded)
        changed[(offset + at) * FRAME] ^= 1
        match = find_pcm(bytes(changed), self.expected, FRAME, rate=RATE)
        self.assertFalse(match.ok)
        self.assertIn(f"expected frame {at} ", match.message)
        self.assertIn("shifted by +0 (frames overwritten)", match.message)

    def test_lost_and_repeated_blocks_fail_but_inserted_silence_is_a_gap(self):
        offset = self.aligned()
        at = offset + RATE
        lost = self.recorded[:at * FRAME] + self.recorded[(at + 441) * FRAME:]
        match = find_pcm(lost, self.expected, FRAME, rate=RATE)
        self.assertFalse(match.ok)
        self.assertIn("shifted by -441 (frames lost)", match.message)

        repeated = self.recorded[:at * FRAME] + frames(self.recorded, at - 441, at) + \
            self.recorded[at * FRAME:]
        self.assertFalse(find_pcm(repeated, self.expected, FRAME, rate=RATE).ok)

        silence = bytes(220 * FRAME)
        gapped = self.recorded[:at * FRAME] + silence + self.recorded[at * FRAME:]
        match = find_pcm(gapped, self.expected, FRAME, rate=RATE)
        self.assertTrue(match.ok, match.message)
        self.assertEqual([(RATE, 220)], match.gaps)
        self.assertFalse(find_pcm(gapped, self.expected, FRAME, rate=RATE, allow_gaps=False).ok)

        overwritten = bytearray(self.recorded)
        overwritten[at * FRAME:(at + 220) * FRAME] = silence
        self.assertFalse(find_pcm(bytes(overwritten), self.expected, FRAME, rate=RATE).ok)

    def test_only_the_allowances_may_be_missing(self):
        offset = self.aligned()
        total = len(self.expected) // FRAME
        # Losing the first 150 ms of the stream, or the last 200 ms, is more than allowed.
        late = bytes((offset + RATE * 150 // 1000) * FRAME) + \
            self.recorded[(offset + RATE * 150 // 1000) * FRAME:]
        self.assertFalse(find_pcm(late, self.expected, FRAME, rate=RATE).ok)
        short = self.recorded[:(offset + total - RATE // 5) * FRAME]
        match = find_pcm(short, self.expected, FRAME, rate=RATE)
        self.assertFalse(match.ok)
        self.assertIn("the recording ends at expected frame", match.message)
        # Just inside both allowances still matches.
        trimmed = bytes((offset + RATE // 10) * FRAME) + \
            self.recorded[(offset + RATE // 10) * FRAME:(offset + total - RATE * 3 // 20) * FRAME]
        self.assertTrue(find_pcm(trimmed, self.expected, FRAME, rate=RATE).ok)


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

    def test_the_command_line_passes_on_exit_codes_and_overruns(self):
        self.assertEqual(2, self.run_cli("--", PLAY_PATTERN, "x").returncode)
        timed_out = self.run_cli("--timeout", "2", "--", PLAY_PATTERN, "60")
        self.assertEqual(124, timed_out.returncode)
        self.assertIn("did not finish within 2.0 s", timed_out.stderr)


if __name__ == "__main__":
    unittest.main()
