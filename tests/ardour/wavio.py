"""Mono 32-bit float WAV files as Ardour writes them, in plain Python."""
import struct


def _data_chunk(raw):
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise ValueError("not a WAV file")
    pos = 12
    fmt = None
    while pos + 8 <= len(raw):
        tag, size = raw[pos:pos + 4], struct.unpack_from("<I", raw, pos + 4)[0]
        if tag == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", raw, pos + 8)
        if tag == b"data":
            if fmt is None or fmt[0] != 3 or fmt[1] != 1 or fmt[5] != 32:
                raise ValueError("expected mono 32-bit float samples, got %r" % (fmt,))
            return pos + 8, min(size, len(raw) - pos - 8)
        pos += 8 + size + (size & 1)
    raise ValueError("no data chunk")


def read(path):
    with open(path, "rb") as f:
        raw = f.read()
    start, size = _data_chunk(raw)
    return list(struct.unpack_from("<%df" % (size // 4), raw, start))


def overwrite(path, samples):
    """Replaces the samples of an existing file of the same length, keeping its header."""
    with open(path, "rb") as f:
        raw = bytearray(f.read())
    start, size = _data_chunk(raw)
    if len(samples) * 4 != size:
        raise ValueError("%s holds %d samples, not %d" % (path, size // 4, len(samples)))
    struct.pack_into("<%df" % len(samples), raw, start, *samples)
    with open(path, "wb") as f:
        f.write(raw)
