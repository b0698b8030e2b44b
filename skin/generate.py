#!/usr/bin/env python3
"""Writes the skin's drawings (SVG sources) and the device layouts from the tables below.

    python3 skin/generate.py            # rewrite the files beside this script
    python3 skin/generate.py --check    # exit 1 when a committed file differs

The device layouts (XML/DeviceXml/*.ui) place one key button over each key or light zone of
the device drawing, so drawing and layout come from the same coordinates here. The build step
(tools/skin_render) renders every .svg to a .png of the same name.
"""

import argparse
import math
import pathlib
import sys
from xml.sax.saxutils import escape

HERE = pathlib.Path(__file__).resolve().parent

# --- palette ----------------------------------------------------------------------------------

ACCENT = "#3fb6ff"
ACCENT_DEEP = "#1677c9"
TEXT = "#e6e9ef"
MUTED = "#8b93a3"
DIM = "#5d6472"
CASE_TOP = "#2a2f3a"
CASE_BOTTOM = "#1a1e26"
CASE_EDGE = "#3b4250"
CAP_SIDE = "#242933"
CAP_TOP = "#323844"
LEGEND = "#c9ced8"
FONT = "DejaVu Sans"

# --- SVG helpers ------------------------------------------------------------------------------


def svg(width, height, body, defs=""):
    head = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n')
    if defs:
        head += f"<defs>\n{defs}</defs>\n"
    return head + body + "</svg>\n"


def fmt(v):
    """Numbers without trailing zeros, so the files stay small and stable."""
    if isinstance(v, float):
        text = f"{v:.2f}".rstrip("0").rstrip(".")
        return text if text not in ("-0", "") else "0"
    return str(v)


def rect(x, y, w, h, fill, rx=0, stroke=None, sw=1, extra=""):
    s = f' stroke="{stroke}" stroke-width="{fmt(sw)}"' if stroke else ""
    r = f' rx="{fmt(rx)}"' if rx else ""
    return (f'<rect x="{fmt(x)}" y="{fmt(y)}" width="{fmt(w)}" height="{fmt(h)}"{r} '
            f'fill="{fill}"{s}{extra}/>\n')


def text(x, y, content, size, fill=LEGEND, anchor="middle", weight="normal", family=FONT):
    return (f'<text x="{fmt(x)}" y="{fmt(y)}" font-family="{family}" font-size="{fmt(size)}" '
            f'font-weight="{weight}" fill="{fill}" text-anchor="{anchor}">'
            f"{escape(content)}</text>\n")


def path(d, fill="none", stroke=None, sw=1, extra=""):
    s = f' stroke="{stroke}" stroke-width="{fmt(sw)}"' if stroke else ""
    return f'<path d="{d}" fill="{fill}"{s}{extra}/>\n'


def circle(cx, cy, r, fill="none", stroke=None, sw=1, extra=""):
    s = f' stroke="{stroke}" stroke-width="{fmt(sw)}"' if stroke else ""
    return f'<circle cx="{fmt(cx)}" cy="{fmt(cy)}" r="{fmt(r)}" fill="{fill}"{s}{extra}/>\n'


def linear(id_, stops, x2="0", y2="1"):
    body = "".join(f'<stop offset="{o}" stop-color="{c}"{op}/>\n'
                   for o, c, op in ((s[0], s[1], f' stop-opacity="{s[2]}"' if len(s) > 2
                                     else "") for s in stops))
    return (f'<linearGradient id="{id_}" x1="0" y1="0" x2="{x2}" y2="{y2}">\n{body}'
            "</linearGradient>\n")


def radial(id_, stops, cx="0.5", cy="0.5", r="0.5"):
    body = "".join(f'<stop offset="{s[0]}" stop-color="{s[1]}" stop-opacity="{s[2]}"/>\n'
                   for s in stops)
    return f'<radialGradient id="{id_}" cx="{cx}" cy="{cy}" r="{r}">\n{body}</radialGradient>\n'


# --- backgrounds ------------------------------------------------------------------------------

WINDOW_W, WINDOW_H = 800, 572


def background(base_top, base_bottom, glow, glow2, width=WINDOW_W, height=WINDOW_H):
    defs = (linear("base", [(0, base_top), (1, base_bottom)]) +
            radial("glow", [(0, glow, 0.30), (1, glow, 0)], cx="0.85", cy="0.05", r="0.6") +
            radial("glow2", [(0, glow2, 0.16), (1, glow2, 0)], cx="0.05", cy="0.95", r="0.55"))
    body = rect(0, 0, width, height, "url(#base)")
    body += rect(0, 0, width, height, "url(#glow)")
    body += rect(0, 0, width, height, "url(#glow2)")
    if width == WINDOW_W:
        # A faint diagonal texture, as brushed metal on a gaming product page.
        lines = "".join(f"M{x} 0L{x - height} {height}" for x in range(0, width + height, 14))
        body += path(lines, stroke="#ffffff", sw=1, extra=' stroke-opacity="0.018"')
        # Thin frame so the borderless window has an edge on any desktop.
        body += rect(0.5, 0.5, width - 1, height - 1, "none", stroke="#ffffff", sw=1,
                     extra=' stroke-opacity="0.08"')
    return svg(width, height, body, defs)


BACKGROUNDS = {
    "common/background.svg": ("#161a22", "#0d0f14", ACCENT, "#6a5cff"),
    "common/skin/bg_1.svg": ("#10202c", "#080d12", "#2fd6ff", "#1f8fff"),
    "common/skin/bg_2.svg": ("#24141a", "#0f0a0c", "#ff4d5e", "#ff9a3d"),
    "common/skin/bg_3.svg": ("#10231b", "#080f0c", "#36e39a", "#b4ff3d"),
    "common/skin/bg_4.svg": ("#1c1428", "#0c0912", "#b36bff", "#ff5fd2"),
}

# --- logo -------------------------------------------------------------------------------------


def logo(size=256):
    s = size / 256
    defs = linear("lg", [(0, "#6fd0ff"), (1, ACCENT_DEEP)], x2="1", y2="1")
    pts = [(128 + 112 * math.cos(math.radians(a)), 128 + 112 * math.sin(math.radians(a)))
           for a in range(-90, 270, 60)]
    hexagon = "M" + "L".join(f"{fmt(x * s)} {fmt(y * s)}" for x, y in pts) + "Z"
    body = path(hexagon, fill="#141820", stroke="url(#lg)", sw=14 * s)
    n = [(84, 178), (84, 80), (172, 176), (172, 78)]
    d = "M" + "L".join(f"{fmt(x * s)} {fmt(y * s)}" for x, y in n)
    body += path(d, stroke="url(#lg)", sw=22 * s,
                 extra=' stroke-linecap="round" stroke-linejoin="round"')
    return svg(size, size, body, defs)


# --- device selector icons (64 x 48) ----------------------------------------------------------

ICON_W, ICON_H = 64, 48


def icon_keyboard(c):
    b = rect(6, 13, 52, 24, "none", rx=3, stroke=c, sw=2)
    for row, y in enumerate((18, 24)):
        for i in range(8):
            b += rect(10 + i * 5.6, y, 3.6, 3.6, c, rx=0.8)
    b += rect(18, 30, 28, 3.4, c, rx=1)
    return b


def icon_mouse(c):
    b = path("M32 8C22 8 19 15 19 24V31C19 38 24 42 32 42C40 42 45 38 45 31V24C45 15 42 8 32 8Z",
             stroke=c, sw=2)
    b += path("M32 8V20M19 21H45", stroke=c, sw=1.6)
    b += rect(30.5, 12, 3, 6, c, rx=1.5)
    return b


def icon_hard_pad(c):
    b = rect(7, 12, 50, 26, "none", rx=2, stroke=c, sw=2)
    b += rect(11, 16, 42, 18, c, rx=1, extra=' fill-opacity="0.25"')
    b += circle(48, 21, 3, stroke=c, sw=1.4)
    return b


def icon_soft_pad(c):
    b = path("M9 14C20 10 44 10 55 14V34C44 38 20 38 9 34Z", stroke=c, sw=2)
    b += path("M15 30C24 32 40 32 49 30", stroke=c, sw=1.4)
    return b


def icon_headset(c):
    b = path("M15 30V24C15 14 22 8 32 8C42 8 49 14 49 24V30", stroke=c, sw=2.4)
    b += rect(11, 26, 9, 14, c, rx=3)
    b += rect(44, 26, 9, 14, c, rx=3)
    b += path("M15 40C15 44 20 44 24 44", stroke=c, sw=1.6)
    return b


