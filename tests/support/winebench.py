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
they run one after another, also from different checkouts. Everything a bench starts is stopped when it exits, also
on an exception; artefacts go to <build>/artefacts/<name>/.

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
import ctypes
import fcntl
import functools
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from array import array
from dataclasses import dataclass
from pathlib import Path

SOURCE = Path(os.environ.get("ORVANE_SOURCE", Path(__file__).resolve().parents[2]))
BUILD = Path(os.environ.get("ORVANE_BUILD", SOURCE / "build" / "windows"))
BENCH_ROOT = BUILD / "bench"
SKIPPED = 77
MACHINE_LOCK = Path(tempfile.gettempdir()) / "orvane-winebench.lock"
DESKTOP_SIZE = "1024x768"
DESKTOP_WAIT = 40  # seconds; a desktop shows within 3 s on an idle machine
DESKTOP_ATTEMPTS = 3
# The sound card a bench has unless a test asks for another: 44.1 kHz, 16-bit stereo.
RATE = 44100
FRAME = 4
SAMPLE_BYTES = {"s16le": 2, "s24le": 3, "s24-32le": 4, "s32le": 4, "float32le": 4}
MARKER = "ORVANE_BENCH"

_libc = ctypes.CDLL(None, use_errno=True)

# Debian's wine script picks the 32-bit loader whenever it is installed, runnable or not;
# the bench names the loader itself.
LOADERS = {"win32": Path("/usr/lib/wine/wine"), "win64": Path("/usr/lib/wine/wine64")}
PE_MACHINES = {0x014C: "win32", 0x8664: "win64"}


def build_arch():
    """The architecture of the build under test: ORVANE_WINEARCH, else that of its Orvane.exe."""
    arch = os.environ.get("ORVANE_WINEARCH")
    if arch:
        if arch not in LOADERS:
            raise ValueError(f"ORVANE_WINEARCH={arch!r} is neither of {sorted(LOADERS)}")
        return arch
    return pe_arch(BUILD / "dist" / "Orvane.exe") or "win32"


def pe_arch(path):
    """win32 or win64 for a Windows program file, None for anything else."""
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
    except OSError:
        return None
    if head[:2] != b"MZ" or len(head) < 0x40:
        return None
    pe = int.from_bytes(head[0x3C:0x40], "little")
    if head[pe:pe + 4] != b"PE\0\0":
        return None
    return PE_MACHINES.get(int.from_bytes(head[pe + 4:pe + 6], "little"))


@functools.cache
def unavailable(arch):
    """Why Windows programs of arch cannot run on this machine, or None when they can."""
    if arch == "win32" and os.environ.get("ORVANE_NO_WIN32") == "1":
        return "ORVANE_NO_WIN32=1 asks the bench to act as if 32-bit code could not run"
    loader = LOADERS[arch]
    if not loader.exists():
        return f"Wine's {arch} loader {loader} is not installed"
    try:
        done = subprocess.run([loader, "--version"], capture_output=True, timeout=60)
    except OSError as e:
        return f"this machine cannot execute Wine's {arch} loader {loader}: {e.strerror}"
    except subprocess.TimeoutExpired:
        return f"Wine's {arch} loader {loader} did not answer --version"
    if done.returncode != 0:
        return f"Wine's {arch} loader {loader} failed ({done.returncode}): " \
               f"{done.stderr.decode(errors='replace').strip()}"
    return None


def prefix_of(arch):
    return SOURCE / "build" / f"wineprefix-{arch}"


class BenchError(Exception):
    """The bench itself could not do what was asked."""


class BenchTimeout(BenchError):
    """A program did not finish in its time limit; it has been killed."""


def _die_with_parent():
    # A test runner killed outright must not leave servers behind (PR_SET_PDEATHSIG).
    _libc.prctl(1, signal.SIGKILL)


def _spawn(argv, env, **kwargs):
    return subprocess.Popen([str(a) for a in argv], env=env, start_new_session=True,
                            preexec_fn=_die_with_parent, **kwargs)


