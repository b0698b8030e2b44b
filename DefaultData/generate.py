#!/usr/bin/env python3
"""Writes the factory data files of DefaultData/ from the tables below.

    python3 DefaultData/generate.py            # rewrite the files beside this script
    python3 DefaultData/generate.py --check    # exit 1 when a committed file differs

Files (device names are the type names of the product list):
    keyboard.Json, mouse.Json, MousePad.Json, HD.Json   factory profile sections
    default_light.json                                  built-in lighting mode names per variant
    Language.config                                     selectable languages
The shoot pattern files (ShootData_*.Shoot) have their own generator.
"""

import argparse
import colorsys
import json
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent

# Product variants (index of "DefaultLightName"/"AreaLightName" and of the lighting list).
VARIANT_KEYBOARD, VARIANT_MOUSE, VARIANT_MOUSEPAD, VARIANT_HEADSET = 0, 1, 2, 3

# Lighting scales of the panels: brightness and speed levels 0-4 (speed is sent to the
# firmware as 5 - speed, so 0..5 stays in its range).
BRIGHTNESS_FULL = 4
SPEED_MEDIUM = 2

# --- keyboard -------------------------------------------------------------------------------

# Factory key codes of key ids 0-125 (type, modifier bits, code).
KEYBOARD_DEFAULT_CODES = [
    (0x20, 0x00, 0x29), (0x20, 0x00, 0x3A), (0x20, 0x00, 0x3B), (0x20, 0x00, 0x3C),
    (0x20, 0x00, 0x3D), (0x20, 0x00, 0x3E), (0x20, 0x00, 0x3F), (0x20, 0x00, 0x40),
    (0x20, 0x00, 0x41), (0x20, 0x00, 0x42), (0x20, 0x00, 0x43), (0x20, 0x00, 0x44),
    (0x20, 0x00, 0x45), (0x20, 0x00, 0x46), (0x20, 0x00, 0x47), (0x20, 0x00, 0x48),
    (0xA0, 0x1B, 0x00), (0xA0, 0x24, 0x00), (0x20, 0x00, 0x00), (0x20, 0x00, 0x00),
    (0x20, 0x00, 0x00), (0x20, 0x00, 0x35), (0x20, 0x00, 0x1E), (0x20, 0x00, 0x1F),
    (0x20, 0x00, 0x20), (0x20, 0x00, 0x21), (0x20, 0x00, 0x22), (0x20, 0x00, 0x23),
    (0x20, 0x00, 0x24), (0x20, 0x00, 0x25), (0x20, 0x00, 0x26), (0x20, 0x00, 0x27),
    (0x20, 0x00, 0x2D), (0x20, 0x00, 0x2E), (0x20, 0x00, 0x2A), (0x20, 0x00, 0x49),
    (0x20, 0x00, 0x4A), (0x20, 0x00, 0x4B), (0x20, 0x00, 0x53), (0x20, 0x00, 0x54),
    (0x20, 0x00, 0x55), (0x20, 0x00, 0x56), (0x20, 0x00, 0x2B), (0x20, 0x00, 0x14),
    (0x20, 0x00, 0x1A), (0x20, 0x00, 0x08), (0x20, 0x00, 0x15), (0x20, 0x00, 0x17),
    (0x20, 0x00, 0x1C), (0x20, 0x00, 0x18), (0x20, 0x00, 0x0C), (0x20, 0x00, 0x12),
    (0x20, 0x00, 0x13), (0x20, 0x00, 0x2F), (0x20, 0x00, 0x30), (0x20, 0x00, 0x31),
    (0x20, 0x00, 0x4C), (0x20, 0x00, 0x4D), (0x20, 0x00, 0x4E), (0x20, 0x00, 0x5F),
    (0x20, 0x00, 0x60), (0x20, 0x00, 0x61), (0x20, 0x00, 0x32), (0x20, 0x00, 0x39),
    (0x20, 0x00, 0x04), (0x20, 0x00, 0x16), (0x20, 0x00, 0x07), (0x20, 0x00, 0x09),
    (0x20, 0x00, 0x0A), (0x20, 0x00, 0x0B), (0x20, 0x00, 0x0D), (0x20, 0x00, 0x0E),
    (0x20, 0x00, 0x0F), (0x20, 0x00, 0x33), (0x20, 0x00, 0x34), (0x20, 0x00, 0x28),
    (0x20, 0x00, 0x5C), (0x20, 0x00, 0x5D), (0x20, 0x00, 0x5E), (0x20, 0x00, 0x8A),
    (0x20, 0x00, 0x8B), (0x20, 0x00, 0x90), (0x20, 0x00, 0x91), (0x20, 0x00, 0x88),
    (0x20, 0x02, 0x00), (0x20, 0x00, 0x1D), (0x20, 0x00, 0x1B), (0x20, 0x00, 0x06),
    (0x20, 0x00, 0x19), (0x20, 0x00, 0x05), (0x20, 0x00, 0x11), (0x20, 0x00, 0x10),
    (0x20, 0x00, 0x36), (0x20, 0x00, 0x37), (0x20, 0x00, 0x38), (0x20, 0x20, 0x00),
    (0x20, 0x00, 0x52), (0x20, 0x00, 0x59), (0x20, 0x00, 0x5A), (0x20, 0x00, 0x5B),
    (0x20, 0x00, 0x87), (0x20, 0x00, 0x89), (0x20, 0x00, 0x64), (0x20, 0x00, 0x85),
    (0x20, 0x00, 0x00), (0x20, 0x01, 0x00), (0x20, 0x08, 0x00), (0x20, 0x04, 0x00),
    (0x20, 0x00, 0x2C), (0x20, 0x40, 0x00), (0xA0, 0x01, 0x00), (0x20, 0x00, 0x65),
    (0x20, 0x10, 0x00), (0x20, 0x00, 0x50), (0x20, 0x00, 0x51), (0x20, 0x00, 0x4F),
    (0x20, 0x00, 0x62), (0x20, 0x00, 0x63), (0x20, 0x00, 0x58), (0x20, 0x00, 0x57),
    (0xD0, 0xA2, 0x01), (0xD0, 0xA2, 0x02), (0xD0, 0xA2, 0x03), (0xD0, 0xA2, 0x04),
    (0xD0, 0xA2, 0x05), (0x20, 0x80, 0x00),
]
assert len(KEYBOARD_DEFAULT_CODES) == 126