def icon_hub(c):
    b = rect(10, 16, 44, 18, "none", rx=4, stroke=c, sw=2)
    for i in range(4):
        b += rect(15 + i * 9.5, 22, 6, 6, c, rx=1)
    b += path("M32 16V8", stroke=c, sw=2)
    return b


def icon_unknown(c):
    b = rect(14, 8, 36, 34, "none", rx=6, stroke=c, sw=2)
    b += text(32, 33, "?", 22, fill=c, weight="bold")
    return b


DEVICE_ICONS = {"kb": icon_keyboard, "ms": icon_mouse, "hard_mp": icon_hard_pad,
                "soft_mp": icon_soft_pad, "hd": icon_headset, "hub": icon_hub,
                "unknow": icon_unknown}


def device_icon(draw, selected, synchro):
    colour = ACCENT if selected else MUTED
    body = ""
    if selected:
        body += rect(1, 1, ICON_W - 2, ICON_H - 2, ACCENT, rx=8,
                     extra=' fill-opacity="0.12"')
    body += draw(colour)
    if synchro:
        # The lighting-sync badge: two arrows chasing each other in the corner.
        badge = ACCENT if selected else "#c9ced8"
        body += circle(54, 10, 8, fill="#10141b", stroke=badge, sw=1.4)
        body += path("M49.5 9A4.6 4.6 0 0 1 57.6 7.4M58.5 11A4.6 4.6 0 0 1 50.4 12.6",
                     stroke=badge, sw=1.4)
        body += path("M57.9 4.6L57.9 7.8L54.8 7.6M50.1 15.4L50.1 12.2L53.2 12.4", stroke=badge,
                     sw=1.2)
    return svg(ICON_W, ICON_H, body)


# --- power indicator images (20 x 20) -----------------------------------------------------------

GOOD = "#4cd964"
WARN = "#ffb13d"


def bolt(colour, dx=0.0):
    return path(f"M{fmt(11 + dx)} 2L{fmt(4 + dx)} 11H{fmt(9 + dx)}L{fmt(8 + dx)} 18"
                f"L{fmt(15 + dx)} 9H{fmt(10 + dx)}Z", fill=colour)


def waves(colour, x, y, scale=1.0):
    d = ""
    for r in (3.5, 6.5, 9.5):
        r *= scale
        d += (f"M{fmt(x - r * 0.7071)} {fmt(y - r * 0.7071)}"
              f"A{fmt(r)} {fmt(r)} 0 0 1 {fmt(x + r * 0.7071)} {fmt(y - r * 0.7071)}")
    return path(d, stroke=colour, sw=1.6 * scale, extra=' stroke-linecap="round"') + \
        circle(x, y, 1.4 * scale, fill=colour)


def phone(colour, mark):
    b = rect(5, 1.5, 10, 17, "none", rx=2, stroke=colour, sw=1.5)
    b += rect(8.5, 16, 3, 0.8, colour)
    if mark == "none":
        b += path("M2 18L18 2", stroke=WARN, sw=1.8, extra=' stroke-linecap="round"')
    elif mark:
        b += text(10, 12.2, mark, 7, fill=colour, weight="bold")
    return b


POWER_IMAGES = {
    # charge state 0: on battery, not charging.
    "power/powered.svg": svg(20, 20, rect(3, 5, 13, 10, "none", rx=2, stroke=GOOD, sw=1.6) +
                             rect(16.5, 8, 2, 4, GOOD, rx=0.6) +
                             rect(5.5, 7.5, 8, 5, GOOD, rx=0.8)),
    # charge state 1 without radio: charging over the cable.
    "power/powering.svg": svg(20, 20, bolt(WARN)),
    # charge state 1 with radio: charging while the radio link is up.
    "power/wuxian_powering.svg": svg(20, 20, bolt(WARN, -2.5) + waves(ACCENT, 15, 9, 0.55)),
    # charge state 2: on external power, battery full.
    "power/power.svg": svg(20, 20, path("M7 2V6M13 2V6", stroke=GOOD, sw=1.8) +
                           path("M4.5 6H15.5V9.5C15.5 12.5 13 14.5 10 14.5C7 14.5 4.5 12.5 "
                                "4.5 9.5Z", fill=GOOD) +
                           path("M10 14.5V18.5", stroke=GOOD, sw=1.8)),
    "power/wuxian_logo.svg": svg(20, 20, waves(ACCENT, 10, 16)),
    "power/Phone_type_iphone.svg": svg(20, 20, phone(TEXT, "i")),
    "power/Phone_type_samsung.svg": svg(20, 20, phone(TEXT, "S")),
    "power/Phone_type_other.svg": svg(20, 20, phone(TEXT, "")),
    "power/Phone_type_no_device.svg": svg(20, 20, phone(DIM, "none")),
}

# --- caption and small control images (16 x 16 unless noted) ------------------------------------


def stroke16(d, colour=LEGEND, sw=1.6):
    return svg(16, 16, path(d, stroke=colour, sw=sw,
                            extra=' stroke-linecap="round" stroke-linejoin="round"'))


def gear(badge=False):
    d = ""
    for i in range(8):
        a = math.radians(i * 45)
        d += (f"M{fmt(8 + 5.2 * math.cos(a))} {fmt(8 + 5.2 * math.sin(a))}"
              f"L{fmt(8 + 7 * math.cos(a))} {fmt(8 + 7 * math.sin(a))}")
    return svg(16, 16, path(d, stroke=LEGEND, sw=2.2, extra=' stroke-linecap="round"') +
               circle(8, 8, 4.6, stroke=LEGEND, sw=1.8) + circle(8, 8, 1.6, fill=LEGEND) +
               (circle(13, 3, 2.8, fill="#ff4d5e") if badge else ""))


SMALL_IMAGES = {
    "common/btn/close.svg": stroke16("M4 4L12 12M12 4L4 12"),
    "common/btn/min.svg": stroke16("M3.5 8.5H12.5"),
    "common/btn/max.svg": svg(16, 16, rect(3.5, 3.5, 9, 9, "none", rx=1, stroke=LEGEND,
                                           sw=1.5)),
    "common/btn/restore.svg": svg(16, 16, rect(3, 5.5, 7.5, 7.5, "none", rx=1, stroke=LEGEND,
                                               sw=1.4) +
                                  path("M5.5 3H13V10.5", stroke=LEGEND, sw=1.4)),
    "common/btn/menu.svg": stroke16("M3 4.5H13M3 8H13M3 11.5H13"),
    "common/btn/skin.svg": svg(16, 16, path(
        "M8 2C4.5 2 2 4.6 2 7.8C2 11 4.4 14 7.4 14C8.6 14 8.9 13.2 8.4 12.3C7.9 11.4 8.3 10.4 "
        "9.5 10.4H11.2C13 10.4 14 9.2 14 7.6C14 4.4 11.4 2 8 2Z", stroke=LEGEND, sw=1.4) +
        circle(5.2, 7, 1.1, fill="#ff6b6b") + circle(7.8, 4.8, 1.1, fill="#ffd166") +
        circle(10.8, 5.6, 1.1, fill=ACCENT)),
    "common/btn/setting.svg": gear(),
    "common/btn/gamemode.svg": svg(16, 16, rect(1.5, 4.5, 13, 8, "none", rx=4, stroke=LEGEND,
                                                sw=1.4) +
                                   path("M5 6.8V10.2M3.3 8.5H6.7", stroke=LEGEND, sw=1.3) +
                                   circle(10.5, 7.5, 0.9, fill=LEGEND) +
                                   circle(12, 9.5, 0.9, fill=LEGEND)),
    "common/btn/cloud.svg": stroke16("M4.5 12.5H12C13.6 12.5 14.8 11.3 14.8 9.8C14.8 8.3 13.6 "
                                     "7.1 12.1 7.1C11.7 5 10 3.5 7.9 3.5C5.6 3.5 3.8 5.3 3.7 "
                                     "7.5C2.3 7.8 1.2 9 1.2 10.4C1.2 11.6 2.2 12.5 3.4 12.5Z",
                                     sw=1.3),
    "common/btn/smarteyes.svg": svg(16, 16, path("M1.5 8C3.5 4.5 12.5 4.5 14.5 8C12.5 11.5 3.5 "
                                                 "11.5 1.5 8Z", stroke=LEGEND, sw=1.4) +
                                    circle(8, 8, 2.2, fill=LEGEND)),
    "common/btn/prev.svg": stroke16("M10 3L5 8L10 13", sw=2),
    "common/btn/next.svg": stroke16("M6 3L11 8L6 13", sw=2),
    "common/btn/light.svg": svg(16, 16, path(
        "M8 1.8C5.4 1.8 3.6 3.8 3.6 6.2C3.6 8 4.6 9 5.5 10V11.6H10.5V10C11.4 9 12.4 8 12.4 6.2"
        "C12.4 3.8 10.6 1.8 8 1.8Z", stroke=LEGEND, sw=1.3) +
        path("M6 13.6H10", stroke=LEGEND, sw=1.3)),
    "common/btn/globe.svg": svg(16, 16, circle(8, 8, 6.2, stroke=LEGEND, sw=1.3) +
                                path("M1.8 8H14.2M8 1.8C5.8 4.2 5.8 11.8 8 14.2M8 1.8C10.2 4.2 "
                                     "10.2 11.8 8 14.2", stroke=LEGEND, sw=1.1)),
    "common/arrow_down.svg": stroke16("M4 6L8 10L12 6", colour=MUTED, sw=1.8),
    "common/check_off.svg": svg(16, 16, rect(2, 2, 12, 12, "none", rx=3, stroke=MUTED, sw=1.4)),
    "common/check_on.svg": svg(16, 16, rect(1.5, 1.5, 13, 13, ACCENT, rx=3) +
                               path("M4.5 8.2L7 10.6L11.6 5.6", stroke="#0d1016", sw=2,
                                    extra=' stroke-linecap="round" stroke-linejoin="round"')),
    "common/badge.svg": svg(8, 8, circle(4, 4, 3.5, fill="#ff4d5e")),
    # The settings button with its update badge, and the update window's done mark.
    "common/btn/setting_badge.svg": gear(badge=True),
    "common/update_checking.svg": svg(16, 16, circle(8, 8, 6, stroke="#3b4250", sw=2.2) +
                                      path("M8 2A6 6 0 0 1 14 8", stroke=ACCENT, sw=2.2,
                                           extra=' stroke-linecap="round"')),
    "common/update_found.svg": svg(16, 16, circle(8, 8, 7, fill="#ff4d5e") +
                                   path("M8 4V9.2M8 11.4V11.6", stroke="#ffffff", sw=1.9,
                                        extra=' stroke-linecap="round"')),
    "common/update_warning.svg": svg(16, 16, path("M8 1.6L15 14H1Z", fill="#f2b84b") +
                                     path("M8 6V9.6M8 11.8V12", stroke="#0d1016", sw=1.7,
                                          extra=' stroke-linecap="round"')),
    "common/update_ok.svg": svg(16, 16, circle(8, 8, 7, fill=ACCENT) +
                                path("M4.6 8.2L7 10.5L11.4 5.8", stroke="#0d1016", sw=1.8,
                                     extra=' stroke-linecap="round" stroke-linejoin="round"')),
}


