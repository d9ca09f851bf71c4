"""Finding what was played in what was recorded: exact matches with the sound server's
underrun gaps allowed, matches within a few LSB for decoders that round on their own, and
the runs of a recording that jumps or pauses."""

from array import array
from dataclasses import dataclass

RATE = 44100  # the bench's default sound card: 44.1 kHz, 16-bit stereo
FRAME = 4

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


def find_pcm(recorded, expected, frame_bytes, skip_ms=150, tail_ms=150, rate=RATE,
             allow_gaps=True):
    """Finds expected PCM in a recording and checks it sample for sample.

    Wine's wave-out may lose frames in the first skip_ms of a stream (up to about 125 ms
    in on a loaded machine), and the last tail_ms still buffered in the sound server when
    a program exits may be missing: the expected
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


@dataclass
class NearMatch:
    worst: int  # largest sample difference
    exact: float  # share of the samples compared that are exactly equal


def near_pcm(recorded, expected, skip_ms=150, tail_ms=150, rate=RATE):
    """For 16-bit stereo PCM of a decoder that rounds on its own (floating-point decoders):
    the largest sample difference between expected and the recording over the frames between
    the allowances of find_pcm, and the share of samples that are exact, with the recording
    placed where a probe of expected is found to within 64 LSB; None when no place is found
    or the recording does not cover them. Digital silence in the recording is stepped over,
    as find_pcm allows it (the sound server inserts it when its client is late, a few frames
    or many): a run of 32 frames or more anywhere, a shorter one where what is expected there
    is not silent. Noise never has such runs, and silence that replaced expected frames
    leaves the rest misplaced by its length, so they hide nothing."""
    frame_bytes = 4  # two channels of 2 bytes, coarse or not
    got, want = array("h", recorded[:len(recorded) // frame_bytes * frame_bytes]), array("h", expected)
    frames, total = len(got) // 2, len(want) // 2
    skip, end = _frames(skip_ms, rate), total - _frames(tail_ms, rate)
    rough = _coarse(got)
    for start in range(skip, end - 32, 97):
        at = _find_aligned(rough, _coarse(want[start * 2:(start + 32) * 2]), frame_bytes)
        if at is not None:
            break
    else:
        return None
    offset, worst, exact, i = at - start, 0, 0, skip
    if offset + skip < 0:
        return None
    while i < end:
        j = offset + i
        if j >= frames:
            return None
        silent = 0
        while j + silent < frames and got[2 * (j + silent)] == 0 == got[2 * (j + silent) + 1]:
            silent += 1
        if silent >= 32 or (silent and max(abs(want[2 * i]), abs(want[2 * i + 1])) > 1):
            offset += silent
            continue
        left, right = abs(got[2 * j] - want[2 * i]), abs(got[2 * j + 1] - want[2 * i + 1])
        worst = max(worst, left, right)
        exact += (left == 0) + (right == 0)
        i += 1
    return NearMatch(worst, exact / max(1, 2 * (end - skip)))


def _coarse(samples):
    """16-bit samples to 1/64 of their resolution, two bytes each: what differs by a few LSB
    mostly looks the same."""
    return array("H", ((v + 32768) >> 6 for v in samples)).tobytes()


def pcm_runs(recorded, expected, frame_bytes, probe=256, join_gaps=0, tolerance=0):
    """The recording as runs of the expected PCM, for playback that jumps or pauses:
    (recording frame, expected frame, frames) in recording order, silence skipped. Two runs
    whose expected data goes on across a gap of fewer than join_gaps frames count as one:
    such gaps are the sound server's underruns on a loaded machine, not the player's. With a
    tolerance (16-bit samples only), frames whose samples differ by at most that many LSB
    count as the same: a decoder that rounds otherwise than the reference still plays runs."""
    silent = bytes(frame_bytes)
    frames, total = len(recorded) // frame_bytes, len(expected) // frame_bytes
    if tolerance:
        got, want = array("h", recorded[:frames * frame_bytes]), array("h", expected[:total * frame_bytes])
        rough_recorded, rough_expected, width = _coarse(got), _coarse(want), frame_bytes // 2

        def same(r, e):
            return all(abs(got[r * width + c] - want[e * width + c]) <= tolerance for c in range(width))

        def find(r):
            return _find_aligned(rough_expected, rough_recorded[r * frame_bytes:(r + probe) * frame_bytes], frame_bytes)
    else:
        def same(r, e):
            return recorded[r * frame_bytes:(r + 1) * frame_bytes] == \
                expected[e * frame_bytes:(e + 1) * frame_bytes]

        def find(r):
            return _find_aligned(expected, recorded[r * frame_bytes:(r + probe) * frame_bytes], frame_bytes)

    runs = []
    r = 0
    while r + probe <= frames:
        if recorded[r * frame_bytes:(r + probe) * frame_bytes] == silent * probe:
            r += probe // 4
            continue
        e = find(r)
        if e is None or not same(r, e):
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