def _end(popen, grace=5):
    """Stops a process we started and its process group: politely, then for sure."""
    if popen is None:
        return
    if popen.stdin:
        popen.stdin.close()
    if popen.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 10)):
        try:
            os.killpg(popen.pid, sig)
        except ProcessLookupError:
            pass
        try:
            popen.wait(wait)
            return
        except subprocess.TimeoutExpired:
            continue


def processes_of(marker):
    """Pids of the processes whose bench marker starts with marker."""
    wanted = f"{MARKER}={marker}".encode()
    pids = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if any(v.startswith(wanted) for v in environ):
            pids.append(int(entry.name))
    return pids


def _read_line(fd, timeout):
    """A child's first line on fd; empty on timeout or end of file."""
    line = b""
    deadline = time.monotonic() + timeout
    while not line.endswith(b"\n") and \
            select.select([fd], [], [], max(0, deadline - time.monotonic()))[0]:
        chunk = os.read(fd, 16)
        if not chunk:
            break
        line += chunk
    return line.decode().strip()


def windows_path(path):
    """The path a Windows program on the bench uses for a file of ours (Z: is /)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def wait_for(what, ready, timeout=20, alive=lambda: True):
    """Polls ready() until it gives a true value, which it returns; BenchError after
    timeout s or when alive() fails."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = ready()
        if value:
            return value
        if not alive():
            raise BenchError(f"{what}: the process died while starting")
        time.sleep(0.05)
    raise BenchError(f"{what} not ready within {timeout} s")


@dataclass
class Result:
    returncode: int
    stdout: str
    stderr: str


class Program:
    """A Windows program running on the bench."""

    def __init__(self, popen, name, stdout_path, stderr_path):
        self._popen = popen
        self.name = name
        self._stdout = stdout_path
        self._stderr = stderr_path

    @property
    def running(self):
        return self._popen.poll() is None

    def wait(self, timeout):
        """Waits for the program; kills it and raises BenchTimeout when it overruns."""
        try:
            code = self._popen.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise BenchTimeout(f"{self.name} did not finish within {timeout} s; killed. "
                               f"Output so far: {self._read(self._stdout)[-2000:]!r}") from None
        stderr = self._read(self._stderr)
        # Only the low byte of a Windows exit code reaches us; a crash whose status
        # ends in 00 must still not pass for success.
        if code == 0 and "Unhandled exception:" in stderr:
            code = 1
        return Result(code, self._read(self._stdout), stderr)

    def kill(self):
        _end(self._popen, grace=0)

    @staticmethod
    def _read(path):
        return path.read_bytes().decode("utf-8", "replace")