# Built-in keyboard lighting modes 0-28: (text key, offered, multicolour preset, direction).
# Mode 19 is reserved by the firmware and not offered; its number stays taken.
KEYBOARD_MODES = [
    ("kb_light_mode_off", True, 0, 0),
    ("kb_light_mode_wave", True, 1, 0),
    ("kb_light_mode_neon_stream", True, 1, 0),
    ("kb_light_mode_spiral", True, 1, 0),
    ("kb_light_mode_spectrum_cycle", True, 1, 0),
    ("kb_light_mode_breathing", True, 0, 0),
    ("kb_light_mode_static", True, 0, 0),
    ("kb_light_mode_reactive", True, 0, 0),
    ("kb_light_mode_ripple", True, 1, 0),
    ("kb_light_mode_reactive_line", True, 0, 0),
    ("kb_light_mode_raindrops", True, 1, 0),
    ("kb_light_mode_rainbow_breathing", True, 1, 0),
    ("kb_light_mode_rain_fall", True, 1, 0),
    ("kb_light_mode_starlight", True, 1, 0),
    ("kb_light_mode_twinkle", True, 1, 0),
    ("kb_light_mode_snake", True, 1, 0),
    ("kb_light_mode_steady_multicolour", True, 1, 0),
    ("kb_light_mode_area", True, 1, 0),
    ("kb_light_mode_centre_wave", True, 1, 0),
    ("kb_light_mode_reserved", False, 0, 0),
    ("kb_light_mode_custom", True, 0, 0),
    ("kb_light_mode_curtain", True, 1, 0),
    ("kb_light_mode_fireworks", True, 1, 0),
    ("kb_light_mode_flash", True, 0, 0),
    ("kb_light_mode_rotation", True, 1, 0),
    ("kb_light_mode_reactive_cross", True, 0, 0),
    ("kb_light_mode_aurora", True, 1, 0),
    ("kb_light_mode_rainbow_sweep", True, 1, 0),
    ("kb_light_mode_dark", True, 0, 0),
]
assert len(KEYBOARD_MODES) == 29

