#!/usr/bin/env bash
# The Ogg Vorbis and FLAC readers (through the native vorbisdec and flacdec) beside oggdec
# and `flac -d` decoding the same 300 s files to nowhere, in one run: times and the
# reference tool's time over ours (1.0 = as fast), and heap allocations in the first pass
# after opening and per later pass.
# Usage: tests/bench/plugins.sh [native build dir]
set -euo pipefail
build=${1:-build/native}
work=$build/bench-tmp
mkdir -p "$work"
ogg=$work/plugin.ogg
flac=$work/plugin.flac
. "$(dirname "$0")/source.sh"
[ -f "$ogg" ] || oggenc -Q -o "$ogg" "$source"
[ -f "$flac" ] || flac -s -f -o "$flac" "$source"

ORVANE_BENCH_OGG=$ogg ORVANE_BENCH_FLAC=$flac "$build/tests/bench/plugin_bench" --benchmark_format=json \
  --benchmark_min_time=2 >"$work/plugins.json" 2>/dev/null

python3 - "$work/plugins.json" "$ogg" "$flac" <<'PY'
import json, subprocess, sys, time
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
tools = {
    "Ogg": ["oggdec", "-Q", "-R", "-o", "/dev/null", sys.argv[2]],
    "Flac": ["flac", "-d", "-s", "-f", "--force-raw-format", "--endian=little", "--sign=signed",
             "-o", "/dev/null", sys.argv[3]],
}
# The engine pattern includes the reader's 10 ms rest after every read; the whole-file
# reads show the decoding alone, the figure to hold against the tool's.
print(f"{'reader':<7}{'tool s':>8}{'engine s':>10}{'ratio':>7}{'whole s':>9}{'ratio':>7}{'allocs: 1st':>12}{'later':>12}")
for kind, command in tools.items():
    engine = runs[f"{kind}/engine/real_time"]
    whole = runs[f"{kind}/whole/real_time"]
    times = []
    for _ in range(3):
        t0 = time.perf_counter()
        subprocess.run(command, check=True)
        times.append(time.perf_counter() - t0)
    theirs = min(times)
    ours, alone = engine["real_time"] / 1000, whole["real_time"] / 1000
    print(f"{kind:<7}{theirs:>8.2f}{ours:>10.2f}{theirs / ours:>7.2f}{alone:>9.2f}{theirs / alone:>7.2f}"
          f"{engine['heap_allocs_first_pass']:>12.0f}{engine['heap_allocs_per_pass']:>12.0f}")
PY
