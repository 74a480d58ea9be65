#!/usr/bin/env python3
"""Checks the two files of one recording made by the installed program.

  check_recording.py wav FILE RATE BITS CHANNELS SECONDS [LATE]
      the WAV file's header and its length: SECONDS within half a second,
      and up to LATE seconds more (a time-out comes at the first half-second
      tick at or after the end, so it may come that much later)
  check_recording.py script RECORDED REFERENCE PRESSES [MIN_ROWS]
      the recorded script against the script maker's rows for the whole
      programme: same texts in a row, same times once shifted by the
      programme time of the recording's start, and a check mark on the row
      before the caption current at each Check press. PRESSES lists the
      presses in milliseconds after the Record press, comma-separated; the
      script must hold MIN_ROWS rows at least (default 2).
  check_recording.py offset RECORDED REFERENCE
      prints the programme time, in seconds, at which the recording started,
      as its first row tells against the script maker's rows
"""
import struct
import sys

TIME_SLACK_CS = 5   # the decoder times a caption to the frame it arrives in
PRESS_SLACK_CS = 40  # key press to handler, on a busy two-core machine


def wav(path, rate, bits, channels, seconds, late="0"):
    """Reads the chunks itself: the header must be the plain PCM one that
    every player reads, not the extensible form."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit(f"{path}: not a RIFF/WAVE file (starts {data[:12]!r})")
    riff_end = 8 + struct.unpack("<I", data[4:8])[0]
    if riff_end != len(data):
        sys.exit(f"{path}: the RIFF size says {riff_end} bytes, the file has {len(data)}")
    fmt = None
    data_size = None
    at = 12
    while at + 8 <= riff_end:
        cid, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + size]
        if cid == b"fmt ":
            fmt = body
        elif cid == b"data":
            data_size = len(body)
            if len(body) != size:
                sys.exit(f"{path}: the data chunk says {size} bytes, {len(body)} are there")
        at += 8 + size + (size & 1)
    if fmt is None or data_size is None:
        sys.exit(f"{path}: no fmt chunk or no data chunk")
    tag, nch, srate, byte_rate, align, nbits = struct.unpack("<HHIIHH", fmt[:16])
    if tag != 1 or len(fmt) != 16:
        sys.exit(f"{path}: format tag {tag} in a fmt chunk of {len(fmt)} bytes, not plain PCM")
    got = (srate, nbits, nch)
    want = (int(rate), int(bits), int(channels))
    if got != want:
        sys.exit(f"{path}: format {got} (rate, bits, channels), expected {want}")
    if align != nch * nbits // 8 or byte_rate != srate * align:
        sys.exit(f"{path}: block align {align} and byte rate {byte_rate} do not fit {got}")
    length = data_size / byte_rate
    if not float(seconds) - 0.5 <= length <= float(seconds) + float(late) + 0.5:
        sys.exit(f"{path}: {length:.3f} s of sound, expected {seconds} s"
                 f" (+{late} s) within 0.5 s")
    print(f"{path}: {srate} Hz, {nbits}-bit, {nch} channel(s), {length:.3f} s"
          f" (fmt chunk of {len(fmt)} bytes)")


def rows_of(path):
    with open(path, "rb") as f:
        data = f.read().decode("latin-1")  # compared byte for byte
    if data and not data.endswith("\r\n"):
        sys.exit(f"{path}: the last row does not end in CR LF")
    rows = []
    for n, line in enumerate(data.split("\r\n")[:-1], start=1):
        cols = line.split("\t")
        if len(cols) not in (3, 4) or (len(cols) == 4 and cols[3] != "1"):
            sys.exit(f"{path}: row {n} is not start, end, text[, 1]: {line!r}")
        rows.append((int(cols[0]), int(cols[1]), cols[2], len(cols) == 4))
    return rows


def start_of(recorded_path, rec, ref):
    """The first reference row the recording holds, and the programme time of
    the recording's start in centiseconds."""
    if not rec:
        sys.exit(f"{recorded_path}: no rows")
    firsts = [j for j, r in enumerate(ref) if r[2] == rec[0][2]]
    if not firsts:
        sys.exit(f"{recorded_path}: first row {rec[0][2]!r} is no caption of the station")
    return firsts[0], ref[firsts[0]][0] - rec[0][0]


def script(recorded_path, reference_path, presses, min_rows=2):
    rec = rows_of(recorded_path)
    ref = rows_of(reference_path)
    if len(rec) < min_rows or not rec:
        sys.exit(f"{recorded_path}: {len(rec)} row(s), expected at least {min_rows}: {rec}")
    j, offset = start_of(recorded_path, rec, ref)
    for i, (start, end, text, _) in enumerate(rec):
        if j + i >= len(ref):
            sys.exit(f"{recorded_path}: row {i + 1} lies past the programme's last caption")
        rs, re_, rt, _ = ref[j + i]
        if text != rt:
            sys.exit(f"{recorded_path}: row {i + 1} reads {text!r}, the station showed {rt!r}")
        if abs(rs - offset - start) > TIME_SLACK_CS or abs(re_ - offset - end) > TIME_SLACK_CS:
            sys.exit(f"{recorded_path}: row {i + 1} runs {start}..{end} cs, the station's"
                     f" caption {rs - offset}..{re_ - offset} cs after the start")

    # Line k (1-based) is current from its start until the next line starts.
    lines = [r[0] - offset for r in ref[j:j + len(rec) + 1]]
    allowed = []
    for ms in presses:
        t = ms / 10
        candidates = {sum(1 for s in lines if s <= t + d) for d in (-PRESS_SLACK_CS, 0,
                                                                    PRESS_SLACK_CS)}
        allowed.append({k - 1 for k in candidates if k >= 2})
    marked = {i + 1 for i, r in enumerate(rec) if r[3]}
    # Every press marks one of its possible rows and no other row is marked.
    if not all(a & marked for a in allowed if a) or not marked <= set().union(*allowed):
        sys.exit(f"{recorded_path}: marked rows {sorted(marked)}, presses at {presses} ms"
                 f" allow {[sorted(a) for a in allowed]} (lines start at {lines} cs)")
    print(f"{recorded_path}: {len(rec)} rows match the station from {offset} cs of its"
          f" programme; marked rows {sorted(marked)}")


def main(argv):
    if len(argv) in (7, 8) and argv[1] == "wav":
        wav(*argv[2:])
    elif len(argv) in (5, 6) and argv[1] == "script":
        presses = [int(p) for p in argv[4].split(",") if p]
        script(argv[2], argv[3], presses, *[int(n) for n in argv[5:]])
    elif len(argv) == 4 and argv[1] == "offset":
        _, offset = start_of(argv[2], rows_of(argv[2]), rows_of(argv[3]))
        print(f"{offset / 100:.2f}")
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
