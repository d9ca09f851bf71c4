#!/usr/bin/env bash
# The MPEG reader (through the native mpglib over libmpg123) beside `mpg123 -t` on a 300 s
# 192 kbit/s CBR file and a V2 VBR file, the time Open takes with the frame index and
# without it (the parse and the decoder's set-up, as Open was before the index), then the
# seek accuracy on both against mpg123's decode.
# Usage: tests/bench/mpeg.sh [native build dir]
set -euo pipefail
build=${1:-build/native}
work=$build/bench-tmp
mkdir -p "$work"
cbr=$work/mpeg_cbr192.mp3
vbr=$work/mpeg_vbr_v2.mp3
. "$(dirname "$0")/source.sh"
[ -f "$cbr" ] || lame --quiet -b 192 "$source" "$cbr"
[ -f "$vbr" ] || lame --quiet -V 2 "$source" "$vbr"
for f in "$cbr" "$vbr"; do [ -f "$f.raw" ] || mpg123 -q -O "$f.raw" "$f"; done

ORVANE_BENCH_MP3=$cbr:$vbr "$build/tests/bench/mpeg_bench" --benchmark_format=json \
  --benchmark_min_time=2 >"$work/mpeg.json" 2>/dev/null

python3 - "$work/mpeg.json" "$cbr" "$vbr" <<'PY'
import json, subprocess, sys, time
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
# Speeds as ratios of mpg123's (1.0 = as fast); the engine pattern includes the reader's
# 10 ms rest after every read, the whole-file reads show the decoding alone.
print(f"{'file':<20}{'mpg123 -t s':>12}{'engine s':>10}{'ratio':>7}{'whole s':>9}{'ratio':>7}{'allocs: 1st':>12}{'later':>12}")
for index, path in enumerate(sys.argv[2:]):
    run = runs[f"Decode/file{index}/real_time"]
    ours = run["real_time"] / 1000
    whole = runs[f"Decode/file{index}_whole/real_time"]["real_time"] / 1000
    times = []
    for _ in range(3):
        t0 = time.perf_counter()
        subprocess.run(["mpg123", "-q", "-t", path], check=True)
        times.append(time.perf_counter() - t0)
    theirs = min(times)
    print(f"{path.split('/')[-1]:<20}{theirs:>12.2f}{ours:>10.2f}{theirs / ours:>7.2f}{whole:>9.2f}"
          f"{theirs / whole:>7.2f}{run['heap_allocs_first_pass']:>12.0f}{run['heap_allocs_per_pass']:>12.0f}")
print(f"\n{'file':<20}{'frames':>8}{'Open ms':>9}{'index ms':>10}{'Open without it ms':>20}")
for index, path in enumerate(sys.argv[2:]):
    opened = runs[f"Open/file{index}/real_time"]["real_time"]
    indexed = runs[f"Index/file{index}/real_time"]
    print(f"{path.split('/')[-1]:<20}{indexed['frames']:>8.0f}{opened:>9.2f}{indexed['real_time']:>10.2f}"
          f"{opened - indexed['real_time']:>20.2f}")
PY
ORVANE_BENCH_MP3=$cbr:$vbr "$build/tests/bench/mpeg_bench" seek