def no_device_picture():
    """The 'nothing connected' illustration: a cable end waiting for a plug."""
    w, h = 200, 120
    defs = radial("halo", [(0, ACCENT, 0.22), (1, ACCENT, 0)])
    b = rect(0, 0, w, h, "url(#halo)")
    b += path("M14 60H64", stroke=DIM, sw=5, extra=' stroke-linecap="round"')
    b += rect(64, 44, 34, 32, "#262b35", rx=5, stroke=MUTED, sw=2)
    b += rect(98, 51, 16, 18, MUTED, rx=2)
    b += rect(101, 55, 10, 3, "#262b35")
    b += rect(101, 62, 10, 3, "#262b35")
    b += rect(146, 48, 26, 24, "none", rx=4, stroke=ACCENT, sw=2,
              extra=' stroke-dasharray="4 3"')
    b += path("M150 60H168", stroke=ACCENT, sw=2)
    b += path("M122 54L136 60L122 66", stroke=ACCENT, sw=2,
              extra=' stroke-linecap="round" stroke-linejoin="round" stroke-opacity="0.7"')
    return svg(w, h, b, defs)


# --- Qt Designer layout helpers -----------------------------------------------------------------


def geometry(x, y, w, h):
    return ('<property name="geometry"><rect>'
            f"<x>{x}</x><y>{y}</y><width>{w}</width><height>{h}</height></rect></property>")


def prop_string(name, value, stdset=True):
    std = "" if stdset else ' stdset="0"'
    return f'<property name="{name}"{std}><string>{escape(value)}</string></property>'


def prop_bool(name, value):
    return f'<property name="{name}"><bool>{"true" if value else "false"}</bool></property>'


def prop_size(name, w, h):
    return f'<property name="{name}"><size><width>{w}</width><height>{h}</height></size></property>'


def key_button(name, x, y, w, h, userdata=None, tooltip=None, visible=True):
    props = [geometry(x, y, w, h), prop_bool("checkable", True),
             prop_string("focusPolicy", "Qt::NoFocus").replace(
                 "<string>Qt::NoFocus</string>", "<enum>Qt::NoFocus</enum>"),
             prop_string("styleClass", "devkey", stdset=False)]
    if userdata:
        props.append(prop_string("userdata", userdata, stdset=False))
    if tooltip:
        props.append(prop_string("toolTip", tooltip))
    if not visible:
        props.append(prop_bool("visible", False))
    inner = "\n".join("      " + p for p in props)
    return f'     <widget class="DeviceKeyButton" name="{name}">\n{inner}\n     </widget>\n'


# --- recoil pattern page: one picture per gun slot ----------------------------------------------

# (barrel length, stock length, magazine height, a sight on top) of the four slots' pictures.
SHOOT_GUNS = ((96, 40, 26, False), (70, 30, 34, False), (110, 44, 22, True), (84, 48, 30, True))


def shoot_gun_picture(barrel, stock, magazine, sight):
    """A side view of a gun in outline, and the climb of a recoil pattern beside it."""
    body_x = 14 + stock
    muzzle = body_x + 44 + barrel
    b = path(f"M14 36L{body_x} 30L{body_x} 46L22 56L14 54Z", fill=CAP_SIDE, stroke=MUTED, sw=1.4)
    b += rect(body_x, 26, 44, 20, CAP_TOP, rx=3, stroke=MUTED, sw=1.4)
    b += rect(body_x + 44, 30, barrel, 7, CAP_SIDE, rx=2, stroke=MUTED, sw=1.2)
    b += path(f"M{body_x + 8} 46L{body_x + 6} {46 + magazine}L{body_x + 18} {46 + magazine}"
              f"L{body_x + 22} 46Z", fill=CAP_SIDE, stroke=MUTED, sw=1.2)
    b += path(f"M{body_x + 30} 46L{body_x + 26} 62L{body_x + 36} 62L{body_x + 40} 46Z",
              fill=CAP_SIDE, stroke=MUTED, sw=1.2)
    if sight:
        b += rect(body_x + 10, 17, 22, 8, CAP_SIDE, rx=2, stroke=ACCENT, sw=1.2)
    dots = "".join(circle(muzzle + 8 + 3 * (i % 3), 70 - 9 * i, 2.2, fill=ACCENT)
                   for i in range(7))
    # Drawn on a 226 x 84 grid, shown at the size of the page's picture.
    return svg(176, 60, f'<g transform="scale(0.71)">\n{b}{dots}</g>\n')


# Function pages. A tab of the profile panel selects a page of one of the two stacks
# (SetStateType): the key-function stack under the device picture holds pages 0-2, the
# function stack beside the profile panel holds the picture's page and pages 1-3. Each page is
# its own layout under XML/Pages, built into its slot by the panel ("pagefile"); a page of a
# later change shows the "coming" note until it lands.
COMING_PAGE = "coming"
DEVICE_PAGES = {
    # device: (key-function pages 0-2, function pages 1-3)
    "keyboard": (("lighting_keyboard", "keyset", COMING_PAGE),
                 ("macro", COMING_PAGE, "keyboard_system")),
    "mouse": (("lighting_mouse", "keyset", "mouse_shoot"),
              ("macro", "mouse_cursor", "mouse_system")),
    "mousepad": (("lighting_mousepad", COMING_PAGE, COMING_PAGE),
                 (COMING_PAGE, COMING_PAGE, COMING_PAGE)),
    "headset": (("lighting_headset", "headset_voice", "headset_magic"),
                ("headset_surround", COMING_PAGE, COMING_PAGE)),
}


