#!/usr/bin/env python3
"""What the user sees and hears, measured from outside the player.

  screen_probe.py wait TIMEOUT CHECK...   poll screenshots until every CHECK holds
  screen_probe.py rowband SHOT X Y0 Y1    print the first and last screen row of the selection band
  screen_probe.py audio FILE FROM TO      print RMS and frequency of the left channel between two byte offsets

A CHECK is one of
  shows:IMAGE.png:X:Y[:CX:CY:CW:CH]   the opaque pixels of IMAGE (or of its crop) are on screen at X,Y;
                                      IMAGE.png^OTHER.png counts only the pixels where the two differ,
                                      IMAGE.png^OTHER.png@OX,OY compares with OTHER's pixels from OX,OY on
  lacks:IMAGE.png:X:Y[:CX:CY:CW:CH]   they are not
  colour:X:Y:RRGGBB                   the pixel at X,Y has this colour (within a small tolerance)
  notcolour:X:Y:RRGGBB                it has not
Screenshots are taken with ImageMagick's import; the last one is kept as SHOT_PATH. Skin images
are decoded once into the folder ART_CACHE when it is set.
"""
import array
import math
import os
import subprocess
import sys
import time

TOLERANCE = 24
MATCH_FRACTION = 0.9
MISMATCH_FRACTION = 0.5


class Picture:
    def __init__(self, width, height, channels, data):
        self.width, self.height, self.channels, self.data = width, height, channels, data

    def rgb(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        at = (y * self.width + x) * self.channels
        return tuple(self.data[at:at + 3])

    def alpha(self, x, y):
        return self.data[(y * self.width + x) * self.channels + 3] if self.channels == 4 else 255


def read_ppm(path):
    with open(path, 'rb') as stream:
        raw = stream.read()
    fields, position = [], 0
    while len(fields) < 4:
        while raw[position:position + 1].isspace():
            position += 1
        if raw[position:position + 1] == b'#':
            position = raw.index(b'\n', position)
            continue
        end = position
        while not raw[end:end + 1].isspace():
            end += 1
        fields.append(raw[position:end])
        position = end
    if fields[0] != b'P6' or fields[3] != b'255':
        raise ValueError(f'{path}: not an 8-bit P6 picture')
    width, height = int(fields[1]), int(fields[2])
    return Picture(width, height, 3, raw[position + 1:position + 1 + width * height * 3])


_art = {}


def read_art(path):
    """A skin image as RGBA; decoded once and kept in ART_CACHE (a folder), if that is set."""
    if path not in _art:
        cache_folder = os.environ.get('ART_CACHE')
        cached = os.path.join(cache_folder, os.path.basename(path) + '.rgba') if cache_folder else None
        if cached and os.path.exists(cached):
            with open(cached, 'rb') as stream:
                header, data = stream.read().split(b'\n', 1)
            width, height = (int(v) for v in header.split())
        else:
            size = subprocess.run(['convert', path, '-format', '%w %h', 'info:'], check=True,
                                  capture_output=True, text=True).stdout.split()
            data = subprocess.run(['convert', path, '-depth', '8', 'rgba:-'], check=True,
                                  capture_output=True).stdout
            width, height = int(size[0]), int(size[1])
            if cached:
                os.makedirs(cache_folder, exist_ok=True)
                with open(cached + '.part', 'wb') as stream:
                    stream.write(f'{width} {height}\n'.encode() + data)
                os.replace(cached + '.part', cached)
        _art[path] = Picture(width, height, 4, data)
    return _art[path]


def take_screenshot(path):
    subprocess.run(['import', '-silent', '-window', 'root', '-depth', '8', 'ppm:' + path], check=True)
    return read_ppm(path)


def near(a, b):
    return a is not None and all(abs(p - q) <= TOLERANCE for p, q in zip(a, b))


def art_match_fraction(shot, art, x, y, crop, other=None, other_offset=(0, 0)):
    cx, cy, cw, ch = crop if crop else (0, 0, art.width, art.height)
    opaque = matching = 0
    for row in range(cy, min(cy + ch, art.height)):
        for column in range(cx, min(cx + cw, art.width)):
            if art.alpha(column, row) < 250:
                continue
            if other is not None and near(art.rgb(column, row),
                                          other.rgb(column + other_offset[0], row + other_offset[1])):
                continue
            opaque += 1
            if near(shot.rgb(x + column, y + row), art.rgb(column, row)):
                matching += 1
    return matching / opaque if opaque else 0.0


def check_holds(shot, check):
    kind, _, rest = check.partition(':')
    if kind in ('shows', 'lacks'):
        parts = rest.split(':')
        crop = tuple(int(v) for v in parts[3:7]) if len(parts) >= 7 else None
        art_path, _, other_spec = parts[0].partition('^')
        other_path, _, other_at = other_spec.partition('@')
        other = read_art(other_path) if other_path else None
        other_offset = tuple(int(v) for v in other_at.split(',')) if other_at else (0, 0)
        fraction = art_match_fraction(shot, read_art(art_path), int(parts[1]), int(parts[2]), crop, other,
                                      other_offset)
        held = fraction >= MATCH_FRACTION if kind == 'shows' else fraction < MISMATCH_FRACTION
        return held, f'{check} (match {fraction:.2f})'
    if kind in ('colour', 'notcolour'):
        x, y, hex_colour = rest.split(':')
        wanted = tuple(int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))
        seen = shot.rgb(int(x), int(y))
        held = near(seen, wanted) if kind == 'colour' else not near(seen, wanted)
        return held, f'{check} (seen {seen})'
    raise ValueError(f'unknown check {check}')


def wait(timeout, checks):
    shot_path = os.environ.get('SHOT_PATH', '/tmp/e2e-shot.ppm')
    deadline = time.monotonic() + timeout
    while True:
        shot = take_screenshot(shot_path)
        results = [check_holds(shot, check) for check in checks]
        if all(held for held, _ in results):
            return 0
        if time.monotonic() > deadline:
            for held, text in results:
                print(('  ok   ' if held else '  FAIL ') + text, file=sys.stderr)
            return 1
        time.sleep(0.1)


def selection_band(shot_path, x, y0, y1, background=(25, 25, 25)):
    """The list's selected row is the only full-width band not in the list's background colour."""
    shot = read_ppm(shot_path)
    rows = [y for y in range(y0, y1) if not near(shot.rgb(x, y), background)]
    if not rows:
        return None
    first = rows[0]
    last = first
    while last + 1 in rows:
        last += 1
    return first, last


def audio(path, start, end):
    frame_bytes = 4
    start -= start % frame_bytes
    end -= end % frame_bytes
    with open(path, 'rb') as stream:
        stream.seek(start)
        samples = array.array('h', stream.read(max(0, end - start)))
    if sys.byteorder == 'big':
        samples.byteswap()
    left = samples[0::2]
    if not left:
        return 0.0, 0.0
    rms = math.sqrt(sum(v * v for v in left) / len(left)) / 32768.0
    crossings = sum(1 for a, b in zip(left, left[1:]) if a < 0 <= b)
    return rms, crossings * 44100.0 / len(left)


def main(argv):
    if argv[1] == 'wait':
        return wait(float(argv[2]), argv[3:])
    if argv[1] == 'rowband':
        band = selection_band(argv[2], int(argv[3]), int(argv[4]), int(argv[5]))
        print(*(band if band else ('none',)))
        return 0
    if argv[1] == 'audio':
        rms, frequency = audio(argv[2], int(argv[3]), int(argv[4]))
        print(f'{rms:.4f} {frequency:.0f}')
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
