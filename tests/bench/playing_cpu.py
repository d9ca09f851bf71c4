"""The CPU a player costs while it plays, on the Wine bench: Orvane with its time view
closed and open against the least a wave-out player can do (tests/win/tools/least_player,
built with the same cross compiler), all playing the same 44.1 kHz 16-bit WAV, in one run
for each Windows architecture this machine runs. Counted: the player's process and the
wineserver, which every Win32 call that waits or signals goes through.

    python3 tests/bench/playing_cpu.py [seconds] [time view mode]     (after scripts/build)

mode is the time view's display format (0 to 3, 1 by default). Prints the share of a core
each case takes and its ratio to the least player.
"""

import os
import subprocess
import sys
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
BUILDS = {"win32": SOURCE / "build" / "windows", "win64": SOURCE / "build" / "windows-x64"}
TITLE_BAR, TIME_VIEW, SEEK_BAR = 0x4, 0x2, 0x10
WARM_UP = 4  # seconds from the start to the first reading


def cpu_seconds(name):
    """User and system CPU seconds of every process of that name so far."""
    total = 0
    for pid in subprocess.run(["pgrep", name], capture_output=True, text=True).stdout.split():
        try:
            fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue  # gone meanwhile
        total += int(fields[11]) + int(fields[12])
    return total / os.sysconf("SC_CLK_TCK")


def share_while(process_name, seconds):
    """The share of one core the process and the wineserver take over the next seconds."""
    before = cpu_seconds(process_name) + cpu_seconds("wineserver")
    time.sleep(seconds)
    return (cpu_seconds(process_name) + cpu_seconds("wineserver") - before) / seconds


def measure_arch(seconds, mode):
    """Runs in a process of its own per architecture: the bench's modules read the build
    from the environment when they are imported."""
    sys.path[:0] = [str(SOURCE / "tests" / "support"), str(SOURCE / "tests" / "e2e")]
    from shell_helpers import BUILD, ORVANE, SETTINGS_KEY, exit_orvane, noise, reg, reset_settings, wait_time_view
    from winebench import Bench, windows_path

    song = noise("playing_cpu.wav", seconds + 2 * WARM_UP)
    shares = {}
    with Bench("bench.playing_cpu") as bench:
        program = bench.start(BUILD / "tools" / "least_player.exe", [windows_path(song)])
        time.sleep(WARM_UP)
        shares["least player"] = share_while("least_player", seconds)
        program.kill()
        for shown in (False, True):
            reset_settings(bench, app_config=0)
            config = TITLE_BAR | SEEK_BAR | (TIME_VIEW if shown else 0)
            reg(bench, "add", SETTINGS_KEY, "/v", "AssociateConfig", "/t", "REG_DWORD", "/d", str(config), "/f")
            reg(bench, "add", SETTINGS_KEY, "/v", "TimeMode", "/t", "REG_DWORD", "/d", str(mode), "/f")
            program = bench.start(ORVANE, [windows_path(song)])
            if shown:
                wait_time_view(bench, "Play")
            time.sleep(WARM_UP)
            shares[f"Orvane, time view {'open' if shown else 'closed'}"] = share_while("Orvane.exe", seconds)
            exit_orvane(bench, program)
    least = shares["least player"]
    for case, share in shares.items():
        print(f"  {case:28} {share:6.1%} of a core   {share / max(least, 1e-6):4.2f}x the least player")


def main(argv):
    seconds = int(argv[0]) if argv else 20
    mode = argv[1] if len(argv) > 1 else "1"
    if os.environ.get("ORVANE_BUILD"):
        measure_arch(seconds, mode)
        return 0
    from winebench import unavailable  # noqa: F401 (tests/support is on the path below)
    for arch, build in BUILDS.items():
        reason = unavailable(arch)
        if reason:
            print(f"{arch}: skipped: {reason}")
            continue
        print(f"{arch}: {seconds} s of a 44.1 kHz 16-bit stereo WAV, program and wineserver")
        env = dict(os.environ, ORVANE_BUILD=str(build), ORVANE_SOURCE=str(SOURCE), ORVANE_WINEARCH=arch)
        subprocess.run([sys.executable, __file__, str(seconds), mode], env=env, check=True)
    return 0


if __name__ == "__main__":
    sys.path.insert(0, str(SOURCE / "tests" / "support"))
    sys.exit(main(sys.argv[1:]))