def page_slot(stack, index, page, indent):
    pad = " " * indent
    pagefile = prop_string("pagefile", "XML\\Pages\\" + page + ".xml", stdset=False)
    return (f'{pad}<widget class="QWidget" name="{stack}_page_{index}">\n'
            f'{pad} {pagefile}\n'
            f'{pad} <layout class="QVBoxLayout" name="{stack}_page_{index}_layout">\n'
            f'{pad}  <property name="leftMargin"><number>0</number></property>\n'
            f'{pad}  <property name="topMargin"><number>0</number></property>\n'
            f'{pad}  <property name="rightMargin"><number>0</number></property>\n'
            f'{pad}  <property name="bottomMargin"><number>0</number></property>\n'
            f'{pad} </layout>\n'
            f'{pad}</widget>\n')


# The tallest device picture that leaves the pages under it their height in the smallest window
# (1120 x 720); a taller drawing is shown scaled down, its key buttons with it.
PICTURE_MAX_H = 264


def picture_scale(height):
    return min(1.0, PICTURE_MAX_H / height)


def fitted(zone, scale):
    """A key button's rectangle on a picture shown at scale: edges are scaled, so buttons that
    did not overlap still do not."""
    x, y, w, h = zone
    left, top = round(x * scale), round(y * scale)
    return (left, top, round((x + w) * scale) - left, round((y + h) * scale) - top)


def device_layout(device, root_class, root_name, picture_name, panel_name, pic_w, pic_h,
                  buttons):
    """A device page: the profile panel with the function tabs on the left; on the right the
    function stack, whose first page is the picture (a plain widget drawing the device, with
    the select panel over it) above the key-function stack."""
    key_pages, function_pages = DEVICE_PAGES[device]
    key_slots = "".join(page_slot("device_key_function_switch", i, page, 12)
                        for i, page in enumerate(key_pages))
    function_slots = "".join(page_slot("device_function_switch", i + 1, page, 6)
                             for i, page in enumerate(function_pages))
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<!-- Written by skin/generate.py; edit the generator, not this file. -->
<ui version="4.0">
 <class>{root_class}</class>
 <widget class="{root_class}" name="{root_name}">
  {geometry(0, 0, 1480, 820)}
  <layout class="QHBoxLayout" name="{root_name}_layout">
   <property name="spacing"><number>14</number></property>
   <property name="leftMargin"><number>0</number></property>
   <property name="topMargin"><number>8</number></property>
   <property name="rightMargin"><number>0</number></property>
   <property name="bottomMargin"><number>8</number></property>
   <item>
    <widget class="DeviceProfileUI" name="device_profile"/>
   </item>
   <item>
    <widget class="QStackedWidget" name="device_function_switch">
     <widget class="QWidget" name="device_function_switch_page_0">
      <layout class="QVBoxLayout" name="device_function_switch_page_0_layout">
       <property name="spacing"><number>10</number></property>
       <property name="leftMargin"><number>0</number></property>
       <property name="topMargin"><number>0</number></property>
       <property name="rightMargin"><number>0</number></property>
       <property name="bottomMargin"><number>0</number></property>
       <item>
        <layout class="QHBoxLayout" name="{root_name}_picture_row">
         <item><spacer name="{root_name}_left_space"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>
         <item>
          <widget class="QWidget" name="{picture_name}">
           {prop_size("minimumSize", pic_w, pic_h)}
           {prop_size("maximumSize", pic_w, pic_h)}
           {prop_string("styleClass", "device_picture", stdset=False)}
           <widget class="SelectPanel" name="{panel_name}">
            {geometry(0, 0, pic_w, pic_h)}
{buttons}           </widget>
          </widget>
         </item>
         <item><spacer name="{root_name}_right_space"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>
        </layout>
       </item>
       <item>
        <widget class="QStackedWidget" name="device_key_function_switch">
{key_slots}        </widget>
       </item>
      </layout>
     </widget>
{function_slots}    </widget>
   </item>
  </layout>
 </widget>
 <customwidgets>
  <customwidget><class>{root_class}</class><extends>QWidget</extends><container>1</container></customwidget>
  <customwidget><class>DeviceProfileUI</class><extends>QWidget</extends></customwidget>
  <customwidget><class>SelectPanel</class><extends>QWidget</extends><container>1</container></customwidget>
  <customwidget><class>DeviceKeyButton</class><extends>QPushButton</extends></customwidget>
 </customwidgets>
