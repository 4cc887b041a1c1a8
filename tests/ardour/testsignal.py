"""The test signal and the lag measurement, in plain Python."""
import math

RATE = 48000
LENGTH = 2 * RATE
BURST = 480
CHIRPS = (6000, 17000, 31000, 46500, 60000, 75500)
NOISE = (9000, 24000, 38000, 52500, 68000, 83000)


def _hann(i):
    return 0.5 - 0.5 * math.cos(2.0 * math.pi * (i + 0.5) / BURST)


def make():
    """Left: windowed sweeps from 300 Hz to 6 kHz; right: windowed noise bursts. Both at
    irregular onsets, so every lag but the true one correlates poorly."""
    left = [0.0] * LENGTH
    right = [0.0] * LENGTH
    for at in CHIRPS:
        phase = 0.0
        for i in range(BURST):
            f = 300.0 + (6000.0 - 300.0) * i / BURST
            phase += 2.0 * math.pi * f / RATE
            left[at + i] = 0.4 * _hann(i) * math.sin(phase)
    state = 12345
    for at in NOISE:
        for i in range(BURST):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            right[at + i] = 0.3 * _hann(i) * (state / 0x3FFFFFFF - 1.0)
    return left, right


def _correlation(x, y, support, lag):
    num = 0.0
    ey = 0.0
    ex = 0.0
    for n in support:
        m = n + lag
        v = y[m] if 0 <= m < len(y) else 0.0
        num += x[n] * v
        ex += x[n] * x[n]
        ey += v * v
    return num / math.sqrt(ex * ey) if ex > 0.0 and ey > 0.0 else 0.0


def lag(x, y, max_lag=4000, block=32):
    """(lag, normalised correlation) of y against x: first on block energies, then sample by
    sample around the best block lag."""
    ex = [sum(v * v for v in x[i:i + block]) for i in range(0, len(x), block)]
    ey = [sum(v * v for v in y[i:i + block]) for i in range(0, len(y), block)]
    busy = [i for i, e in enumerate(ex) if e > 0.0]
    best_block, best = 0, -1.0
    for k in range(-max_lag // block, max_lag // block + 1):
        c = _correlation(ex, ey, busy, k)
        if c > best:
            best_block, best = k, c
    support = [n for n, v in enumerate(x) if v != 0.0]
    best_lag, best = 0, -2.0
    for k in range(best_block * block - 2 * block, best_block * block + 2 * block + 1):
        c = _correlation(x, y, support, k)
        if c > best:
            best_lag, best = k, c
    return best_lag, best
