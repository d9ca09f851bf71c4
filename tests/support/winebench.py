"""The Wine bench: Windows programs on a private X display, Wine prefix and sound card.

    with Bench("e2e.test_play", rate=44100) as bench:
        with bench.record("out.raw") as rec:
            result = bench.run(build / "dist" / "Orvane.exe", [r"Z:\\path\\to\\file.wav"])
        match = find_pcm(rec.data(), expected, bench.frame_bytes, rate=bench.rate)
        assert match.ok, match.message

A bench owns a private Xvfb, a private PulseAudio daemon whose default sink is a null
sink at the rate, format and channel count under test, and Wine's virtual desktop on
that display. It runs the programs of one Windows architecture (win32 or win64, the
build's own) with that architecture's Wine loader in a prefix of its own
(build/wineprefix-win32, build/wineprefix-win64); benches hold one machine-wide lock, so
they run one after another, also from different checkouts. Everything a bench starts is
stopped when it exits, also on an exception; artefacts go to <build>/artefacts/<name>/.

The parts live beside this file, one concern each: bench_process (processes and Windows
programs), bench_desktop (the display, Wine's loaders, prefixes and desktop), bench_sound
(the sound server and recordings), pcm_match (finding what was played in a recording).
Tests import what they need from here.

Run as a program:

    winebench.py run [--name N] [--record OUT.raw] [--rate R] [--channels C]
                     [--format s16le] [--timeout S] [--screenshot OUT.png] -- prog.exe args...
        runs one Windows program under a fresh bench and exits with the program's exit
        code, 124 on timeout, 125 when the bench failed;
    winebench.py e2e TEST_MODULE.py
        runs the tests of a unittest module for the build's architecture, failing when it
        ran none;
    winebench.py arches
        says which Windows architectures this machine runs.

Where the architecture cannot run here (no 32-bit code on this machine, say), run and
e2e print the reason and exit with SKIPPED (77), which ctest reports as skipped.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from bench_desktop import LOADERS, Display, WineDesktop, pe_arch, unavailable
from bench_process import (MARKER, BenchError, BenchTimeout, Program, Result, processes_of,  # noqa: F401
                           run_tool, spawn, wait_for, windows_path)
from bench_sound import SAMPLE_BYTES, SoundServer
from pcm_match import FRAME, RATE, NearMatch, PcmMatch, find_pcm, near_pcm, pcm_runs  # noqa: F401

SOURCE = Path(os.environ.get("ORVANE_SOURCE", Path(__file__).resolve().parents[2]))
BUILD = Path(os.environ.get("ORVANE_BUILD", SOURCE / "build" / "windows"))
BENCH_ROOT = BUILD / "bench"
SKIPPED = 77


def build_arch():
    """The architecture of the build under test: ORVANE_WINEARCH, else that of its Orvane.exe."""
    arch = os.environ.get("ORVANE_WINEARCH")
    if arch:
        if arch not in LOADERS:
            raise ValueError(f"ORVANE_WINEARCH={arch!r} is neither of {sorted(LOADERS)}")
        return arch
    return pe_arch(BUILD / "dist" / "Orvane.exe") or "win32"


def prefix_of(arch):
    return SOURCE / "build" / f"wineprefix-{arch}"


class Bench:
    def __init__(self, name="bench", rate=RATE, channels=2, fmt="s16le", desktop="orvane",
                 arch=None):
        if fmt not in SAMPLE_BYTES:
            raise ValueError(f"unknown sample format {fmt!r}")
        self.name, self.rate, self.channels, self.fmt = name, rate, channels, fmt
        self.arch = arch or build_arch()
        self.loader = LOADERS[self.arch]
        self.prefix = prefix_of(self.arch)
        self.desktop = desktop
        self.frame_bytes = SAMPLE_BYTES[fmt] * channels
        self.artefacts = BUILD / "artefacts" / name
        self._display = self._sound = self._wine = None
        self._programs = []
        self._recordings = []
        self._dir = None

    # --- life cycle -------------------------------------------------------------

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self._stop()
            raise
        return self

    def __exit__(self, *exc):
        self._stop()

    def _start(self):
        reason = unavailable(self.arch)
        if reason:
            raise BenchError(f"cannot run {self.arch} programs: {reason}")
        shutil.rmtree(self.artefacts, ignore_errors=True)
        self.artefacts.mkdir(parents=True)
        BENCH_ROOT.mkdir(parents=True, exist_ok=True)
        # Unix socket paths are short; a deep checkout falls back to /tmp.
        root = BENCH_ROOT if len(str(BENCH_ROOT)) < 70 else None
        self._dir = Path(tempfile.mkdtemp(prefix="b", dir=root))
        # A marker the caller already carries stays in front, so a caller can find what
        # the benches it started left behind (processes_of its marker).
        self.marker = os.environ.get(MARKER, "") + str(self._dir)
        self.env = dict(os.environ)
        self.env[MARKER] = self.marker
        self._display = Display(self.env, self.artefacts / "xvfb.log")
        self._sound = SoundServer(self._dir, self.env, self.artefacts / "pulse.log",
                                  self.rate, self.fmt, self.channels)
        self._wine = WineDesktop(self.arch, self.prefix, self.desktop, self.env, self._dir,
                                 self.artefacts, self.marker)
        self._wine.start()

    def _stop(self):
        steps = [rec.stop for rec in self._recordings]
        steps += [program.kill for program in self._programs]
        if self._wine:
            steps += self._wine.stop_steps()
        steps += [part.stop for part in (self._sound, self._display) if part]
        if self._dir:
            steps += [self._kill_leftovers, lambda: shutil.rmtree(self._dir, ignore_errors=True)]
        if self._wine:
            steps.append(self._wine.release)
        for step in steps:
            try:
                step()
            except Exception as e:  # the remaining steps must still run
                print(f"winebench: while stopping: {e}", file=sys.stderr)

    def _kill_leftovers(self):
        for pid in processes_of(self.marker):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    # --- API --------------------------------------------------------------------

    def leftovers(self):
        """Pids of anything this bench started that still runs (empty after exit)."""
        return processes_of(self.marker)

    def start(self, exe, args=(), env=None):
        """Starts a Windows program on the bench's desktop; returns a Program. A program
        file of the other architecture is refused: it would run under the wrong loader."""
        exe = Path(exe)
        arch = pe_arch(exe)
        if exe.exists() and arch != self.arch:
            raise BenchError(f"{exe} is {arch or 'not'} a Windows program for this bench's "
                             f"{self.arch}: every program of a test comes from one build")
        n = len(self._programs)
        out = self.artefacts / f"{exe.stem}-{n}.stdout"
        err = self.artefacts / f"{exe.stem}-{n}.stderr"
        with open(out, "wb") as o, open(err, "wb") as e:
            popen = spawn([self.loader, exe, *args], dict(self.env, **(env or {})),
                          stdin=subprocess.DEVNULL, stdout=o, stderr=e)
        program = Program(popen, exe.name, out, err)
        self._programs.append(program)
        return program

    def run(self, exe, args=(), timeout=60, env=None):
        """Runs a Windows program to its end; returns its Result. BenchTimeout on overrun."""
        return self.start(exe, args, env).wait(timeout)

    def record(self, path):
        """Starts recording what the sound card plays; stop() or leave the with block."""
        rec = self._sound.record(self.artefacts / path)
        self._recordings.append(rec)
        return rec

    def screenshot(self, path):
        """What a person would see now, as an image file; returns its path."""
        path = self.artefacts / path
        path.parent.mkdir(parents=True, exist_ok=True)
        run_tool(["import", "-window", "root", path], self.env, check=True)
        return path

    def xdotool(self, *args, check=True):
        """Runs xdotool on the bench's display; returns its output."""
        return self._wine.xdotool(*args, check=check)

    def wait_window(self, name_regex, timeout=30):
        """Waits for a visible window whose title matches; returns its X window ids."""
        ids = []

        def visible():
            ids[:] = self.xdotool("search", "--onlyvisible", "--name", name_regex,
                                  check=False).split()
            return ids
        wait_for(f"window {name_regex!r}", visible, timeout)
        return ids