</ui>
"""


# --- keyboard ---------------------------------------------------------------------------------

# Key id -> (legend, x, y, width, height) in key units on a full-size board with a macro column
# on the left. Key ids are those of the factory key table (the HID usage of key id n is its
# factory code): 0 Esc, 1-12 F1-F12, 21 `, 22-31 1-0, ... 120-124 M1-M5.
KEYBOARD_KEYS = {
    0: ("Esc", 0, 0, 1, 1),
    **{1 + i: (f"F{1 + i}", 2 + i, 0, 1, 1) for i in range(4)},
    **{5 + i: (f"F{5 + i}", 6.5 + i, 0, 1, 1) for i in range(4)},
    **{9 + i: (f"F{9 + i}", 11 + i, 0, 1, 1) for i in range(4)},
    13: ("PrtSc", 15.25, 0, 1, 1), 14: ("ScrLk", 16.25, 0, 1, 1), 15: ("Pause", 17.25, 0, 1, 1),
    16: ("GM", 21.5, 0, 1, 1), 17: ("FX", 22.5, 0, 1, 1),
    21: ("`", 0, 1.25, 1, 1),
    **{22 + i: (str((i + 1) % 10), 1 + i, 1.25, 1, 1) for i in range(10)},
    32: ("-", 11, 1.25, 1, 1), 33: ("=", 12, 1.25, 1, 1), 34: ("Backspace", 13, 1.25, 2, 1),
    35: ("Ins", 15.25, 1.25, 1, 1), 36: ("Home", 16.25, 1.25, 1, 1),
    37: ("PgUp", 17.25, 1.25, 1, 1),
    38: ("Num", 18.5, 1.25, 1, 1), 39: ("/", 19.5, 1.25, 1, 1), 40: ("*", 20.5, 1.25, 1, 1),
    41: ("-", 21.5, 1.25, 1, 1),
    42: ("Tab", 0, 2.25, 1.5, 1),
    **{43 + i: (ch, 1.5 + i, 2.25, 1, 1) for i, ch in enumerate("QWERTYUIOP")},
    53: ("[", 11.5, 2.25, 1, 1), 54: ("]", 12.5, 2.25, 1, 1), 55: ("\\", 13.5, 2.25, 1.5, 1),
    56: ("Del", 15.25, 2.25, 1, 1), 57: ("End", 16.25, 2.25, 1, 1),
    58: ("PgDn", 17.25, 2.25, 1, 1),
    59: ("7", 18.5, 2.25, 1, 1), 60: ("8", 19.5, 2.25, 1, 1), 61: ("9", 20.5, 2.25, 1, 1),
    119: ("+", 21.5, 2.25, 1, 2),
    63: ("Caps", 0, 3.25, 1.75, 1),
    **{64 + i: (ch, 1.75 + i, 3.25, 1, 1) for i, ch in enumerate("ASDFGHJKL")},
    73: (";", 10.75, 3.25, 1, 1), 74: ("'", 11.75, 3.25, 1, 1),
    75: ("Enter", 12.75, 3.25, 2.25, 1),
    76: ("4", 18.5, 3.25, 1, 1), 77: ("5", 19.5, 3.25, 1, 1), 78: ("6", 20.5, 3.25, 1, 1),
    84: ("Shift", 0, 4.25, 2.25, 1),
    **{85 + i: (ch, 2.25 + i, 4.25, 1, 1) for i, ch in enumerate("ZXCVBNM")},
    92: (",", 9.25, 4.25, 1, 1), 93: (".", 10.25, 4.25, 1, 1), 94: ("/", 11.25, 4.25, 1, 1),
    95: ("Shift", 12.25, 4.25, 2.75, 1),
    96: ("\u2191", 16.25, 4.25, 1, 1),
    97: ("1", 18.5, 4.25, 1, 1), 98: ("2", 19.5, 4.25, 1, 1), 99: ("3", 20.5, 4.25, 1, 1),
    118: ("Enter", 21.5, 4.25, 1, 2),
    105: ("Ctrl", 0, 5.25, 1.25, 1), 106: ("Win", 1.25, 5.25, 1.25, 1),
    107: ("Alt", 2.5, 5.25, 1.25, 1), 108: ("", 3.75, 5.25, 6.25, 1),
    109: ("Alt", 10, 5.25, 1, 1), 125: ("Win", 11, 5.25, 1, 1), 110: ("Fn", 12, 5.25, 1, 1),
    111: ("Menu", 13, 5.25, 1, 1), 112: ("Ctrl", 14, 5.25, 1, 1),
    113: ("\u2190", 15.25, 5.25, 1, 1), 114: ("\u2193", 16.25, 5.25, 1, 1),
    115: ("\u2192", 17.25, 5.25, 1, 1),
    116: ("0", 18.5, 5.25, 2, 1), 117: (".", 20.5, 5.25, 1, 1),
    **{120 + i: (f"M{1 + i}", -1.25, 1.25 + i, 1, 1) for i in range(5)},
}

# Keys of the table that this board has no cap for (regional keys and empty slots). Their
# buttons exist, hidden, where the regional layouts would put them, so the panel finds every id.
KEYBOARD_HIDDEN_KEYS = {
    18: (0, 0, 1, 1), 19: (0, 0, 1, 1), 20: (0, 0, 1, 1), 104: (0, 0, 1, 1),
    62: (12.75, 3.25, 1, 1),   # non-US # (ISO, left of Enter)
    79: (10, 5.25, 1, 1),      # Henkan
    80: (3.75, 5.25, 1, 1),    # Muhenkan
    81: (11, 5.25, 1, 1),      # Katakana/Hiragana
    82: (0, 0, 1, 1),          # LANG2 (Hanja)
    83: (0, 0, 1, 1),          # International2
    100: (11.25, 4.25, 1, 1),  # Ro
    101: (13, 1.25, 1, 1),     # Yen
    102: (1.25, 4.25, 1, 1),   # non-US \ (ISO, right of left Shift)
    103: (20.5, 5.25, 1, 1),   # keypad comma
}

KB_UNIT = 30
KB_LEFT = 1.25                  # key units left of Esc taken by the macro column
KB_ORIGIN_X, KB_ORIGIN_Y = 16, 30
KB_W, KB_H = 770, 240


def kb_rect(x, y, w, h):
    """Pixel rectangle of a key cap (units -> pixels, with the gap between caps)."""
    px = round(KB_ORIGIN_X + (x + KB_LEFT) * KB_UNIT)
    py = round(KB_ORIGIN_Y + y * KB_UNIT)
    return px + 2, py + 2, round(w * KB_UNIT) - 4, round(h * KB_UNIT) - 4


def keyboard_svg():
    defs = (linear("case", [(0, CASE_TOP), (1, CASE_BOTTOM)]) +
            linear("cap", [(0, "#3a404d"), (1, CAP_TOP)]) +
            linear("glow", [(0, ACCENT, 0), (0.5, ACCENT, 0.9), (1, ACCENT, 0)], x2="1", y2="0"))
    b = rect(3, 3, KB_W - 6, KB_H - 6, "url(#case)", rx=14, stroke=CASE_EDGE, sw=1.5)
    b += rect(8, 8, KB_W - 16, KB_H - 16, "none", rx=10, stroke="#ffffff", sw=1,
              extra=' stroke-opacity="0.04"')
    b += rect(60, KB_H - 4, KB_W - 120, 2, "url(#glow)", rx=1)
    b += text(22, 22, "NORVIK", 10, fill=MUTED, anchor="start", weight="bold")
    # Lock indicators above the keypad.
    for i, name in enumerate(("1", "A", "\u2193")):
        cx = KB_ORIGIN_X + (18.5 + KB_LEFT) * KB_UNIT + 12 + i * 22
        b += circle(cx, 17, 2.5, fill=ACCENT, extra=' fill-opacity="0.85"')
        b += text(cx + 7, 20, name, 7, fill=DIM)
    for key_id in sorted(KEYBOARD_KEYS):
        legend, x, y, w, h = KEYBOARD_KEYS[key_id]
        px, py, pw, ph = kb_rect(x, y, w, h)
        b += rect(px, py, pw, ph, CAP_SIDE, rx=4)
        b += rect(px + 2, py + 1.5, pw - 4, ph - 6, "url(#cap)", rx=3)
        if not legend:
            continue
        macro = 120 <= key_id <= 124
        size = 10 if len(legend) <= 2 else (8 if len(legend) <= 4 else 7)
        colour = ACCENT if macro or key_id in (16, 17) else LEGEND
        b += text(px + pw / 2, py + ph / 2 + size * 0.35 - 1.5, legend, size, fill=colour)
    return svg(KB_W, KB_H, b, defs)


def keyboard_ui():
    buttons = ""
    for key_id in range(126):
        if key_id in KEYBOARD_KEYS:
            _, x, y, w, h = KEYBOARD_KEYS[key_id]
            visible = True
        else:
            x, y, w, h = KEYBOARD_HIDDEN_KEYS[key_id]
            visible = False
        px, py, pw, ph = kb_rect(x, y, w, h)
        buttons += key_button(f"key_{key_id}", px, py, pw, ph - 3, userdata=f"light_{key_id}",
                              visible=visible)
    return device_layout("keyboard", "VelmoranKeyboardDevice", "keyboard_device", "keyboard_picture",
                         "device_key_light", KB_W, KB_H, buttons)


# --- mouse ------------------------------------------------------------------------------------

MS_W, MS_H = 320, 320
# Buttons: key id -> (x, y, w, h). Left, right, middle (wheel), forward, back, DPI.
MOUSE_KEYS = {
    0: (104, 24, 46, 96), 1: (170, 24, 46, 96), 2: (152, 46, 16, 44),
    3: (70, 132, 14, 38), 4: (70, 178, 14, 38), 5: (152, 98, 16, 22),
}
# Light zones: logo, then three segments down each flank.
MOUSE_LIGHTS = {
    0: (142, 226, 36, 36),
    1: (96, 150, 10, 40), 2: (96, 196, 10, 40), 3: (99, 242, 10, 40),
    4: (214, 150, 10, 40), 5: (214, 196, 10, 40), 6: (211, 242, 10, 40),
}


def mouse_svg():
    defs = (linear("body", [(0, "#343a47"), (1, "#1c2029")]) +
            radial("logo", [(0, ACCENT, 0.9), (1, ACCENT, 0)]))
    shell = ("M160 14C118 14 92 40 90 96L88 210C88 268 118 304 160 304C202 304 232 268 232 210"
             "L230 96C228 40 202 14 160 14Z")
    b = path(shell, fill="url(#body)", stroke=CASE_EDGE, sw=2)
    b += path("M160 16V122M92 124C120 132 200 132 228 124", stroke="#11141a", sw=2.5)
    b += rect(152, 46, 16, 44, "#15181f", rx=7, stroke=MUTED, sw=1.2)
    for i in range(6):
        b += path(f"M154 {54 + i * 6}H166", stroke=DIM, sw=1.4)
    b += rect(153, 99, 14, 20, "#15181f", rx=4, stroke=MUTED, sw=1.2)
    b += text(160, 113, "DPI", 6, fill=ACCENT)
    for x, y, w, h in (MOUSE_KEYS[3], MOUSE_KEYS[4]):
        b += rect(x, y, w, h, CAP_TOP, rx=6, stroke=CASE_EDGE, sw=1.2)
    # The light strips stay dim in the drawing: the picture's light buttons show their colour.
    for zone in range(1, 7):
        x, y, w, h = MOUSE_LIGHTS[zone]
        b += rect(x + 3, y + 2, w - 6, h - 4, DIM, rx=2, extra=' fill-opacity="0.6"')
    b += circle(160, 244, 22, fill="url(#logo)", extra=' fill-opacity="0.35"')
    b += path("M151 254V234L169 254V234", stroke=ACCENT, sw=3,
              extra=' stroke-linecap="round" stroke-linejoin="round"')
    return svg(MS_W, MS_H, b, defs)


def mouse_ui():
    scale = picture_scale(MS_H)
    buttons = "".join(key_button(f"key_{i}", *fitted(MOUSE_KEYS[i], scale)) for i in range(6))
    buttons += "".join(key_button(f"light_{i}", *fitted(MOUSE_LIGHTS[i], scale),
                                  userdata=f"light_{i}") for i in range(7))
    return device_layout("mouse", "VelmoranMouseDevice", "mouse_device", "mouse_picture",
                         "mouse_device_key_light", round(MS_W * scale), round(MS_H * scale),
                         buttons)


# --- mouse pad --------------------------------------------------------------------------------

MP_W, MP_H = 720, 300
MP_PAD = (14, 14, 692, 272)


def mousepad_zones():
    """Fifteen light zones: five along the top edge, two down the right, five along the
    bottom (right to left), two up the left, and the logo."""
    x0, y0, w, h = MP_PAD
    zones = []
    seg_w = (w - 120) / 5
    for i in range(5):
        zones.append((round(x0 + 60 + i * seg_w + 6), y0 - 6, round(seg_w - 12), 14))
    seg_h = (h - 100) / 2
    for i in range(2):
        zones.append((x0 + w - 8, round(y0 + 50 + i * seg_h + 6), 14, round(seg_h - 12)))
    for i in range(5):
        zones.append((round(x0 + w - 60 - (i + 1) * seg_w + 6), y0 + h - 8, round(seg_w - 12),
                      14))
    for i in range(2):
        zones.append((x0 - 6, round(y0 + h - 50 - (i + 1) * seg_h + 6), 14, round(seg_h - 12)))
    zones.append((x0 + 26, y0 + h - 62, 110, 36))
    return zones


def mousepad_svg():
    x0, y0, w, h = MP_PAD
    defs = (linear("pad", [(0, "#222733"), (1, "#161a22")], x2="1", y2="1") +
            radial("coil", [(0, ACCENT, 0.25), (1, ACCENT, 0)]))
    b = rect(x0, y0, w, h, "#2b303b", rx=18, stroke=CASE_EDGE, sw=2)
    b += rect(x0 + 8, y0 + 8, w - 16, h - 16, "url(#pad)", rx=12)
    weave = "".join(f"M{x0 + 8 + i * 12} {y0 + 8}V{y0 + h - 8}" for i in range(1, (w - 16) // 12))
    b += path(weave, stroke="#ffffff", sw=1, extra=' stroke-opacity="0.015"')
    zones = mousepad_zones()
    for x, y, zw, zh in zones[:14]:
        b += rect(x + 2, y + 4 if zh == 14 else y + 2, zw - 4 if zh == 14 else 10,
                  6 if zh == 14 else zh - 4, DIM, rx=3, extra=' fill-opacity="0.6"')
    lx, ly, lw, lh = zones[14]
    b += text(lx + lw / 2, ly + lh / 2 + 6, "NORVIK", 17, fill=ACCENT, weight="bold")
    # Wireless phone charger in the top-right corner.
    cx, cy = x0 + w - 92, y0 + 80
    b += circle(cx, cy, 46, fill="url(#coil)")
    b += circle(cx, cy, 34, stroke=MUTED, sw=1.5, extra=' stroke-dasharray="3 4"')
    b += rect(cx - 12, cy - 20, 24, 40, "none", rx=4, stroke=MUTED, sw=1.6)
    b += path(f"M{cx + 2} {cy - 10}L{cx - 5} {cy + 2}H{cx}L{cx - 2} {cy + 10}L{cx + 5} {cy - 2}"
              f"H{cx}Z", fill=ACCENT)
    return svg(MP_W, MP_H, b, defs)


def mousepad_ui():
    scale = picture_scale(MP_H)
    buttons = "".join(key_button(f"key_{i}", *fitted(zone, scale), userdata=f"light_{i}")
                      for i, zone in enumerate(mousepad_zones()))
    return device_layout("mousepad", "VelmoranMousePadDevice", "mousepad_device", "mousepad_picture",
                         "mousepad_device_key_light", round(MP_W * scale), round(MP_H * scale),
                         buttons)


# --- headset ----------------------------------------------------------------------------------

HS_W, HS_H = 440, 320
HS_CUPS = ((120, 196), (320, 196))
HS_RING = 58
HS_MUTE = (22, 148, 24, 30)


def headset_zones():
    """Thirteen zones: the two cup logos, four ring segments on each cup (top, outer side,
    bottom, inner side), the microphone, the volume wheel and the mute button."""
    zones = []
    for cx, cy in HS_CUPS:
        zones.append((cx - 24, cy - 24, 48, 48))
    for cx, cy in HS_CUPS:
        for dx, dy in ((0, -1), (1, 0), (0, 1), (-1, 0)):
            zones.append((cx + dx * HS_RING - 12, cy + dy * HS_RING - 12, 24, 24))
    zones.append((30, 276, 40, 30))            # microphone tip
    zones.append((390, 222, 22, 40))           # volume wheel
    zones.append(HS_MUTE)                      # microphone mute
    return zones


def headset_svg():
    defs = (linear("cup", [(0, "#3a404d"), (1, "#1c2029")]) +
            radial("logo", [(0, ACCENT, 0.6), (1, ACCENT, 0)]))
    b = path("M82 170C82 70 140 22 220 22C300 22 358 70 358 170", stroke="#363c48", sw=16,
             extra=' stroke-linecap="round"')
    b += path("M92 168C92 78 146 36 220 36C294 36 348 78 348 168", stroke=CASE_EDGE, sw=3)
    mx, my = HS_CUPS[0]
    b += path(f"M{mx - 40} {my + 50}C60 260 46 270 50 288", stroke="#2b303b", sw=8,
              extra=' stroke-linecap="round"')
    b += rect(30, 276, 40, 30, "#2b303b", rx=12, stroke=CASE_EDGE, sw=1.5)
    for i in range(3):
        b += path(f"M{40 + i * 10} 284V298", stroke=DIM, sw=2)
    x, y, w, h = HS_MUTE
    b += rect(x, y, w, h, CAP_TOP, rx=6, stroke=CASE_EDGE, sw=1.2)
    b += circle(x + w / 2, y + h / 2, 4, fill="#ff4d5e", extra=' fill-opacity="0.8"')
    b += rect(390, 222, 22, 40, CAP_TOP, rx=8, stroke=CASE_EDGE, sw=1.2)
    for i in range(5):
        b += path(f"M394 {229 + i * 6.5}H408", stroke=DIM, sw=1.4)
    for cx, cy in HS_CUPS:
        b += rect(cx - 12, cy - 104, 24, 30, "#2b303b", rx=6)
        b += circle(cx, cy, 74, fill="url(#cup)", stroke=CASE_EDGE, sw=2)
        b += circle(cx, cy, HS_RING, stroke=ACCENT, sw=7, extra=' stroke-opacity="0.75"')
        b += circle(cx, cy, 36, fill="#171a21", stroke=CASE_EDGE, sw=1.5)
        b += circle(cx, cy, 26, fill="url(#logo)")
        b += path(f"M{cx - 9} {cy + 10}V{cy - 10}L{cx + 9} {cy + 10}V{cy - 10}", stroke=ACCENT,
                  sw=3.5, extra=' stroke-linecap="round" stroke-linejoin="round"')
    return svg(HS_W, HS_H, b, defs)


def headset_ui():
    scale = picture_scale(HS_H)
    buttons = "".join(key_button(f"key_{i}", *fitted(zone, scale), userdata=f"light_{i}")
                      for i, zone in enumerate(headset_zones()))
    return device_layout("headset", "VelmoranHS6533Device", "hs_device", "headset_picture",
                         "hs_device_key_light", round(HS_W * scale), round(HS_H * scale),
                         buttons)


# --- lighting pages ---------------------------------------------------------------------------

# The preset colours of the lighting page ("color_option_" 0-7).
LIGHT_SWATCHES = ("#ff0000", "#ff8000", "#ffff00", "#00ff00", "#00ffff", "#0000ff", "#8000ff",
                  "#ffffff")
# The keyboard's custom colour groups (the profile keeps five).
LIGHT_CUSTOM_GROUPS = 5
MARGINS0 = "".join(f'<property name="{side}Margin"><number>0</number></property>'
                   for side in ("left", "top", "right", "bottom"))


def ui_item(widget):
    return f"<item>{widget}</item>\n"


def ui_box(kind, name, items, spacing=8, margins=MARGINS0):
    return (f'<widget class="QWidget" name="{name}"><layout class="{kind}" name="{name}_box">'
            f'<property name="spacing"><number>{spacing}</number></property>{margins}\n'
            + "".join(ui_item(i) for i in items) + "</layout></widget>")


def ui_label(name, key, style="field_label"):
    return (f'<widget class="QLabel" name="{name}">{prop_string("text", "@" + key)}'
            f'{prop_string("styleClass", style, stdset=False)}</widget>')


def ui_button(cls, name, key=None, style=None, extra=""):
    props = ('<property name="focusPolicy"><enum>Qt::NoFocus</enum></property>'
             '<property name="cursor"><cursorShape>PointingHandCursor</cursorShape></property>'
             + prop_size("minimumSize", 0, 26))
    if key:
        props += prop_string("text", "@" + key)
    if style:
        props += prop_string("styleClass", style, stdset=False)
    return f'<widget class="{cls}" name="{name}">{props}{extra}</widget>'


def ui_slider(name, maximum):
    return (f'<widget class="QSlider" name="{name}"><property name="maximum"><number>{maximum}'
            '</number></property><property name="pageStep"><number>1</number></property>'
            '<property name="orientation"><enum>Qt::Horizontal</enum></property>'
            '<property name="focusPolicy"><enum>Qt::NoFocus</enum></property></widget>')


def ui_card(name, title_key, items, width):
    margins = "".join(f'<property name="{side}Margin"><number>{v}</number></property>'
                      for side, v in (("left", 12), ("top", 10), ("right", 12), ("bottom", 10)))
    body = "".join(ui_item(i) for i in items)
    return (f'<widget class="QFrame" name="{name}">{prop_size("minimumSize", width, 0)}'
            f'{prop_string("styleClass", "card", stdset=False)}'
            f'<layout class="QVBoxLayout" name="{name}_box"><property name="spacing"><number>6'
            f'</number></property>{margins}\n'
            + ui_item(ui_label(f"{name}_title", title_key, "card_title")) + body
            + f'<item><spacer name="{name}_end"><property name="orientation"><enum>Qt::Vertical'
            '</enum></property></spacer></item>\n</layout></widget>')


def lighting_effect_card(keyboard):
    items = [ui_box("QVBoxLayout", "lighteffect_layout", [
        ui_label("light_mode_label", "light_mode_text"),
        '<widget class="QComboBox" name="light_combo_modeSelect"/>'], spacing=4)]
    if keyboard:
        items.append(ui_box("QVBoxLayout", "light_combo_ZZCCmodeSelectLayout", [
            ui_label("light_area_label", "light_area_mode_text"),
            '<widget class="QComboBox" name="light_combo_ZZCCmodeSelect"/>'], spacing=4))
        groups = "".join(f'<item><property name="text"><string>@light_custom_group_{n}_text'
                         '</string></property></item>' for n in range(1, LIGHT_CUSTOM_GROUPS + 1))
        items.append(ui_box("QVBoxLayout", "lightcustom_layout", [
            ui_label("light_custom_label", "light_custom_group_text"),
            f'<widget class="QComboBox" name="light_combo_custommodeSelect">{groups}</widget>',
            ui_box("QHBoxLayout", "light_custom_buttons", [
                ui_button("QPushButton", "custom_bright_color_btn", "light_custom_bright_text",
                          "secondary"),
                ui_button("QPushButton", "custom_off_color_btn", "light_custom_off_text",
                          "secondary")]),
            ui_label("light_custom_hint", "light_custom_hint_text", "card_hint")
            .replace("</widget>", prop_bool("wordWrap", True) + "</widget>")], spacing=4))
    items.append(ui_button("QPushButton", "deng_same_mode", "light_same_mode_text", "secondary"))
    return ui_card("light_effect_card", "light_effect_title_text", items, 200)


def lighting_motion_card():
    return ui_card("light_motion_card", "light_motion_title_text", [
        ui_box("QVBoxLayout", "deng_light_layout", [
            ui_label("deng_light_label", "light_brightness_text"),
            ui_slider("deng_light_slider", 4)], spacing=2),
        ui_box("QVBoxLayout", "deng_speed_layout", [
            ui_label("deng_speed_label", "light_speed_text"),
            ui_slider("deng_speed_slider", 5)], spacing=2),
        ui_box("QVBoxLayout", "deng_fx_layout", [
            ui_label("deng_fx_label", "light_direction_text"),
            ui_button("QRadioButton", "deng_FXL_check", "light_set_right_to_left_text"),
            ui_button("QRadioButton", "deng_FXR_check", "light_set_left_to_right_text")],
            spacing=2)], 200)


def lighting_colour_card():
    edits = []
    for c in "RGB":
        edits.append(ui_label(f"deng_label_{c}", f"light_colour_{c.lower()}_text"))
        edits.append(f'<widget class="QLineEdit" name="deng_edit_{c}">'
                     f'{prop_size("maximumSize", 40, 16777215)}<property name="maxLength">'
                     '<number>3</number></property></widget>')
    edits.append(ui_button("QPushButton", "deng_colordp_btn", None, "colour_shown",
                           prop_size("maximumSize", 40, 26)))
    swatches = [ui_button("QPushButton", f"color_option_{n}", None, "swatch",
                          prop_size("maximumSize", 26, 26) + prop_size("minimumSize", 26, 26)
                          + prop_string("swatch", colour, stdset=False)
                          + prop_string("styleSheet", f"background-color: {colour};"))
                for n, colour in enumerate(LIGHT_SWATCHES)]
    swatches.append('<spacer name="light_swatch_end"><property name="orientation">'
                    '<enum>Qt::Horizontal</enum></property></spacer>')
    colour = ui_box("QVBoxLayout", "deng_color_layout", [
        ui_box("QHBoxLayout", "light_rgb_row", edits, spacing=6),
        ui_box("QHBoxLayout", "light_swatch_row", swatches, spacing=6)], spacing=8)
    palette = ui_box("QVBoxLayout", "colorpallet_layout", [
        f'<widget class="ColorPalette" name="deng_Color_Pallet">{prop_size("minimumSize", 280, 110)}'
        f'{prop_size("maximumSize", 360, 140)}</widget>'], spacing=0)
    body = ui_box("QVBoxLayout", "light_color_layout", [
        ui_button("QCheckBox", "deng_7color_check", "light_seven_colour_text"), colour, palette],
        spacing=8)
    return ui_card("light_colour_card", "light_colour_title_text", [body], 380)


def lighting_page(family):
    root = f"lighting_{family}_page"
    cards = [lighting_effect_card(family == "keyboard"), lighting_motion_card(),
             lighting_colour_card()]
    body = "".join(ui_item(c) for c in cards)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<!-- Written by skin/generate.py; edit the generator, not this file. -->
<ui version="4.0">
 <class>{root}</class>
 <widget class="CLightControlUI" name="{root}">
  {geometry(0, 0, 1150, 300)}
  <layout class="QHBoxLayout" name="{root}_layout"><property name="spacing"><number>8</number></property>{MARGINS0}
{body}<item><spacer name="{root}_end"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>
  </layout>
 </widget>
</ui>
"""


