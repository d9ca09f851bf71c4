"""Sound files for tests, made by sox at test time, and their sample bytes."""

import subprocess
from pathlib import Path


def noise_wav(path, seconds, bits=16, rate=44100, gain_db=-6):
    """Stereo noise with independent channels in a plain 44-byte PCM header at every width.
    Noise never repeats, so a recording pins down exactly which frames played."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["sox", "-n", "-r", str(rate), "-b", str(bits), "-c", "2", "-t", "wavpcm", path,
                    "synth", str(seconds), "whitenoise", "whitenoise", "gain", str(gain_db)], check=True)
    return path


def pcm(path):
    """The sample bytes of a file noise_wav made."""
    return Path(path).read_bytes()[44:]