# --- command line ----------------------------------------------------------------

def _skip_unless_runnable(arch):
    """None when arch runs here; else says why and gives the exit code ctest skips on."""
    reason = unavailable(arch)
    if reason is None:
        return None
    print(f"winebench: SKIPPED: the {arch} suites cannot run here: {reason}")
    return SKIPPED


def _run_program(args):
    program = args.program[1:] if args.program[:1] == ["--"] else args.program
    if not program:
        raise SystemExit("winebench.py run: no program given")
    arch = args.arch or pe_arch(program[0]) or build_arch()
    skipped = _skip_unless_runnable(arch)
    if skipped:
        return skipped
    try:
        with Bench(args.name, args.rate, args.channels, args.format, arch=arch) as bench:
            rec = bench.record(Path(args.record).resolve()) if args.record else None
            try:
                result = bench.run(program[0], program[1:], args.timeout)
            finally:
                if rec:
                    rec.stop()
                if args.screenshot:
                    bench.screenshot(Path(args.screenshot).resolve())
    except BenchTimeout as e:
        print(f"winebench: {e}", file=sys.stderr)
        return 124
    except BenchError as e:
        print(f"winebench: {e}", file=sys.stderr)
        return 125
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr)
    return result.returncode


def _run_e2e(args):
    skipped = _skip_unless_runnable(build_arch())
    if skipped:
        return skipped
    module = Path(args.module).resolve()
    sys.path.insert(0, str(module.parent))
    suite = unittest.defaultTestLoader.loadTestsFromName(module.stem)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if result.testsRun == 0:
        print("winebench: the module ran no test")
        return 1
    return 0 if result.wasSuccessful() else 1


def _list_arches(_args):
    runnable = [arch for arch in LOADERS if unavailable(arch) is None]
    for arch in LOADERS:
        print(f"{arch}: " + ("runs here" if arch in runnable else f"skipped: {unavailable(arch)}"))
    return 0 if runnable else 1


def main(argv):
    parser = argparse.ArgumentParser(description="Run Windows programs under the Wine bench.")
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("run", help="run one program under a fresh bench")
    run.add_argument("--arch", choices=sorted(LOADERS),
                     help="the bench's architecture (default: the program's)")
    run.add_argument("--name", default="cli", help="artefacts go to artefacts/NAME")
    run.add_argument("--record", help="record the sound card to this raw file")
    run.add_argument("--rate", type=int, default=RATE)
    run.add_argument("--channels", type=int, default=2)
    run.add_argument("--format", default="s16le", choices=sorted(SAMPLE_BYTES))
    run.add_argument("--timeout", type=float, default=60)
    run.add_argument("--screenshot", help="screenshot after the program ended or timed out")
    run.add_argument("program", nargs=argparse.REMAINDER)
    run.set_defaults(action=_run_program)
    e2e = sub.add_parser("e2e", help="run a unittest module of the build's architecture")
    e2e.add_argument("module", help="the test module's file")
    e2e.set_defaults(action=_run_e2e)
    sub.add_parser("arches", help="which architectures run here").set_defaults(action=_list_arches)
    args = parser.parse_args(argv)
    # ctest and a user's ^C stop the bench the orderly way.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(125))
    return args.action(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