# --- output -----------------------------------------------------------------------------------


# --- the macro page -----------------------------------------------------------------------
# Widgets are (class, name, properties, children-or-None); a "layout" entry is (kind, name,
# items). Control names are the ones the routing and the page code look for.

NO_FOCUS = '<property name="focusPolicy"><enum>Qt::NoFocus</enum></property>'
HAND = '<property name="cursor"><cursorShape>PointingHandCursor</cursorShape></property>'


def margins(left=0, top=0, right=0, bottom=0, spacing=8):
    return (f'<property name="spacing"><number>{spacing}</number></property>'
            f'<property name="leftMargin"><number>{left}</number></property>'
            f'<property name="topMargin"><number>{top}</number></property>'
            f'<property name="rightMargin"><number>{right}</number></property>'
            f'<property name="bottomMargin"><number>{bottom}</number></property>')


def w_button(name, text, style="secondary", visible=True, width=0):
    extra = prop_bool("visible", False) if not visible else ""
    size = prop_size("minimumSize", width, 28)
    return (f'<widget class="QPushButton" name="{name}">{size}{NO_FOCUS}{HAND}'
            f'{prop_string("text", "@" + text)}{prop_string("styleClass", style, stdset=False)}'
            f'{extra}</widget>')


def w_check(name, text):
    return (f'<widget class="QCheckBox" name="{name}">{NO_FOCUS}{HAND}'
            f'{prop_string("text", "@" + text)}</widget>')


