"""Orvane with ASIO output chosen in the tray menu's audio-out submenu, and the engine on
its own seeking and pausing, playing into the loopback test driver, which captures what it
was given per channel."""

import re
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from winebench import FRAME, RATE, Bench, pcm_runs  # noqa: E402
from shell_helpers import (BUILD, IN_TRAY_MENU, ORVANE, SETTINGS_KEY, exit_orvane, key_at, noise,  # noqa: E402
                           open_tray_menu, plays, reg, remote, reset_settings, stored_values, wait_for, wait_time_view,
                           windows_path)
from fixtures import pcm  # noqa: E402

LOOPBACK = BUILD / "tests" / "win" / "OrvaneAsioLoopback.dll"
WINDOW_TEXTS = BUILD / "tools" / "window_texts.exe"
PLAY_FILE = BUILD / "tools" / "play_file.exe"
ID_SELECT_MME = 32776


def int32_channels(data):
    """The two driver channels of 16-bit stereo on the loopback's 32-bit integer type."""
    frames = [data[i:i + 4] for i in range(0, len(data) - 3, 4)]
    return b"".join(b"\0\0" + f[:2] for f in frames), b"".join(b"\0\0" + f[2:] for f in frames)


def heard16(capture):
    """16-bit stereo again from the two captured 32-bit channels (their top two bytes)."""
    left, right = (Path(f"{capture}.ch{c}.raw").read_bytes() for c in (0, 1))
    frames = min(len(left), len(right)) // 4
    out = bytearray(frames * FRAME)
    for c, data in enumerate((left, right)):
        out[2 * c::4] = data[2:frames * 4:4]
        out[2 * c + 1::4] = data[3:frames * 4:4]
    return bytes(out)


def set_value(bench, key, name, kind, data):
    reg(bench, "add", key, "/v", name, "/t", kind, "/d", str(data), "/f")


def setup_loopback(bench, output_sel):
    """The loopback registered and chosen as the ASIO driver with one output pair."""
    bench.run("regsvr32", ["/s", windows_path(LOOPBACK)], timeout=60)
    reset_settings(bench, app_config=0)
    set_value(bench, SETTINGS_KEY, "AsioDriverString", "REG_SZ", "Orvane Loopback")
    set_value(bench, SETTINGS_KEY, "OutputDeviceSel", "REG_DWORD", output_sel)
    set_value(bench, SETTINGS_KEY, "BufferTime", "REG_DWORD", 200)
    set_value(bench, SETTINGS_KEY + r"\AsioOutput", "Length", "REG_DWORD", 1)
    set_value(bench, SETTINGS_KEY + r"\AsioOutput", "OutputName00", "REG_SZ", "Out 1+2")


def unregister_loopback(bench):
    bench.run("regsvr32", ["/s", "/u", windows_path(LOOPBACK)], timeout=60)


def choose_first_pair(bench):
    """The first output pair of the tray menu's audio-out submenu, the item below MME."""
    open_tray_menu(bench)
    key_at(bench, IN_TRAY_MENU, "o")
    time.sleep(0.5)
    bench.xdotool("key", "Down")
    bench.screenshot("audio-out.png")
    bench.xdotool("key", "Return")
    time.sleep(0.5)


class AsioPlayback(unittest.TestCase):
    def test_pair_chosen_in_the_tray_menu_plays_the_file_sample_for_sample(self):
        song = noise("asio.wav", 3)
        with Bench("e2e.asio_playback.tray") as bench:
            setup_loopback(bench, 0)
            capture = bench.artefacts / "capture"
            env = {"ORVANE_LOOPBACK_CAPTURE": windows_path(capture)}
            program = bench.start(ORVANE, [], env=env)
            wait_time_view(bench, "Stop")
            choose_first_pair(bench)
            bench.run(ORVANE, [windows_path(song)], env=env, timeout=30)
            wait_time_view(bench, "Play")
            wait_time_view(bench, "Stop", timeout=30)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(stored_values(bench).get("OutputDeviceSel"), "0x1")
            unregister_loopback(bench)
            left, right = int32_channels(pcm(song))
            self.assertIn(left, Path(f"{capture}.ch0.raw").read_bytes())
            self.assertIn(right, Path(f"{capture}.ch1.raw").read_bytes())

    def test_seek_and_pause_on_the_engines_thread_play_only_the_target_on_and_count_every_frame(self):
        song = noise("asio-seek.wav", 4)
        target = 2 * RATE + 7
        with Bench("e2e.asio_playback.seek") as bench:
            bench.run("regsvr32", ["/s", windows_path(LOOPBACK)], timeout=60)
            capture = bench.artefacts / "capture"
            result = bench.run(PLAY_FILE, [windows_path(song), "--asio", "Orvane Loopback", "--buffer-time", "200",
                                           "--seek-at", "800", "--seek-to", str(target),
                                           "--pause-at", "1500", "--pause-for", "500"],
                               env={"ORVANE_LOOPBACK_CAPTURE": windows_path(capture)}, timeout=60)
            unregister_loopback(bench)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        # The driver's start and stop, also around the seek on the engine's thread, had COM.
        self.assertFalse(Path(f"{capture}.nocom.txt").exists(), "start or stop on a thread without COM")
        frames = len(pcm(song)) // FRAME
        self.assertEqual(re.search(r"^settled_position (\d+)", result.stdout, re.M).group(1), str(frames))
        # From the start until the seek, then from the target to the end; nothing else.
        runs = pcm_runs(heard16(capture), pcm(song), FRAME, join_gaps=RATE // 5)
        self.assertEqual(len(runs), 2, runs)
        (_, first, before), (_, after, rest) = runs
        self.assertEqual(first, 0, runs)
        self.assertLess(before, target, runs)
        self.assertEqual(after, target, runs)
        self.assertEqual(after + rest, frames, runs)

    def test_a_driver_that_fails_to_initialise_is_reported_and_mme_plays_on(self):
        song = noise("asio-mme.wav", 3)
        with Bench("e2e.asio_playback.init_failure") as bench:
            setup_loopback(bench, 1)
            env = {"ORVANE_LOOPBACK_INIT_ERROR": "loopback refuses"}
            program = bench.start(ORVANE, [windows_path(song)], env=env)
            texts = bench.run(WINDOW_TEXTS, ["Asio Error"], timeout=30)
            bench.screenshot("asio-error.png")
            self.assertEqual(texts.returncode, 0, "no Asio Error box")
            self.assertIn("ASIOドライバの初期化に失敗しました。", texts.stdout.splitlines())
            # X may list more than one window of that name (a frame, a window already gone):
            # Return goes to every visible one.
            for box in bench.wait_window("^Asio Error$"):
                bench.xdotool("windowactivate", "--sync", box, check=False)
                bench.xdotool("key", "--window", box, "Return", check=False)
            wait_for("box closed", lambda: not bench.xdotool("search", "--onlyvisible", "--name", "^Asio Error$",
                                                             check=False).strip())

            remote(bench, "command", ID_SELECT_MME)
            with bench.record("mme.raw") as rec:
                bench.run(ORVANE, [windows_path(song)], env=env, timeout=30)
                wait_time_view(bench, "Play")
                wait_time_view(bench, "Stop", timeout=30)
            self.assertEqual(exit_orvane(bench, program).returncode, 0)
            self.assertEqual(stored_values(bench).get("OutputDeviceSel"), "0x0")
            unregister_loopback(bench)
            match = plays(rec.data(), song)
            self.assertTrue(match.ok, match.message)


if __name__ == "__main__":
    unittest.main()