# The second mode list of mode 17 (lighting zones).
KEYBOARD_AREAS = [
    "kb_area_mode_function_row", "kb_area_mode_wasd", "kb_area_mode_arrows",
    "kb_area_mode_number_pad", "kb_area_mode_gaming_zone",
]

KEYBOARD_CUSTOM_GROUPS = 5

# --- mouse, mouse pad, headset -------------------------------------------------------------

# Lighting modes 0-8 of the mouse.
MOUSE_MODES = [
    ("ms_light_mode_wave", True, 1, 0),
    ("ms_light_mode_spectrum_cycle", True, 1, 0),
    ("ms_light_mode_flow", True, 1, 0),
    ("ms_light_mode_static", True, 0, 0),
    ("ms_light_mode_breathing", True, 0, 0),
    ("ms_light_mode_marquee", True, 1, 1),
    ("ms_light_mode_rainbow", True, 1, 0),
    ("ms_light_mode_colour_wheel", True, 1, 0),
    ("ms_light_mode_off", True, 0, 0),
]

# Lighting modes 0-8 of the mouse pad and the headset; 5-7 do not exist on them.
PAD_MODES = [
    ("mp_light_mode_wave", True, 1, 0),
    ("mp_light_mode_spectrum_cycle", True, 1, 0),
    ("mp_light_mode_flow", True, 1, 0),
    ("mp_light_mode_static", True, 0, 0),
    ("mp_light_mode_breathing", True, 0, 0),
    ("mp_light_mode_unused_5", False, 0, 0),
    ("mp_light_mode_unused_6", False, 0, 0),
    ("mp_light_mode_unused_7", False, 0, 0),
    ("mp_light_mode_off", True, 0, 0),
]
HEADSET_MODES = [(name.replace("mp_", "hd_"), *rest) for name, *rest in PAD_MODES]

# Mouse buttons 0-9 (left, right, middle, forward, back, DPI up, DPI down, DPI cycle, game
# mode, wheel key).
MOUSE_DEFAULT_CODES = [
    (0x10, 0x01, 0x00), (0x10, 0x02, 0x00), (0x10, 0x04, 0x00), (0x10, 0x10, 0x00),
    (0x10, 0x08, 0x00), (0x13, 0x01, 0x00), (0x13, 0x02, 0x00), (0x13, 0x03, 0x00),
    (0xA0, 0x1B, 0x00), (0x16, 0x90, 0x01),
]

# Five DPI stages (DPI, red, green, blue); stage 1 is the factory stage.
MOUSE_DPI_STAGES = [
    (400, 255, 0, 0), (800, 0, 255, 0), (1600, 0, 0, 255), (3200, 255, 255, 0),
    (6400, 255, 0, 255),
]
MOUSE_ACTIVE_DPI_STAGE = 1

# Report rate stages 0-3 are 125, 250, 500 and 1000 Hz.
REPORT_RATE_1000_HZ = 3

# Angle and lift-off correction choices; none is selected at the factory.
MOUSE_CORRECTIONS = [
    ("Low", 4, 8), ("Medium", 8, 16), ("High", 12, 32),
]