def w_label(name, text, style="field_label", wrap=False):
    extra = prop_bool("wordWrap", True) if wrap else ""
    return (f'<widget class="QLabel" name="{name}">{prop_string("text", "@" + text)}'
            f'{prop_string("styleClass", style, stdset=False)}{extra}</widget>')


def w_edit(name, text="", max_length=6, width=70):
    return (f'<widget class="QLineEdit" name="{name}">{prop_size("maximumSize", width, 16777215)}'
            f'<property name="maxLength"><number>{max_length}</number></property>'
            f'{prop_string("text", text)}</widget>')


def box(kind, name, items, spacing=8):
    body = "".join(f"<item>{item}</item>\n" for item in items)
    return f'<layout class="{kind}" name="{name}">{margins(spacing=spacing)}\n{body}</layout>'


def grid(name, rows, spacing=4):
    body = "".join(f'<item row="{r}" column="{c}">{item}</item>\n'
                   for r, row in enumerate(rows) for c, item in enumerate(row))
    return (f'<layout class="QGridLayout" name="{name}">'
            f'<property name="horizontalSpacing"><number>{spacing}</number></property>'
            f'<property name="verticalSpacing"><number>{spacing}</number></property>\n'
            f'{body}</layout>')


def card(name, title, items, width):
    body = "".join(f"<item>{item}</item>\n" for item in items)
    return (f'<widget class="QFrame" name="{name}">{prop_size("minimumSize", width, 0)}'
            f'{prop_string("styleClass", "card", stdset=False)}'
            f'<layout class="QVBoxLayout" name="{name}_box">{margins(12, 10, 12, 10)}\n'
            f'<item>{w_label(name + "_title", title, "card_title")}</item>\n{body}</layout></widget>')