class Recording:
    """parec of the null sink's monitor into a raw file in the bench's sample format."""

    def __init__(self, bench, path):
        self.path = path
        before = bench._record_streams()
        self._file = open(path, "wb")
        self._popen = _spawn(["parec", f"--device={bench.sink}.monitor", f"--format={bench.fmt}",
                              f"--rate={bench.rate}", f"--channels={bench.channels}",
                              "--latency-msec=20"], bench.env, stdout=self._file)
        # Sound played before parec is connected would be lost.
        try:
            wait_for("parec", lambda: bench._record_streams() > before, 10,
                     lambda: self._popen.poll() is None)
        except BenchError:
            self.stop(settle=0)
            raise

    def stop(self, settle=0.3):
        """Lets what is still in the sound server arrive, then stops the recording."""
        if self._file.closed:
            return
        if self._popen.poll() is None:
            time.sleep(settle)
            self._popen.send_signal(signal.SIGINT)
            try:
                self._popen.wait(5)
            except subprocess.TimeoutExpired:
                _end(self._popen)
        self._file.close()

    def data(self):
        return self.path.read_bytes()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


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
        self.sink = "bench_sink"
        self.frame_bytes = SAMPLE_BYTES[fmt] * channels
        self.artefacts = BUILD / "artefacts" / name
        self._procs = {}
        self._programs = []
        self._recordings = []
        self._lock = None
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
        self._start_x()
        self._start_pulse()
        self._start_wine()

    def _start_x(self):
        # Xvfb picks a free display itself and tells its number through the pipe.
        read, write = os.pipe()
        with open(self.artefacts / "xvfb.log", "wb") as log:
            try:
                self._procs["Xvfb"] = _spawn(
                    ["Xvfb", "-displayfd", write, "-screen", "0", f"{DESKTOP_SIZE}x24",
                     "-nolisten", "tcp"], self.env, pass_fds=(write,),
                    stdout=subprocess.DEVNULL, stderr=log)
            finally:
                os.close(write)
        try:
            display = _read_line(read, 20)
        finally:
            os.close(read)
        if not display:
            raise BenchError("Xvfb did not report a display; see xvfb.log")
        self.env["DISPLAY"] = ":" + display

    def _start_pulse(self):
        home = self._dir / "home"
        home.mkdir()
        socket = self._dir / "native"
        # No autospawn from any system or user client.conf; our daemon only. No shared
        # memory: importing Wine's memfd blocks trips an assertion that kills the daemon.
        (self._dir / "client.conf").write_text("autospawn = no\nenable-shm = no\n")
        # Rewinds make the monitor lose what the sink had already rendered when a
        # stream starts or underruns; without them the recording is exact.
        (self._dir / "bench.pa").write_text(
            f"load-module module-native-protocol-unix socket={socket} auth-anonymous=1\n"
            f"load-module module-null-sink sink_name={self.sink} rate={self.rate} "
            f"format={self.fmt} channels={self.channels} norewinds=1\n"
            f"set-default-sink {self.sink}\n")
        pulse_env = dict(self.env, HOME=str(home), XDG_RUNTIME_DIR=str(self._dir),
                         PULSE_RUNTIME_PATH=str(self._dir / "pulse"),
                         PULSE_STATE_PATH=str(self._dir / "state"))
        pulse_env.pop("DISPLAY")
        with open(self.artefacts / "pulse.log", "wb") as log:
            self._procs["pulseaudio"] = _spawn(
                ["pulseaudio", "-n", "-F", self._dir / "bench.pa", "--daemonize=no",
                 "--exit-idle-time=-1", "--use-pid-file=no", "--system=false",
                 "--disable-shm=yes", "--log-target=stderr"],
                pulse_env, stdout=subprocess.DEVNULL, stderr=log)
        self.env.update(PULSE_SERVER=f"unix:{socket}",
                        PULSE_CLIENTCONFIG=str(self._dir / "client.conf"),
                        PULSE_COOKIE=str(self._dir / "cookie"))
        wait_for("pulseaudio", lambda: self._tool(["pactl", "info"]).returncode == 0, 20,
                 lambda: self._procs["pulseaudio"].poll() is None)

    def _start_wine(self):
        self.env.update(WINEPREFIX=str(self.prefix), WINEARCH=self.arch,
                        WINELOADER=str(self.loader), WINEDEBUG="-all",
                        LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8",
                        # No Mono/Gecko installer prompts, no menu entries in $HOME.
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        # One lock for the whole machine, every checkout and both prefixes: recordings are
        # real time and want the machine to themselves.
        self._lock = open(MACHINE_LOCK, "w")
        fcntl.flock(self._lock, fcntl.LOCK_EX)
        self._ensure_prefix()
        reg = self._dir / "bench.reg"
        reg.write_text(self._registry(), encoding="ascii", newline="\r\n")
        for attempt in range(1, DESKTOP_ATTEMPTS + 1):
            try:
                self._start_desktop(reg)
                return
            except BenchError:
                # Seldom (twice in some 70 starts of one suite run) the desktop never
                # shows while the same start takes 3 s otherwise; what was running is
                # kept for the next look, and a fresh server gets another go.
                self._log_desktop_failure(attempt)
                for name in ("desktop", "desktop keeper"):
                    _end(self._procs.pop(name, None))
                if attempt == DESKTOP_ATTEMPTS:
                    raise

    def _start_desktop(self, reg):
        # A server left by a runner that was killed would hold another display.
        self._stop_wineserver()
        # A server that stays until the bench stops it. Debian's wineserver leaves as soon as
        # its last client does, and a program starting while it goes away dies with it.
        self._tool(["wineserver", "-p"], check=True)
        # The first Wine start after a Wine upgrade also updates the prefix.
        self._wine_step(["regedit", "/S", reg], timeout=300)
        # The desktop closes when its last process exits; this one keeps it (and the
        # tray) up between the programs of a test.
        self._procs["desktop keeper"] = _spawn(
            [self.loader, "cmd", "/c", "pause"], self.env, stdin=subprocess.PIPE,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Explorer either becomes the desktop's process or, when the keeper's start
        # already made one, returns at once.
        self._procs["desktop"] = _spawn(
            [self.loader, "explorer", f"/desktop={self.desktop},{DESKTOP_SIZE}"], self.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("virtual desktop", lambda: self.xdotool(
            "search", "--onlyvisible", "--name", f"^{self.desktop} - ", check=False), DESKTOP_WAIT,
            lambda: self._procs["desktop keeper"].poll() is None)

    def _log_desktop_failure(self, attempt):
        windows = self.xdotool("search", "--name", ".", check=False).split()
        names = [self.xdotool("getwindowname", w, check=False) for w in windows]
        running = [Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
                   for pid in processes_of(self.marker) if Path(f"/proc/{pid}").exists()]
        with open(self.artefacts / "desktop-start.log", "a") as log:
            print(f"attempt {attempt}: no desktop after {DESKTOP_WAIT} s", file=log)
            print("windows:", names, file=log)
            print("processes:", *running, sep="\n  ", file=log)

    def _registry(self):
        d = self.desktop
        return (
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n\"Audio\"=\"pulse\"\n\n"
            # Every process lands on this desktop, so `wine prog.exe` keeps its exit code
            # (explorer /desktop=... always returns 0).
            f"[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n\"Desktop\"=\"{d}\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"
            f"\"{d}\"=\"{DESKTOP_SIZE}\"\n\n"
            f"[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\{d}]\n"
            "\"EnableShell\"=dword:00000001\n\n"
            # A crash prints its backtrace to stderr instead of waiting on a dialog.
            "[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n\"ShowCrashDialog\"=dword:00000000\n\n")

    def _ensure_prefix(self):
        ready = self.prefix / ".bench-ready"
        if ready.exists():
            return
        shutil.rmtree(self.prefix, ignore_errors=True)
        self._wine_step(["wineboot", "-i"], timeout=300)
        self._tool(["wineserver", "-w"], timeout=120)
        ready.write_text("initialised by winebench.py\n")

    def _stop(self):
        steps = [rec.stop for rec in self._recordings]
        steps += [program.kill for program in self._programs]
        if self._lock:
            steps.append(self._stop_wineserver)
        steps += [lambda p=p: _end(p) for p in self._procs.values()]
        if self._dir:
            steps += [self._kill_leftovers, lambda: shutil.rmtree(self._dir, ignore_errors=True)]
        if self._lock:
            steps.append(self._lock.close)
        for step in steps:
            try:
                step()
            except Exception as e:  # the remaining steps must still run
                print(f"winebench: while stopping: {e}", file=sys.stderr)
        self._lock = None

    def _stop_wineserver(self):
        # A Wine program started while the old server is still going away fails to connect.
        self._tool(["wineserver", "-k"])
        self._tool(["wineserver", "-w"], timeout=60)

    def _kill_leftovers(self):
        for pid in processes_of(self.marker):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    # --- helpers ----------------------------------------------------------------

    def _tool(self, argv, timeout=30, check=False):
        # Files, not pipes: a wineserver or desktop process that the tool starts inherits
        # them and would hold a pipe open long after the tool itself has finished.
        argv = [str(a) for a in argv]
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                code = subprocess.run(argv, env=self.env, stdout=out, stderr=err,
                                      timeout=timeout, preexec_fn=_die_with_parent).returncode
            except subprocess.TimeoutExpired:
                raise BenchError(f"{' '.join(argv)} did not finish within {timeout} s") from None
            out.seek(0)
            err.seek(0)
            done = subprocess.CompletedProcess(argv, code, out.read(), err.read())
        if check and code != 0:
            raise BenchError(f"{' '.join(argv)} failed ({code}): "
                             f"{done.stderr.decode(errors='replace').strip()}")
        return done

    def _wine_step(self, argv, timeout=60):
        self._tool([self.loader, *argv], timeout=timeout, check=True)

    def _record_streams(self):
        listed = self._tool(["pactl", "list", "short", "source-outputs"], check=True)
        return len(listed.stdout.splitlines())

    def _artefact(self, path):
        return self.artefacts / path

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
        out = self._artefact(f"{exe.stem}-{n}.stdout")
        err = self._artefact(f"{exe.stem}-{n}.stderr")
        with open(out, "wb") as o, open(err, "wb") as e:
            popen = _spawn([self.loader, exe, *args], dict(self.env, **(env or {})),
                           stdin=subprocess.DEVNULL, stdout=o, stderr=e)
        program = Program(popen, exe.name, out, err)
        self._programs.append(program)
        return program

    def run(self, exe, args=(), timeout=60, env=None):
        """Runs a Windows program to its end; returns its Result. BenchTimeout on overrun."""
        return self.start(exe, args, env).wait(timeout)

    def record(self, path):
        """Starts recording what the sound card plays; stop() or leave the with block."""
        if self._procs["pulseaudio"].poll() is not None:
            raise BenchError(f"the bench's pulseaudio has died; see {self.artefacts}/pulse.log")
        rec = Recording(self, self._artefact(path))
        self._recordings.append(rec)
        return rec

    def screenshot(self, path):
        """What a person would see now, as an image file; returns its path."""
        path = self._artefact(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        self._tool(["import", "-window", "root", path], check=True)
        return path

    def xdotool(self, *args, check=True):
        """Runs xdotool on the bench's display; returns its output."""
        return self._tool(["xdotool", *args], check=check).stdout.decode().strip()

    def wait_window(self, name_regex, timeout=30):
        """Waits for a visible window whose title matches; returns its X window ids."""
        ids = []

        def visible():
            ids[:] = self.xdotool("search", "--onlyvisible", "--name", name_regex,
                                  check=False).split()
            return ids
        wait_for(f"window {name_regex!r}", visible, timeout)
        return ids


# --- comparing recordings --------------------------------------------------------

PROBE_FRAMES = 1024


@dataclass
class PcmMatch:
    ok: bool
    offset: int  # recording frame at which expected frame 0 lies (before any gap)
    matched: int  # expected frames from the skip on found in order, sample for sample
    gaps: list  # (expected frame, silent frames inserted before it)
    message: str


def _frames(ms, rate):
    return ms * rate // 1000


def _find_aligned(haystack, needle, frame_bytes):
    pos = haystack.find(needle)
    while pos >= 0 and pos % frame_bytes:
        pos = haystack.find(needle, pos + 1)
    return pos // frame_bytes if pos >= 0 else None


def _locate(recorded, expected, frame_bytes, first, end):
    """(expected frame, recording frame) of the first probe from `first` on that is recorded."""
    for at in range(first, end - PROBE_FRAMES + 1, PROBE_FRAMES):
        probe = expected[at * frame_bytes:(at + PROBE_FRAMES) * frame_bytes]
        if probe.count(probe[:1]) == len(probe):
            continue  # silence would match anywhere
        pos = _find_aligned(recorded, probe, frame_bytes)
        if pos is not None:
            return at, pos
    return None


def _first_difference(got, want, frame_bytes):
    """First frame where got differs from want, or None when got is a prefix of want."""
    if got == want[:len(got)]:
        return None
    chunk = 64 * frame_bytes
    base = 0
    while got[base:base + chunk] == want[base:base + chunk]:
        base += chunk
    for i in range(base, base + chunk, frame_bytes):
        if got[i:i + frame_bytes] != want[i:i + frame_bytes]:
            return i // frame_bytes


def _silent_frames(recorded, frame, frame_bytes):
    rest = recorded[frame * frame_bytes:]
    return (len(rest) - len(rest.lstrip(b"\0"))) // frame_bytes


def find_pcm(recorded, expected, frame_bytes, skip_ms=100, tail_ms=150, rate=RATE,
             allow_gaps=True):
    """Finds expected PCM in a recording and checks it sample for sample.

    Wine's wave-out may lose the first skip_ms of a stream, and the last tail_ms still
    buffered in the sound server when a program exits may be missing: the expected
    frames between those two allowances must all be in the recording, in order and
    exact. With allow_gaps, runs of digital silence inserted between them are accepted
    and listed in the result's gaps: the sound server inserts them when its client is
    late (an underrun, on a loaded machine); lost or changed frames never pass. The
    expected PCM must not repeat itself (use noise or a sweep, not a pure tone), or a
    period-shifted copy would match as well.
    """
    total = len(expected) // frame_bytes
    skip, tail = _frames(skip_ms, rate), _frames(tail_ms, rate)
    end = total - tail
    if end - skip < PROBE_FRAMES:
        return PcmMatch(False, 0, 0, [], f"expected PCM ({total} frames) is too short for "
                                         f"the allowances ({skip} + {tail} frames)")
    found = _locate(recorded, expected, frame_bytes, skip, end)
    if found is None:
        return PcmMatch(False, 0, 0, [], f"no part of expected frames {skip}..{end} is in "
                                         f"the recording ({len(recorded) // frame_bytes} frames)")
    at, pos = found
    offset = pos - at
    if offset + skip < 0:
        return PcmMatch(False, offset, 0, [], f"expected frame {at} is at recording frame "
                                              f"{pos}: frames {skip}..{at} are lost")
    frame, where, gaps = skip, offset + skip, []
    while True:
        got = recorded[where * frame_bytes:(where + total - frame) * frame_bytes]
        diff = _first_difference(got, expected[frame * frame_bytes:total * frame_bytes],
                                 frame_bytes)
        if diff is None:
            frame, where = frame + len(got) // frame_bytes, where + len(got) // frame_bytes
            break
        frame, where = frame + diff, where + diff
        silent = _silent_frames(recorded, where, frame_bytes)
        # What differs within the tail allowance, or silence to the end, is not a gap.
        if frame >= end or not allow_gaps or not silent or \
                (where + silent) * frame_bytes >= len(recorded):
            break
        gaps.append((frame, silent))
        where += silent
    match = PcmMatch(frame >= end, offset, frame - skip, gaps, "")
    if match.ok:
        match.message = (f"{match.matched} frames from expected frame {skip} match at "
                         f"recording frame {offset + skip}; silent gaps inserted: {gaps}")
    elif where * frame_bytes >= len(recorded):
        match.message = (f"the recording ends at expected frame {frame}; frames {frame}..{end} "
                         f"(before the tail allowance) are missing; gaps before: {gaps}")
    else:
        match.message = _describe_difference(recorded, expected, frame_bytes, frame, where, end)
        match.message += f"; {match.matched} frames from frame {skip} matched, gaps: {gaps}"
    return match


def near_pcm(recorded, expected, skip_ms=100, tail_ms=150, rate=RATE):
    """For 16-bit stereo PCM of a decoder that rounds on its own (floating-point decoders):
    the largest sample difference between expected and the recording over the frames between
    the allowances of find_pcm, with the recording placed where a probe of expected is found
    to within 64 LSB; None when no place is found or the recording does not cover them. Runs
    of 32 or more frames of digital silence in the recording are stepped over, as find_pcm
    allows them (the sound server's underruns); noise never has them, so they hide nothing."""
    def coarse(data):
        return array("H", ((v + 32768) >> 6 for v in array("h", data))).tobytes()
    frame_bytes = 4  # two channels of 2 bytes, coarse or not
    got, want = array("h", recorded[:len(recorded) // frame_bytes * frame_bytes]), array("h", expected)
    frames, total = len(got) // 2, len(want) // 2
    skip, end = _frames(skip_ms, rate), total - _frames(tail_ms, rate)
    rough = coarse(got.tobytes())
    for start in range(skip, end - 32, 97):
        at = _find_aligned(rough, coarse(want[start * 2:(start + 32) * 2].tobytes()), frame_bytes)
        if at is not None:
            break
    else:
        return None
    offset, worst, i = at - start, 0, skip
    if offset + skip < 0:
        return None
    while i < end:
        j = offset + i
        if j >= frames:
            return None
        silent = 0
        while j + silent < frames and got[2 * (j + silent)] == 0 == got[2 * (j + silent) + 1]:
            silent += 1
        if silent >= 32:
            offset += silent
            continue
        worst = max(worst, abs(got[2 * j] - want[2 * i]), abs(got[2 * j + 1] - want[2 * i + 1]))
        i += 1
    return worst


def pcm_runs(recorded, expected, frame_bytes, probe=256, join_gaps=0):
    """The recording as runs of the expected PCM, for playback that jumps or pauses:
    (recording frame, expected frame, frames) in recording order, silence skipped. Two runs
    whose expected data goes on across a gap of fewer than join_gaps frames count as one:
    such gaps are the sound server's underruns on a loaded machine, not the player's."""
    silent = bytes(frame_bytes)
    frames, total = len(recorded) // frame_bytes, len(expected) // frame_bytes

    def same(r, e):
        return recorded[r * frame_bytes:(r + 1) * frame_bytes] == \
            expected[e * frame_bytes:(e + 1) * frame_bytes]

    runs = []
    r = 0
    while r + probe <= frames:
        chunk = recorded[r * frame_bytes:(r + probe) * frame_bytes]
        if chunk == silent * probe:
            r += probe // 4
            continue
        e = _find_aligned(expected, chunk, frame_bytes)
        if e is None:
            r += 1
            continue
        # Back to the run's first frame, then on to its last.
        while r > 0 and e > 0 and same(r - 1, e - 1) and \
                recorded[(r - 1) * frame_bytes:r * frame_bytes] != silent:
            r, e = r - 1, e - 1
        n = 0
        while r + n < frames and e + n < total and same(r + n, e + n):
            n += 1
        last = runs[-1] if runs else None
        if last and last[1] + last[2] == e and r - (last[0] + last[2]) < join_gaps:
            runs[-1] = (last[0], last[1], e + n - last[1])
        else:
            runs.append((r, e, n))
        r += n
    return runs


def _describe_difference(recorded, expected, frame_bytes, frame, where, end):
    want = expected[frame * frame_bytes:(frame + 1) * frame_bytes]
    got = recorded[where * frame_bytes:(where + 1) * frame_bytes]
    text = (f"expected frame {frame} (recording frame {where}) differs: expected "
            f"{want.hex()} got {got.hex()}")
    again = _locate(recorded[(where + 1) * frame_bytes:], expected, frame_bytes, frame, end)
    if again is None:
        return text + "; no later part of the expected data is in the recording"
    at, pos = again
    shift = (where + 1 + pos - at) - (where - frame)
    kind = "inserted" if shift > 0 else "lost" if shift < 0 else "overwritten"
    return text + (f"; the expected data continues from frame {at} shifted by {shift:+d} "
                   f"(frames {kind})")


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


def _main(argv):
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
    sys.exit(_main(sys.argv[1:]))