# Ten equaliser bands: 31, 62, 125, 250, 500 Hz, 1, 2, 4, 8, 16 kHz; gains in dB, -12..+12.
EQ_GAIN_LIMIT = 12
EQ_PRESETS = [
    ("None", [0, 0, 0, 0, 0, 0, 0, 0, 0, 0]),            # 0: no preset selected
    ("Flat", [0, 0, 0, 0, 0, 0, 0, 0, 0, 0]),            # 1
    ("Bass boost", [8, 7, 5, 3, 1, 0, 0, 0, 0, 0]),      # 2
    ("Treble boost", [0, 0, 0, 0, 0, 1, 3, 5, 7, 8]),    # 3
    ("Vocal", [-3, -2, -1, 1, 4, 5, 4, 2, 0, -1]),       # 4
    ("Rock", [5, 4, 2, -1, -2, -1, 2, 4, 5, 5]),         # 5
    ("Pop", [-1, 1, 3, 4, 4, 2, 0, -1, -1, -1]),         # 6
    ("Jazz", [3, 2, 1, 2, -1, -1, 0, 1, 2, 3]),          # 7
    ("Classical", [4, 3, 2, 1, -1, -1, 0, 2, 3, 4]),     # 8
    ("FPS footsteps", [-6, -5, -3, -1, 2, 5, 7, 6, 3, 0]),  # 9
    ("Movie", [6, 5, 3, 0, -1, 1, 3, 3, 2, 1]),          # 10
    ("Electronic", [6, 5, 1, 0, -2, 1, 0, 2, 4, 5]),     # 11
    ("Acoustic", [3, 3, 2, 0, 1, 1, 2, 3, 2, 1]),        # 12
    ("Night", [-4, -3, -2, 0, 1, 2, 2, 1, -2, -4]),      # 13: quiet listening, soft lows and highs
]
assert len(EQ_PRESETS) == 14

LANGUAGES = [
    # (name for the resource manager, language file, id stored as the choice, text key)
    ("en", "lan_en.xml", 1033, "language_en_text"),
    ("cn", "lan_cn.xml", 2052, "language_cn_text"),
]


def packed(code):
    a, b, c = code
    return a << 16 | b << 8 | c


def light_info(select_item, red=255, green=0, blue=0, multi_colour=1):
    return {
        "SelectItem": select_item, "Light": BRIGHTNESS_FULL, "Speed": SPEED_MEDIUM, "Fx": 0,
        "MultiColor": multi_colour, "Red": red, "Green": green, "Blue": blue,
        "ZZCCLedMode": 0, "CustomGroup": 0, "OldLedmode": 0,
    }


def light_list(modes):
    return [
        {
            "LEDREGMode": number, "LEDBrightness": BRIGHTNESS_FULL, "LEDSpeed": SPEED_MEDIUM,
            "LEDDirection": direction, "LEDMultiColor": multi, "red": 255, "green": 0, "blue": 0,
        }
        for number, (_, _, multi, direction) in enumerate(modes)
    ]


def key_list(codes):
    return [{"Assignment": packed(code), "DefaultAssignment": packed(code)} for code in codes]


def colour(red, green, blue):
    return {"Red": red, "Green": green, "Blue": blue, "Alpha": 255}


def keyboard_custom_colours():
    keys = len(KEYBOARD_DEFAULT_CODES)
    rainbow = []
    for key in range(keys):
        r, g, b = colorsys.hsv_to_rgb(key / keys, 1.0, 1.0)
        rainbow.append(colour(round(r * 255), round(g * 255), round(b * 255)))
    groups = [
        [colour(255, 255, 255)] * keys,
        rainbow,
        [colour(255, 0, 0)] * keys,
        [colour(0, 255, 0)] * keys,
        [colour(0, 0, 255)] * keys,
    ]
    assert len(groups) == KEYBOARD_CUSTOM_GROUPS
    return groups


def keyboard_section():
    return {
        "LightInfo": light_info(select_item=1),
        "LightList": light_list(KEYBOARD_MODES),
        "KeyList": key_list(KEYBOARD_DEFAULT_CODES),
        # Repeat rate and delay as the desktop's defaults; Key6Flag 0 is full key rollover;
        # PollingRate 3 is 1000 Hz; W flag and Windows key lock off.
        "SystemStages": {
            "Repeat": 31, "RepeatDelay": 1, "Key6Flag": 0, "PollingRate": 3,
            "WFlag": 0, "WinFlag": 0,
        },
        "CustomLightMode": {
            "LightColorInfo": keyboard_custom_colours(),
            "CustomLightModeGroupIndex": 0,
        },
    }


