"""The processes a bench starts: started in a session of their own that dies with the
test runner, found again by the marker in their environment, stopped politely then for
sure; Windows programs as Program objects with their exit code and output."""

import ctypes
import os
import select
import signal
import subprocess
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

# Every process a bench starts carries this variable, so what outlives it can be found.
MARKER = "ORVANE_BENCH"

_libc = ctypes.CDLL(None, use_errno=True)


class BenchError(Exception):
    """The bench itself could not do what was asked."""


class BenchTimeout(BenchError):
    """A program did not finish in its time limit; it has been killed."""


def die_with_parent():
    # A test runner killed outright must not leave servers behind (PR_SET_PDEATHSIG).
    _libc.prctl(1, signal.SIGKILL)


def spawn(argv, env, **kwargs):
    return subprocess.Popen([str(a) for a in argv], env=env, start_new_session=True,
                            preexec_fn=die_with_parent, **kwargs)


def end_process(popen, grace=5):
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


def read_line(fd, timeout):
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
        end_process(self._popen, grace=0)

    @property
    def stderr(self):
        """What the program has written to standard error so far (Wine's traces among it)."""
        return self._read(self._stderr)

    @staticmethod
    def _read(path):
        return path.read_bytes().decode("utf-8", "replace")


def run_tool(argv, env, timeout=30, check=False):
    """Runs a Linux tool of the bench to its end; its CompletedProcess (output as bytes)."""
    # Files, not pipes: a wineserver or desktop process that the tool starts inherits
    # them and would hold a pipe open long after the tool itself has finished.
    argv = [str(a) for a in argv]
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            code = subprocess.run(argv, env=env, stdout=out, stderr=err,
                                  timeout=timeout, preexec_fn=die_with_parent).returncode
        except subprocess.TimeoutExpired:
            raise BenchError(f"{' '.join(argv)} did not finish within {timeout} s") from None
        out.seek(0)
        err.seek(0)
        done = subprocess.CompletedProcess(argv, code, out.read(), err.read())
    if check and code != 0:
        raise BenchError(f"{' '.join(argv)} failed ({code}): "
                         f"{done.stderr.decode(errors='replace').strip()}")
    return done
