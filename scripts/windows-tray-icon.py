#!/usr/bin/env python3
"""Finds the program's notification icon on a screenshot and says which picture it
shows: "plain" (the program's own), "up", "down" or "unknown" (the state marks drawn by
make-icon.py), with the place of its top left corner, or "none".

The icon is compared pixel for pixel with the small (16x16) picture the notification
area draws, so a shrunk 32-pixel picture does not count. A balloon's stem may cover a
few of its pixels: nine in ten must match. The lowest icon found is the one: the
taskbar is at the foot of the screen, and the window's caption has the plain picture.
Usage: windows-tray-icon.py SHOT.png   (prints "MARK X Y" or "none")
"""
import importlib.util
import os
import subprocess
import sys

SIZE = 16
MATCH = 0.9
NAVY = bytes((0, 0, 128))  # the dial: in every picture, and rare elsewhere
found = importlib.util.spec_from_file_location(
    "make_icon", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-icon.py"))
make_icon = importlib.util.module_from_spec(found)
found.loader.exec_module(make_icon)


def picture(mark):
    """[((x, y), rgb)] of the opaque pixels of one picture."""
    colour = make_icon.MARKS[mark] if mark != "plain" else None
    return [((x, y), bytes(make_icon.PALETTE[p]))
            for y in range(SIZE) for x in range(SIZE)
            if (p := make_icon.pixel(SIZE, x, y, colour)) is not None]


def screen(path):
    """Width, height and the RGB bytes of a screenshot."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                         capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # P6, width, height, maximum, separated by white space
        while ppm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[pos:end])
        pos = end
    return int(fields[1]), int(fields[2]), ppm[pos + 1:]


def navy_pixels(width, rgb):
    at = rgb.find(NAVY)
    while at >= 0:
        if at % 3 == 0:
            yield (at // 3) % width, (at // 3) // width
        at = rgb.find(NAVY, at + 1)


def score(width, height, rgb, x, y, pixels):
    """The share of the picture's pixels that the screen has at (x, y)."""
    if not (0 <= x <= width - SIZE and 0 <= y <= height - SIZE):
        return 0.0
    hits = sum(rgb[(i := ((y + py) * width + x + px) * 3):i + 3] == c for (px, py), c in pixels)
    return hits / len(pixels)


def main():
    width, height, rgb = screen(sys.argv[1])
    pictures = {m: picture(m) for m in ("plain", "up", "down", "unknown")}
    dial = [xy for xy, c in pictures["plain"] if c == NAVY]
    # Every place where some navy pixel of the screen is one of the dial's.
    places = {(sx - dx, sy - dy) for sx, sy in navy_pixels(width, rgb) for dx, dy in dial}
    found = []
    for x, y in places:
        best = max((score(width, height, rgb, x, y, p), m) for m, p in pictures.items())
        if best[0] >= MATCH:
            found.append((y, x, best[1]))
    if not found:
        print("none")
        return
    y, x, mark = max(found)
    print(mark, x, y)


if __name__ == "__main__":
    main()
