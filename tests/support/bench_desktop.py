"""The bench's screen and Windows: a private Xvfb display, Wine's loader and prefix of one
architecture, and Wine's virtual desktop (with taskbar and tray) on that display."""

import fcntl
import functools
import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from bench_process import BenchError, end_process, processes_of, read_line, run_tool, spawn, wait_for
from pe_file import NotPe, machine_of

DESKTOP_SIZE = "1024x768"
DESKTOP_WAIT = 40  # seconds; a desktop shows within 3 s on an idle machine
DESKTOP_ATTEMPTS = 3
MACHINE_LOCK = Path(tempfile.gettempdir()) / "orvane-winebench.lock"
# Debian's wine script picks the 32-bit loader whenever it is installed, runnable or not;
# the bench names the loader itself.
LOADERS = {"win32": Path("/usr/lib/wine/wine"), "win64": Path("/usr/lib/wine/wine64")}
# Wine's 32-bit DLLs, installed also where the kernel cannot execute 32-bit code.
WINE_X86_DLLS = Path("/usr/lib/i386-linux-gnu/wine/i386-windows")


def pe_arch(path):
    """win32 or win64 for a Windows program file, None for anything else."""
    try:
        with open(path, "rb") as f:
            arch = machine_of(f.read(4096))
    except (OSError, NotPe):
        return None
    return arch if arch in LOADERS else None


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


def add_x86_assemblies(winsxs):
    """Gives a 64-bit prefix the x86 side-by-side assemblies that every 64-bit Windows has
    beside its amd64 ones. Wine installs them only by running its 32-bit side, so a prefix
    made where 32-bit code cannot run lacks them, and a 64-bit program bound to an x86
    assembly would start there although it fails on Windows."""
    for manifest in (winsxs / "manifests").glob("amd64_*.manifest"):
        twin = manifest.with_name("x86_" + manifest.name[len("amd64_"):])
        folder = winsxs / manifest.stem
        dlls = [WINE_X86_DLLS / f.name for f in folder.glob("*")] if folder.is_dir() else []
        if twin.exists() or not dlls or not all(dll.exists() for dll in dlls):
            continue
        x86_folder = winsxs / twin.stem
        x86_folder.mkdir(exist_ok=True)
        for dll in dlls:
            shutil.copyfile(dll, x86_folder / dll.name)
        twin.write_text(manifest.read_text(encoding="utf-8").replace(
            'processorArchitecture="amd64"', 'processorArchitecture="x86"'), encoding="utf-8")


class Display:
    """A private Xvfb; env gets its DISPLAY."""

    def __init__(self, env, log_path):
        # Xvfb picks a free display itself and tells its number through the pipe.
        read, write = os.pipe()
        with open(log_path, "wb") as log:
            try:
                self.process = spawn(["Xvfb", "-displayfd", write, "-screen", "0", f"{DESKTOP_SIZE}x24",
                                      "-nolisten", "tcp"], env, pass_fds=(write,),
                                     stdout=subprocess.DEVNULL, stderr=log)
            finally:
                os.close(write)
        try:
            display = read_line(read, 20)
        finally:
            os.close(read)
        if not display:
            raise BenchError(f"Xvfb did not report a display; see {log_path}")
        env["DISPLAY"] = ":" + display

    def stop(self):
        end_process(self.process)


class WineDesktop:
    """Wine of one architecture in its prefix, its virtual desktop on the display in env.
    Holds the machine-wide lock from start to stop: recordings are real time and want the
    machine to themselves, whichever checkout or architecture runs them."""

    def __init__(self, arch, prefix, name, env, folder, artefacts, marker):
        self.arch, self.loader, self.prefix, self.name = arch, LOADERS[arch], prefix, name
        self.env, self._folder, self._artefacts, self._marker = env, folder, artefacts, marker
        self._procs = {}
        self._lock = None

    def start(self):
        self.env.update(WINEPREFIX=str(self.prefix), WINEARCH=self.arch,
                        WINELOADER=str(self.loader), WINEDEBUG="-all",
                        LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8",
                        # No Mono/Gecko installer prompts, no menu entries in $HOME.
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        self._lock = open(MACHINE_LOCK, "w")
        fcntl.flock(self._lock, fcntl.LOCK_EX)
        self._ensure_prefix()
        reg = self._folder / "bench.reg"
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
                    end_process(self._procs.pop(name, None))
                if attempt == DESKTOP_ATTEMPTS:
                    raise

    def stop_steps(self):
        """What ends the desktop and the Wine server, in order; the lock stays till release."""
        steps = [self._stop_wineserver] if self._lock else []
        steps += [lambda p=p: end_process(p) for p in self._procs.values()]
        return steps

    def release(self):
        if self._lock:
            self._lock.close()
        self._lock = None

    def xdotool(self, *args, check=True):
        return run_tool(["xdotool", *args], self.env, check=check).stdout.decode().strip()

    def _start_desktop(self, reg):
        # A server left by a runner that was killed would hold another display.
        self._stop_wineserver()
        # A server that stays until the bench stops it. Debian's wineserver leaves as soon as
        # its last client does, and a program starting while it goes away dies with it.
        run_tool(["wineserver", "-p"], self.env, check=True)
        # The first Wine start after a Wine upgrade also updates the prefix.
        self._wine_step(["regedit", "/S", reg], timeout=300)
        # The desktop closes when its last process exits; this one keeps it (and the
        # tray) up between the programs of a test.
        self._procs["desktop keeper"] = spawn(
            [self.loader, "cmd", "/c", "pause"], self.env, stdin=subprocess.PIPE,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Explorer either becomes the desktop's process or, when the keeper's start
        # already made one, returns at once.
        self._procs["desktop"] = spawn(
            [self.loader, "explorer", f"/desktop={self.name},{DESKTOP_SIZE}"], self.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("virtual desktop", lambda: self.xdotool(
            "search", "--onlyvisible", "--name", f"^{self.name} - ", check=False), DESKTOP_WAIT,
            lambda: self._procs["desktop keeper"].poll() is None)

    def _log_desktop_failure(self, attempt):
        windows = self.xdotool("search", "--name", ".", check=False).split()
        names = [self.xdotool("getwindowname", w, check=False) for w in windows]
        running = [Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
                   for pid in processes_of(self._marker) if Path(f"/proc/{pid}").exists()]
        with open(self._artefacts / "desktop-start.log", "a") as log:
            print(f"attempt {attempt}: no desktop after {DESKTOP_WAIT} s", file=log)
            print("windows:", names, file=log)
            print("processes:", *running, sep="\n  ", file=log)

    def _registry(self):
        d = self.name
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
        run_tool(["wineserver", "-w"], self.env, timeout=120)
        if self.arch == "win64":
            add_x86_assemblies(self.prefix / "drive_c" / "windows" / "winsxs")
        ready.write_text("initialised by winebench.py\n")

    def _stop_wineserver(self):
        # A Wine program started while the old server is still going away fails to connect.
        run_tool(["wineserver", "-k"], self.env)
        run_tool(["wineserver", "-w"], self.env, timeout=60)

    def _wine_step(self, argv, timeout=60):
        run_tool([self.loader, *argv], self.env, timeout=timeout, check=True)
