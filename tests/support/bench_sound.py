"""The bench's sound card: a private PulseAudio daemon whose default sink is a null sink at
the rate, format and channel count under test, and recordings of that sink's monitor."""

import signal
import subprocess
import time

from bench_process import BenchError, end_process, run_tool, spawn, wait_for

SAMPLE_BYTES = {"s16le": 2, "s24le": 3, "s24-32le": 4, "s32le": 4, "float32le": 4}
SINK = "bench_sink"


class SoundServer:
    def __init__(self, folder, env, log_path, rate, fmt, channels):
        """Starts the daemon with its files in folder; env gets what its clients need."""
        home = folder / "home"
        home.mkdir()
        socket = folder / "native"
        # No autospawn from any system or user client.conf; our daemon only. No shared
        # memory: importing Wine's memfd blocks trips an assertion that kills the daemon.
        (folder / "client.conf").write_text("autospawn = no\nenable-shm = no\n")
        # Rewinds make the monitor lose what the sink had already rendered when a
        # stream starts or underruns; without them the recording is exact.
        (folder / "bench.pa").write_text(
            f"load-module module-native-protocol-unix socket={socket} auth-anonymous=1\n"
            f"load-module module-null-sink sink_name={SINK} rate={rate} "
            f"format={fmt} channels={channels} norewinds=1\n"
            f"set-default-sink {SINK}\n")
        pulse_env = dict(env, HOME=str(home), XDG_RUNTIME_DIR=str(folder),
                         PULSE_RUNTIME_PATH=str(folder / "pulse"), PULSE_STATE_PATH=str(folder / "state"))
        pulse_env.pop("DISPLAY", None)
        self.log_path = log_path
        self.rate, self.fmt, self.channels = rate, fmt, channels
        with open(log_path, "wb") as log:
            self.process = spawn(
                ["pulseaudio", "-n", "-F", folder / "bench.pa", "--daemonize=no",
                 "--exit-idle-time=-1", "--use-pid-file=no", "--system=false",
                 "--disable-shm=yes", "--log-target=stderr"],
                pulse_env, stdout=subprocess.DEVNULL, stderr=log)
        env.update(PULSE_SERVER=f"unix:{socket}", PULSE_CLIENTCONFIG=str(folder / "client.conf"),
                   PULSE_COOKIE=str(folder / "cookie"))
        self.env = env
        wait_for("pulseaudio", lambda: run_tool(["pactl", "info"], env).returncode == 0, 20, self.alive)

    def alive(self):
        return self.process.poll() is None

    def stop(self):
        end_process(self.process)

    def record(self, path):
        """Starts recording what the sound card plays into path."""
        if not self.alive():
            raise BenchError(f"the bench's pulseaudio has died; see {self.log_path}")
        return Recording(self, path)

    def record_streams(self):
        listed = run_tool(["pactl", "list", "short", "source-outputs"], self.env, check=True)
        return len(listed.stdout.splitlines())


class Recording:
    """parec of the null sink's monitor into a raw file in the bench's sample format."""

    def __init__(self, server, path):
        self.path = path
        before = server.record_streams()
        self._file = open(path, "wb")
        self._popen = spawn(["parec", f"--device={SINK}.monitor", f"--format={server.fmt}",
                             f"--rate={server.rate}", f"--channels={server.channels}",
                             "--latency-msec=20"], server.env, stdout=self._file)
        # Sound played before parec is connected would be lost.
        try:
            wait_for("parec", lambda: server.record_streams() > before, 10,
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
                end_process(self._popen)
        self._file.close()

    def data(self):
        return self.path.read_bytes()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
