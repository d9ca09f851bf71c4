#!/usr/bin/env bash
# Side by side on the same large 24-bit stereo files: our WAV and AIFF readers in the
# engine's chunk pattern (readers_bench), a plain read of the file in the same pattern
# (the limit), libsndfile decoding the file, and sox reading it to raw PCM.
# Prints MB/s and the ratios. Usage: tests/bench/readers.sh [native build dir]
set -euo pipefail
build=${1:-build/native}
work=$build/bench-tmp
mkdir -p "$work"
seconds=300
wav=$work/readers24.wav
aiff=$work/readers24.aiff
[ -f "$wav" ] || sox -V1 -n -b 24 -r 44100 -c 2 -t wavpcm "$wav" synth $seconds whitenoise vol 0.5
[ -f "$aiff" ] || sox -V1 "$wav" "$aiff"

ORVANE_BENCH_WAV=$wav ORVANE_BENCH_AIFF=$aiff "$build/tests/bench/readers_bench" \
  --benchmark_format=json --benchmark_min_time=1 >"$work/readers.json" 2>/dev/null

python3 - "$work/readers.json" "$wav" "$aiff" <<'PY'
import ctypes, json, os, subprocess, sys, time

runs = {b["name"]: b["bytes_per_second"] for b in json.load(open(sys.argv[1]))["benchmarks"]}

class SfInfo(ctypes.Structure):
    _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]

sndfile = ctypes.CDLL("libsndfile.so.1")
sndfile.sf_open.restype = ctypes.c_void_p
sndfile.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(SfInfo)]
sndfile.sf_readf_int.restype = ctypes.c_int64
sndfile.sf_readf_int.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int64]
sndfile.sf_close.argtypes = [ctypes.c_void_p]

def best(job):
    times = []
    for _ in range(3):
        t0 = time.perf_counter()
        job()
        times.append(time.perf_counter() - t0)
    return min(times)

def libsndfile_read(path):
    info = SfInfo()
    handle = sndfile.sf_open(path.encode(), 0x10, ctypes.byref(info))  # SFM_READ
    frames = 4410
    buffer = (ctypes.c_int32 * (frames * info.channels))()
    while sndfile.sf_readf_int(handle, buffer, frames) > 0:
        pass
    sndfile.sf_close(handle)

def sox_read(path):
    subprocess.run(["sox", "-D", path, "-b", "24", "-e", "signed", "-t", "raw", "/dev/null"], check=True)

print(f"{'file':<6}{'block':>7}{'ours MB/s':>11}{'raw MB/s':>10}{'ours/raw':>10}"
      f"{'sndfile MB/s':>14}{'ours/sndfile':>14}{'sox MB/s':>10}{'ours/sox':>10}")
for kind, path in (("wav", sys.argv[2]), ("aiff", sys.argv[3])):
    size = os.path.getsize(path)
    sf = size / best(lambda: libsndfile_read(path))
    sox = size / best(lambda: sox_read(path))
    for block in (26460, 24576):
        ours = runs[f"ReaderRead/{kind}/{block}"]
        raw = runs[f"RawRead/{kind}/{block}"]
        print(f"{kind:<6}{block:>7}{ours/1e6:>11.0f}{raw/1e6:>10.0f}{ours/raw:>10.2f}"
              f"{sf/1e6:>14.0f}{ours/sf:>14.1f}{sox/1e6:>10.0f}{ours/sox:>10.1f}")
PY
