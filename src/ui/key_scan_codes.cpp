#include "ui/key_scan_codes.h"

#include <span>

namespace norvik::ui {
namespace {

using profiles::ScanCode;

struct KeyScan {
  int key;
  ScanCode scan;
};

constexpr ScanCode Plain(std::uint8_t code) {
  return {code, false};
}
constexpr ScanCode Ext(std::uint8_t code) {
  return {code, true};
}

// Keys with the keypad modifier; with Num Lock off the keypad digits arrive as cursor keys.
constexpr KeyScan kKeypadKeys[] = {
    {Qt::Key_0, Plain(0x52)},      {Qt::Key_1, Plain(0x4F)},        {Qt::Key_2, Plain(0x50)},
    {Qt::Key_3, Plain(0x51)},      {Qt::Key_4, Plain(0x4B)},        {Qt::Key_5, Plain(0x4C)},
    {Qt::Key_6, Plain(0x4D)},      {Qt::Key_7, Plain(0x47)},        {Qt::Key_8, Plain(0x48)},
    {Qt::Key_9, Plain(0x49)},      {Qt::Key_Insert, Plain(0x52)},   {Qt::Key_End, Plain(0x4F)},
    {Qt::Key_Down, Plain(0x50)},   {Qt::Key_PageDown, Plain(0x51)}, {Qt::Key_Left, Plain(0x4B)},
    {Qt::Key_Clear, Plain(0x4C)},  {Qt::Key_Right, Plain(0x4D)},    {Qt::Key_Home, Plain(0x47)},
    {Qt::Key_Up, Plain(0x48)},     {Qt::Key_PageUp, Plain(0x49)},   {Qt::Key_Asterisk, Plain(0x37)},
    {Qt::Key_Minus, Plain(0x4A)},  {Qt::Key_Plus, Plain(0x4E)},     {Qt::Key_Slash, Ext(0x35)},
    {Qt::Key_Period, Plain(0x53)}, {Qt::Key_Comma, Plain(0x53)},    {Qt::Key_Delete, Plain(0x53)},
    {Qt::Key_Enter, Ext(0x1C)},    {Qt::Key_Return, Ext(0x1C)},     {Qt::Key_NumLock, Ext(0x45)},
};

// Everything else, as on a US keyboard: a shifted symbol stands for the key that types it.
constexpr KeyScan kKeys[] = {
    {Qt::Key_Control, Plain(0x1D)},
    {Qt::Key_Shift, Plain(0x2A)},
    {Qt::Key_Alt, Plain(0x38)},
    {Qt::Key_Meta, Ext(0x5B)},
    {Qt::Key_Super_L, Ext(0x5B)},
    {Qt::Key_Super_R, Ext(0x5C)},
    {Qt::Key_AltGr, Ext(0x38)},
    {Qt::Key_A, Plain(0x1E)},
    {Qt::Key_B, Plain(0x30)},
    {Qt::Key_C, Plain(0x2E)},
    {Qt::Key_D, Plain(0x20)},
    {Qt::Key_E, Plain(0x12)},
    {Qt::Key_F, Plain(0x21)},
    {Qt::Key_G, Plain(0x22)},
    {Qt::Key_H, Plain(0x23)},
    {Qt::Key_I, Plain(0x17)},
    {Qt::Key_J, Plain(0x24)},
    {Qt::Key_K, Plain(0x25)},
    {Qt::Key_L, Plain(0x26)},
    {Qt::Key_M, Plain(0x32)},
    {Qt::Key_N, Plain(0x31)},
    {Qt::Key_O, Plain(0x18)},
    {Qt::Key_P, Plain(0x19)},
    {Qt::Key_Q, Plain(0x10)},
    {Qt::Key_R, Plain(0x13)},
    {Qt::Key_S, Plain(0x1F)},
    {Qt::Key_T, Plain(0x14)},
    {Qt::Key_U, Plain(0x16)},
    {Qt::Key_V, Plain(0x2F)},
    {Qt::Key_W, Plain(0x11)},
    {Qt::Key_X, Plain(0x2D)},
    {Qt::Key_Y, Plain(0x15)},
    {Qt::Key_Z, Plain(0x2C)},
    {Qt::Key_1, Plain(0x02)},
    {Qt::Key_2, Plain(0x03)},
    {Qt::Key_3, Plain(0x04)},
    {Qt::Key_4, Plain(0x05)},
    {Qt::Key_5, Plain(0x06)},
    {Qt::Key_6, Plain(0x07)},
    {Qt::Key_7, Plain(0x08)},
    {Qt::Key_8, Plain(0x09)},
    {Qt::Key_9, Plain(0x0A)},
    {Qt::Key_0, Plain(0x0B)},
    {Qt::Key_Exclam, Plain(0x02)},
    {Qt::Key_At, Plain(0x03)},
    {Qt::Key_NumberSign, Plain(0x04)},
    {Qt::Key_Dollar, Plain(0x05)},
    {Qt::Key_Percent, Plain(0x06)},
    {Qt::Key_AsciiCircum, Plain(0x07)},
    {Qt::Key_Ampersand, Plain(0x08)},
    {Qt::Key_Asterisk, Plain(0x09)},
    {Qt::Key_ParenLeft, Plain(0x0A)},
    {Qt::Key_ParenRight, Plain(0x0B)},
    {Qt::Key_Return, Plain(0x1C)},
    {Qt::Key_Enter, Ext(0x1C)},
    {Qt::Key_Escape, Plain(0x01)},
    {Qt::Key_Backspace, Plain(0x0E)},
    {Qt::Key_Tab, Plain(0x0F)},
    {Qt::Key_Backtab, Plain(0x0F)},
    {Qt::Key_Space, Plain(0x39)},
    {Qt::Key_Minus, Plain(0x0C)},
    {Qt::Key_Underscore, Plain(0x0C)},
    {Qt::Key_Equal, Plain(0x0D)},
    {Qt::Key_Plus, Plain(0x0D)},
    {Qt::Key_BracketLeft, Plain(0x1A)},
    {Qt::Key_BraceLeft, Plain(0x1A)},
    {Qt::Key_BracketRight, Plain(0x1B)},
    {Qt::Key_BraceRight, Plain(0x1B)},
    {Qt::Key_Backslash, Plain(0x2B)},
    {Qt::Key_Bar, Plain(0x2B)},
    {Qt::Key_Semicolon, Plain(0x27)},
    {Qt::Key_Colon, Plain(0x27)},
    {Qt::Key_Apostrophe, Plain(0x28)},
    {Qt::Key_QuoteDbl, Plain(0x28)},
    {Qt::Key_QuoteLeft, Plain(0x29)},
    {Qt::Key_AsciiTilde, Plain(0x29)},
    {Qt::Key_Comma, Plain(0x33)},
    {Qt::Key_Less, Plain(0x33)},
    {Qt::Key_Period, Plain(0x34)},
    {Qt::Key_Greater, Plain(0x34)},
    {Qt::Key_Slash, Plain(0x35)},
    {Qt::Key_Question, Plain(0x35)},
    {Qt::Key_CapsLock, Plain(0x3A)},
    {Qt::Key_Print, Ext(0x37)},
    {Qt::Key_ScrollLock, Plain(0x46)},
    {Qt::Key_Pause, Plain(0x45)},
};

// The function keys, the cursor block and the keys of Japanese and Korean keyboards.
constexpr KeyScan kMoreKeys[] = {
    {Qt::Key_F11, Plain(0x57)},
    {Qt::Key_F12, Plain(0x58)},
    {Qt::Key_Insert, Ext(0x52)},
    {Qt::Key_Home, Ext(0x47)},
    {Qt::Key_PageUp, Ext(0x49)},
    {Qt::Key_Delete, Ext(0x53)},
    {Qt::Key_End, Ext(0x4F)},
    {Qt::Key_PageDown, Ext(0x51)},
    {Qt::Key_Right, Ext(0x4D)},
    {Qt::Key_Left, Ext(0x4B)},
    {Qt::Key_Down, Ext(0x50)},
    {Qt::Key_Up, Ext(0x48)},
    {Qt::Key_NumLock, Ext(0x45)},
    {Qt::Key_Menu, Ext(0x5D)},
    {Qt::Key_Muhenkan, Plain(0x7B)},
    {Qt::Key_Henkan, Plain(0x79)},
    {Qt::Key_Hiragana_Katakana, Plain(0x70)},
    {Qt::Key_yen, Plain(0x7D)},
    {Qt::Key_Hangul, Plain(0x72)},
    {Qt::Key_Hangul_Hanja, Plain(0x71)},
};

std::optional<ScanCode> Lookup(std::span<const KeyScan> table, int key) {
  for (const KeyScan& entry : table) {
    if (entry.key == key) return entry.scan;
  }
  return std::nullopt;
}

// X and Wayland keycodes are the Linux input codes shifted by 8.
constexpr quint32 kXkbKeycodeOffset = 8;

}  // namespace

std::optional<ScanCode> ScanCodeFromNative(quint32 native_scan_code) {
#if defined(Q_OS_WIN)
  // The make code with bit 8 for the 0xE0 prefix.
  if (native_scan_code == 0) return std::nullopt;
  return ScanCode{static_cast<std::uint8_t>(native_scan_code & 0xFF),
                  (native_scan_code & 0x100) != 0};
#else
  if (native_scan_code <= kXkbKeycodeOffset) return std::nullopt;
  return profiles::ScanCodeFromEvdev(native_scan_code - kXkbKeycodeOffset);
#endif
}

std::optional<ScanCode> ScanCodeFromQtKey(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers.testFlag(Qt::KeypadModifier)) {
    if (auto scan = Lookup(kKeypadKeys, key)) return scan;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F10) {
    return Plain(static_cast<std::uint8_t>(0x3B + (key - Qt::Key_F1)));
  }
  if (auto scan = Lookup(kKeys, key)) return scan;
  return Lookup(kMoreKeys, key);
}

std::optional<ScanCode> ScanCodeOfKeyEvent(const QKeyEvent& event) {
  if (auto scan = ScanCodeFromNative(event.nativeScanCode())) return scan;
  return ScanCodeFromQtKey(event.key(), event.modifiers());
}

}  // namespace norvik::ui
