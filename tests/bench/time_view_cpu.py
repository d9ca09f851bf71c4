"""CPU time of Orvane playing a file with the time view open against the same with it
closed, on the Wine bench (64-bit build): the cost of the time view's 10 ms refresh.

    flock /work/wt/wine.lock python3 tests/bench/time_view_cpu.py build/windows-x64 [seconds] [mode]

mode is the display format (TimeMode, 0 to 3; 1 by default). Prints the program's and the
wineserver's CPU seconds for each case and the program's ratio.
"""

import os
import subprocess
import sys
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
os.environ.setdefault("ORVANE_BUILD", str(Path(sys.argv[1]).resolve()))
os.environ.setdefault("ORVANE_SOURCE", str(SOURCE))
os.environ.setdefault("ORVANE_WINEARCH", "win64")
sys.path[:0] = [str(SOURCE / "tests" / "support"), str(SOURCE / "tests" / "e2e")]

from winebench import Bench, windows_path  # noqa: E402
from shell_helpers import ORVANE, SETTINGS_KEY, exit_orvane, noise, reg, reset_settings, wait_time_view  # noqa: E402

TITLE_BAR, TIME_VIEW, SEEK_BAR = 0x4, 0x2, 0x10


def cpu_seconds(name):
    """User and system CPU seconds of every process of that name so far."""
    total = 0
    for pid in subprocess.run(["pgrep", name], capture_output=True, text=True).stdout.split():
        fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
        total += int(fields[11]) + int(fields[12])
    return total / os.sysconf("SC_CLK_TCK")


def measure(bench, song, shown, seconds, mode):
    reset_settings(bench, app_config=0)
    config = TITLE_BAR | SEEK_BAR | (TIME_VIEW if shown else 0)
    reg(bench, "add", SETTINGS_KEY, "/v", "AssociateConfig", "/t", "REG_DWORD", "/d", str(config), "/f")
    reg(bench, "add", SETTINGS_KEY, "/v", "TimeMode", "/t", "REG_DWORD", "/d", str(mode), "/f")
    program = bench.start(ORVANE, [windows_path(song)])
    if shown:
        wait_time_view(bench, "Play")
    time.sleep(4)
    before = cpu_seconds("Orvane.exe"), cpu_seconds("wineserver")
    time.sleep(seconds)
    after = cpu_seconds("Orvane.exe"), cpu_seconds("wineserver")
    exit_orvane(bench, program)
    return after[0] - before[0], after[1] - before[1]


def main():
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    mode = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    song = noise("time_view_cpu.wav", seconds + 10)
    with Bench("bench.time_view_cpu") as bench:
        results = {shown: measure(bench, song, shown, seconds, mode) for shown in (True, False)}
    for shown, (program, server) in results.items():
        print(f"time view {'open' if shown else 'closed'}: Orvane {program:.2f} s, wineserver {server:.2f} s "
              f"of CPU over {seconds} s")
    print(f"ratio open/closed (Orvane): {results[True][0] / max(results[False][0], 0.01):.2f}")


if __name__ == "__main__":
    main()