def mouse_section():
    return {
        "LightInfo": light_info(select_item=1),
        "LightList": light_list(MOUSE_MODES),
        "KeyList": key_list(MOUSE_DEFAULT_CODES),
        "DPIStages": {
            "StageActive": MOUSE_ACTIVE_DPI_STAGE,
            "StageDPIs": [
                {
                    "StageActive": 1, "StageXY": 0, "StageDPIX": dpi, "StageDPIY": dpi,
                    "StageColorR": r, "StageColorG": g, "StageColorB": b,
                }
                for dpi, r, g, b in MOUSE_DPI_STAGES
            ],
        },
        # The desktop's pointer defaults: 500 ms double click, speed 10 of 20, enhanced
        # precision on, scroll by lines, three lines per notch.
        "SystemStages": {
            "DoubleClickTime": 500, "MouseSpeed": 10, "PointerPrecision": 1, "ScorllPage": 0,
            "WheelScorlllinse": 3,
        },
        "ReportStages": {"StageActive": REPORT_RATE_1000_HZ},
        "CorrectInfo": [
            {
                "CorrectPixThresh": threshold, "CorrectMinSq": min_sq, "CorrectSelect": 0,
                "CorrectName": name,
            }
            for name, threshold, min_sq in MOUSE_CORRECTIONS
        ],
    }


def mousepad_section():
    return {
        "LightInfo": light_info(select_item=1),
        "LightList": light_list(PAD_MODES),
    }


def headset_section():
    for _, gains in EQ_PRESETS:
        assert len(gains) == 10 and all(abs(g) <= EQ_GAIN_LIMIT for g in gains)
    return {
        "LightInfo": light_info(select_item=1),
        "LightList": light_list(HEADSET_MODES),
        # Voice effect off (effect 1 preselected), Flat equaliser, microphone on at 80,
        # monitoring off at 50.
        "SystemSetStages": {
            "MagicEnable": 0, "MagicType": 1, "EqType": 1, "CustomEqSeletIndex": 0,
            "MicInSelect": 1, "MicInValue": 80, "MicMoniterSelect": 0, "MicMoniterValue": 50,
        },
        "EQHzValueInfo": [[{"value": gain} for gain in gains] for _, gains in EQ_PRESETS],
        "CustomEQNameInfo": [],
        "CustomEQHzValueInfo": [],
    }


def mode_names(modes):
    return [{"LightName": name, "visible": 1 if offered else 0} for name, offered, *_ in modes]


def default_light():
    names = [None] * 4
    names[VARIANT_KEYBOARD] = mode_names(KEYBOARD_MODES)
    names[VARIANT_MOUSE] = mode_names(MOUSE_MODES)
    names[VARIANT_MOUSEPAD] = mode_names(PAD_MODES)
    names[VARIANT_HEADSET] = mode_names(HEADSET_MODES)
    areas = [[] for _ in range(4)]
    areas[VARIANT_KEYBOARD] = [{"LightName": name} for name in KEYBOARD_AREAS]
    return {"DefaultLightName": names, "AreaLightName": areas}


def language_config():
    return {
        "Language": [
            {"Language_name": name, "Language_file": file, "Language_ID": ident,
             "Language_text": text}
            for name, file, ident, text in LANGUAGES
        ]
    }


def text_of(document):
    return json.dumps(document, indent=3, separators=(",", " : "), sort_keys=True,
                      ensure_ascii=False) + "\n"


def outputs():
    return {
        "keyboard.Json": {"Device": [keyboard_section()]},
        "mouse.Json": {"Device": [mouse_section()]},
        "MousePad.Json": {"Device": [mousepad_section()]},
        "HD.Json": {"Device": [headset_section()]},
        "default_light.json": default_light(),
        "Language.config": language_config(),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    args = parser.parse_args()
    stale = []
    for name, document in outputs().items():
        path = HERE / name
        text = text_of(document)
        if args.check:
            if not path.exists() or path.read_text(encoding="utf-8") != text:
                stale.append(name)
        else:
            path.write_text(text, encoding="utf-8", newline="\n")
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
