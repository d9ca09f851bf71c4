#!/usr/bin/env bash
# Side by side: our 24-to-16-bit reduction per dither type (dither_bench), sox doing the
# same job on a file, and a plain copy of the same bytes. Prints samples per second and
# the ratios. Usage: tests/bench/dither.sh [native build dir]
set -euo pipefail
build=${1:-build/native}
work=$build/bench-tmp
mkdir -p "$work"
seconds=60
rate=44100  # the rate sox's shaping curves are made for; throughput is per sample

sox -n -r $rate -b 24 -c 2 "$work/in24.wav" synth $seconds sine 997 sine 1499 gain -3
samples=$((seconds * rate * 2))

# Best wall time of three runs of a sox job, as samples per second.
sox_rate() {
  python3 - "$samples" "$@" <<'PY'
import subprocess, sys, time
samples, cmd = int(sys.argv[1]), sys.argv[2:]
best = min(
    (lambda t0: (subprocess.run(cmd, check=True), time.perf_counter() - t0)[1])(time.perf_counter())
    for _ in range(3))
print(samples / best)
PY
}

tpdf=$(sox_rate sox -D "$work/in24.wav" -b 16 "$work/out_tpdf.wav" dither)
shaped=$(sox_rate sox -D "$work/in24.wav" -b 16 "$work/out_shaped.wav" dither -s)
plain=$(sox_rate sox -D "$work/in24.wav" -b 16 "$work/out_plain.wav")

"$build/tests/bench/dither_bench" --benchmark_format=json --benchmark_min_time=0.5 >"$work/bench.json" 2>/dev/null

python3 - "$work/bench.json" "$tpdf" "$shaped" "$plain" <<'PY'
import json, sys
runs = {b["name"]: b["items_per_second"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
tpdf, shaped, plain = map(float, sys.argv[2:5])
copy = runs["Copy"]
realtime = 192000 * 2  # samples per second of 192 kHz stereo
rows = [("none (truncate)", "Reduce/dither:0", plain, "sox, no dither"),
        ("triangle", "Reduce/dither:1", tpdf, "sox dither (TPDF)"),
        ("M sequence", "Reduce/dither:2", tpdf, "sox dither (TPDF)"),
        ("noise shaping", "Reduce/dither:3", shaped, "sox dither -s")]
print(f"{'dither':<16}{'ours Msamples/s':>16}{'x realtime 192k':>16}{'sox Msamples/s':>16}{'ours/sox':>10}{'ours/copy':>11}  sox job")
for name, key, sox, job in rows:
    ours = runs[key]
    print(f"{name:<16}{ours/1e6:>16.1f}{ours/realtime:>16.0f}{sox/1e6:>16.1f}{ours/sox:>10.1f}{ours/copy:>11.3f}  {job}")
print(f"{'memory copy':<16}{copy/1e6:>16.1f}{copy/realtime:>16.0f}")
PY