def macro_page_ui():
    names = card("macro_name_card", "macro_names_title_text", [
        '<widget class="QListWidget" name="macro_name_list">'
        f'{prop_size("minimumSize", 0, 200)}</widget>',
        box("QHBoxLayout", "macro_rename_row", [
            w_edit("macro_edit_macroname", max_length=64, width=16777215),
            w_button("macro_btn_name_edit", "macro_rename_text")], spacing=4),
        box("QHBoxLayout", "macro_name_buttons", [
            w_button("macro_btn_name_add", "macro_add_text"),
            w_button("macro_btn_name_sub", "macro_delete_text")]),
        box("QHBoxLayout", "macro_file_buttons", [
            w_button("macro_btn_import", "macro_import_text"),
            w_button("macro_btn_export", "macro_export_text")]),
    ], 190)
    actions = card("macro_action_layout", "macro_events_title_text", [
        '<widget class="QTableView" name="macro_action_list">'
        f'{prop_size("minimumSize", 300, 270)}'
        '<property name="contextMenuPolicy"><enum>Qt::CustomContextMenu</enum></property>'
        '</widget>',
        grid("macro_row_buttons", [
            [w_button("macro_btn_up", "macro_up_text"),
             w_button("macro_btn_down", "macro_down_text"),
             w_button("macro_btn_delete", "macro_delete_row_text")],
            [w_button("macro_btn_uptop", "macro_top_text"),
             w_button("macro_btn_downbottom", "macro_bottom_text"),
             w_button("macro_btn_deleteall", "macro_delete_all_text")]]),
        box("QHBoxLayout", "macro_save_buttons", [
            w_button("macro_btn_save", "macro_save_text", "primary"),
            w_button("macro_btn_cancel", "macro_cancel_text")]),
    ], 330)
    moves = [
        box("QHBoxLayout", f"{name}_row", [
            w_edit(name, "10", max_length=3, width=48),
            w_button(button, text)])
        for name, button, text in (
            ("mouse_x_left_edit", "macro_inset_moveleftkey_btn", "macro_move_left_text"),
            ("mouse_x_right_edit", "macro_inset_moverightkey_btn", "macro_move_right_text"),
            ("mouse_y_up_edit", "macro_inset_moveupkey_btn", "macro_move_up_text"),
            ("mouse_y_down_edit", "macro_inset_movedownkey_btn", "macro_move_down_text"))]
    record = card("macro_record_card", "macro_record_title_text", [
        '<widget class="QFrame" name="macro_record_area">'
        f'{prop_size("minimumSize", 0, 90)}{prop_string("styleClass", "record_area", stdset=False)}'
        f'<layout class="QVBoxLayout" name="macro_record_area_box">{margins(8, 8, 8, 8)}\n'
        f'<item>{w_label("macro_record_hint", "macro_record_focus_hint", "card_hint", True)}'
        '</item>\n'
        f'<item>{w_label("macro_record_state", "macro_record_idle_text", "field_label", True)}'
        '</item>\n</layout></widget>',
        box("QHBoxLayout", "macro_record_buttons", [
            w_button("macro_btn_starredio", "macro_start_text", "primary"),
            w_button("macro_btn_stopredio", "macro_stop_text", "primary", visible=False)]),
        w_check("macro_check_time", "macro_constant_time_text"),
        w_check("macro_check_ignore_time", "macro_ignore_time_text"),
        box("QHBoxLayout", "macro_fixed_time_row", [
            w_label("macro_fixed_time_label", "macro_fixed_time_text"),
            w_edit("macro_fixed_time_edit", "50", max_length=5)]),
        '<widget class="QWidget" name="mouse_move_layout">'
        f'<layout class="QVBoxLayout" name="mouse_move_box">{margins(spacing=4)}\n'
        + "".join(f"<item>{m}</item>\n" for m in moves) + '</layout></widget>',
        '<spacer name="macro_record_end"><property name="orientation">'
        '<enum>Qt::Vertical</enum></property></spacer>',
    ], 250)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<!-- Written by skin/generate.py; edit the generator, not this file. -->
<!-- The macro page: the macros, the events of the selected one, recording and inserted moves. -->
<ui version="4.0">
 <class>macro_page</class>
 <widget class="QWidget" name="MacroControlItem">
  {geometry(0, 0, 820, 520)}
  <layout class="QHBoxLayout" name="macro_page_layout">{margins(spacing=12)}
<item>{names}</item>
<item>{actions}</item>
<item>{record}</item>
  </layout>
 </widget>
</ui>
"""


# Flat, so that every item is one click away: the placement with its time mode, then the
# mouse actions.
MACRO_MENU_ITEMS = tuple(
    (f"redio_{where}_{mode}_time", f"macro_menu_{where}_{mode}_text")
    for where in ("previous", "later") for mode in ("record", "constant", "ignore")) + (
    ("macro_action_edit", "macro_menu_replace_text"), None) + tuple(
    (f"{button}_{what}", f"macro_menu_{button}_{what}_text")
    for button in ("left", "right", "middle", "forward", "back")
    for what in ("down", "up", "click"))


def macro_menu_xml():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- Written by skin/generate.py: the context menu of the macro event list. -->",
             "<Menu>"]
    for entry in MACRO_MENU_ITEMS:
        if entry is None:
            lines.append("  <Separator/>")
        else:
            lines.append(f'  <MenuElement name="{entry[0]}" text="@{entry[1]}"/>')
    lines.append("</Menu>")
    return "\n".join(lines) + "\n"


def outputs():
    files = {}
    for name, colours in BACKGROUNDS.items():
        files[name] = background(*colours)
        if name.startswith("common/skin/"):
            # The swatch the background chooser shows for it.
            files[name.replace(".svg", "_thumb.svg")] = background(*colours, 124, 60)
    files["common/logo.svg"] = logo()
    for prefix, draw in DEVICE_ICONS.items():
        for state, selected, synchro in (("normal", False, False), ("selected", True, False),
                                         ("synchro_normal", False, True),
                                         ("synchro_selected", True, True)):
            files[f"common/device_ico/{prefix}_device_{state}.svg"] = device_icon(
                draw, selected, synchro)
    files.update(POWER_IMAGES)
    files.update(SMALL_IMAGES)
    files["common/nodevice.svg"] = no_device_picture()
    for i, gun in enumerate(SHOOT_GUNS):
        files[f"mouse/shoot_gun_{i}.svg"] = shoot_gun_picture(*gun)
    files["keyboard/keyboard.svg"] = keyboard_svg()
    files["mouse/mouse.svg"] = mouse_svg()
    files["mousepad/mousepad.svg"] = mousepad_svg()
    files["headset/headset.svg"] = headset_svg()
    files["XML/DeviceXml/keyboarddevice.ui"] = keyboard_ui()
    files["XML/DeviceXml/mousedevice.ui"] = mouse_ui()
    files["XML/DeviceXml/mousepaddevice.ui"] = mousepad_ui()
    files["XML/DeviceXml/hs6533device.ui"] = headset_ui()
    files["XML/Pages/macro.ui"] = macro_page_ui()
    files["XML/Menus/macro_action_menu.xml"] = macro_menu_xml()
    for family in ("keyboard", "mouse", "mousepad", "headset"):
        files[f"XML/Pages/lighting_{family}.ui"] = lighting_page(family)
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed files instead of writing them")
    args = parser.parse_args()
    stale = []
    for name, content in outputs().items():
        target = HERE / name
        if args.check:
            if not target.exists() or target.read_text(encoding="utf-8") != content:
                stale.append(name)
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        if not target.exists() or target.read_text(encoding="utf-8") != content:
            target.write_text(content, encoding="utf-8")
    if stale:
        print("skin files differ from skin/generate.py:", ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
