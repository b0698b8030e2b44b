#!/usr/bin/env python3
"""Writes the shipped recoil patterns DefaultData/ShootData_0..3.Shoot.

Each gun has 30 bullets of six macro events: left press (10 ms), left release, a horizontal move
(5 ms), a vertical move followed by the bullet's pause, and two zero moves. The pause makes the
bullet period match the gun's rate of fire. Vertical moves pull the mouse down ("up" = move down)
against the muzzle climb: weak on the first shot, rising over the first bullets to a plateau that
eases off slightly late in the magazine. Horizontal moves follow the sideways wander of the spray
(negative = left, "down").

The output is in the same styled JSON form the program writes (jsoncpp's StyledWriter: three-space
indent, members sorted), so a file saved by the program and a shipped file look alike.

Run from anywhere: python3 DefaultData/generate_shoot.py
With --check nothing is written; the exit status tells whether the committed files are current.
"""

import math
import os
import sys

BULLETS = 30
PRESS_DELAY = 10
MOVE_X_DELAY = 5

# name, rounds per minute, first-shot pull, plateau pull, climb (bullets), late ease per bullet,
# horizontal amplitude, horizontal period (bullets), horizontal bias per bullet
GUNS = [
    ("assault rifle", 600, 2, 9, 4.0, 0.06, 3.0, 9.0, 0.00),
    ("submachine gun", 900, 1, 5, 3.0, 0.03, 2.0, 5.0, 0.02),
    ("light machine gun", 720, 3, 11, 6.0, 0.05, 4.0, 12.0, -0.04),
    ("marksman rifle", 400, 10, 12, 2.0, 0.00, 1.0, 7.0, 0.00),
]


def bullet_events(x, y, delay):
    x_action = "down" if x < 0 else "up"
    y_action = "up"  # compensation moves the mouse down
    return [
        {"Action": "down", "Button": 1, "Delay": PRESS_DELAY, "Type": 1},
        {"Action": "up", "Button": 1, "Delay": 0, "Type": 1},
        {"Action": x_action, "Button": abs(x), "Delay": MOVE_X_DELAY, "Type": 4},
        {"Action": y_action, "Button": y, "Delay": delay, "Type": 5},
        {"Action": x_action, "Button": 0, "Delay": 0, "Type": 4},
        {"Action": y_action, "Button": 0, "Delay": 0, "Type": 5},
    ]


def gun_events(rpm, first, plateau, climb, ease, amplitude, period, bias):
    period_ms = round(60000 / rpm)
    delay = period_ms - PRESS_DELAY - MOVE_X_DELAY
    events = []
    for k in range(BULLETS):
        pull = first + (plateau - first) * (1 - math.exp(-k / climb)) - ease * max(0, k - 15)
        y = max(0, round(pull))
        x = round(amplitude * math.sin(2 * math.pi * k / period) * min(1.0, k / 4) + bias * k * k / 4)
        events.extend(bullet_events(x, y, delay))
    return events


def styled(events):
    """jsoncpp StyledWriter output of {"Events": events}."""
    lines = ["{", '   "Events" : [']
    for i, event in enumerate(events):
        lines.append("      {")
        members = sorted(event.items())
        for j, (key, value) in enumerate(members):
            text = '"%s"' % value if isinstance(value, str) else str(value)
            comma = "," if j + 1 < len(members) else ""
            lines.append('         "%s" : %s%s' % (key, text, comma))
        lines.append("      }," if i + 1 < len(events) else "      }")
    lines.append("   ]")
    lines.append("}")
    return "\n".join(lines) + "\n"


def main():
    check = "--check" in sys.argv[1:]
    folder = os.path.dirname(os.path.abspath(__file__))
    stale = []
    for gun, (_name, *shape) in enumerate(GUNS):
        path = os.path.join(folder, "ShootData_%d.Shoot" % gun)
        text = styled(gun_events(*shape))
        if check:
            try:
                with open(path, encoding="utf-8", newline="") as stored:
                    current = stored.read() == text
            except OSError:
                current = False
            if not current:
                stale.append(path)
        else:
            with open(path, "w", encoding="utf-8", newline="\n") as out:
                out.write(text)
    for path in stale:
        print("out of date: %s" % path, file=sys.stderr)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
