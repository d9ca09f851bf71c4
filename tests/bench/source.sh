# Sourced by the decode benches: $work/bench_source.wav, 300 s of 44.1 kHz 16-bit stereo
# noise with a sweep, made once and encoded by each bench into its own formats.
source=$work/bench_source.wav
[ -f "$source" ] || sox -V1 -n -r 44100 -c 2 -b 16 "$source" synth 300 pinknoise sine 100-8000 vol 0.3
