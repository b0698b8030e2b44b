#include "app/notify_router.h"

#include <QColor>
#include <array>

namespace norvik::app {
namespace {

using devices::SettingField;
using devices::SettingsEdit;
using M = NameMatch;
using T = RouteTarget;
using A = RouteArgs;

constexpr char kClick[] = "click";
constexpr char kItemSelect[] = "itemselect";
constexpr char kSelectChanged[] = "selectchanged";
constexpr char kValueChanged[] = "valuechanged";
constexpr char kMoveValue[] = "movevaluechanged";
constexpr char kKillFocus[] = "killfocus";
constexpr char kSetFocus[] = "setfocus";
constexpr char kColourChanged[] = "colorchanged";
constexpr char kSelectEnd[] = "click_select_end";

constexpr unsigned kAll = kAllKinds;
constexpr unsigned kKeyboard = Kinds({1});
constexpr unsigned kMouse = Kinds({2});
constexpr unsigned kKeyboardMouse = Kinds({1, 2});
constexpr unsigned kHeadset = Kinds({7});

int Value(const A& a) {
  return static_cast<int>(a.wparam);
}
bool Checked(const A& a) {
  return a.wparam != 0;
}
void Edit(T& t, SettingField field, int index, int value) {
  t.EditSetting(SettingsEdit{field, index, value});
}
panels::IKeyPage& Keys(T& t) {
  return *t.Pages().keys;
}
panels::ILightingPage& Lighting(T& t) {
  return *t.Pages().lighting;
}
panels::IMacroPage& Macros(T& t) {
  return *t.Pages().macros;
}
panels::IShootPage& Shoot(T& t) {
  return *t.Pages().shoot;
}
panels::IHeadsetPage& Headset(T& t) {
  return *t.Pages().headset;
}
void ApplyKey(T& t, const A&) {
  Keys(t).ApplyAssignment();
  t.AfterKeyAssignment();
}
void SaveMacro(T& t, const A&) {
  Macros(t).SaveMacro();
}
void MoveEvent(T& t, panels::IMacroPage::Move move) {
  Macros(t).MoveEvent(move);
  Macros(t).SaveMacro();
}
void CursorKey(T& t, bool vertical, int direction) {
  Macros(t).InsertCursorKey(vertical, direction);
  Macros(t).SaveMacro();
}

// clang-format off
const std::array kRoutes = std::to_array<Route>({
    // --- click: the shell's six rows first, then the prefix rows, then the named buttons ---
    {kClick, M::AnyCase, "closebtn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::Close); }},
    {kClick, M::AnyCase, "nodevice_ok_btn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::NoDeviceOk); }},
    {kClick, M::AnyCase, "control_light_status", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::LightStatus); }},
    {kClick, M::AnyCase, "minbtn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::Minimise); }},
    {kClick, M::AnyCase, "maxbtn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::Maximise); }},
    {kClick, M::AnyCase, "restorebtn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::Restore); }},
    {kClick, M::AnyCase, "skinbtn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::Skin); }},
    {kClick, M::AnyCase, "setbtn", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::Settings); }},
    {kClick, M::Prefix, "key_", kAll, true, [](T& t, const A& a) { t.KeyClicked(a.number); }},
    {kClick, M::Prefix, "color_option_", kAll, true, [](T& t, const A& a) { Lighting(t).PresetColour(a.number); }},
    {kClick, M::Prefix, "windowdeviceset_", kAll, false, [](T& t, const A& a) { t.SystemControlPanel(a.number); }},
    {kClick, M::AnyCase, "default_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::RestoreDefaults); }},
    {kClick, M::AnyCase, "reset_repeat_btn", kKeyboard, true, [](T& t, const A&) { Edit(t, SettingField::ResetRepeat, 0, 0); }},
    {kClick, M::AnyCase, "device_add_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Add); }},
    {kClick, M::AnyCase, "device_sub_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Delete); }},
    {kClick, M::AnyCase, "device_export_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Export); }},
    {kClick, M::AnyCase, "device_import_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Import); }},
    {kClick, M::AnyCase, "device_copy_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Copy); }},
    {kClick, M::AnyCase, "device_reset_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Reset); }},
    {kClick, M::AnyCase, "device_profile_edit_save_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::Rename); }},
    {kClick, M::AnyCase, "key_butt_keysave", kKeyboardMouse, true, ApplyKey},
    {kClick, M::AnyCase, "key_butt_keydefalut", kKeyboardMouse, true, [](T& t, const A&) { Keys(t).DefaultAssignment(); }},
    {kClick, M::AnyCase, "key_butt_keycancel", kKeyboardMouse, true, [](T& t, const A&) { Keys(t).CancelEdit(); }},
    {kClick, M::AnyCase, "key_butt_prosave", kKeyboardMouse, true, [](T& t, const A&) { t.Profile(ProfileCommand::WriteToDevice); }},
    {kClick, M::AnyCase, "macro_btn_starredio", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).StartRecording(); }},
    {kClick, M::AnyCase, "macro_btn_stopredio", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).StopRecording(); }},
    {kClick, M::AnyCase, "macro_btn_name_add", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).AddMacro(); }},
    {kClick, M::AnyCase, "macro_btn_name_sub", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).DeleteMacro(); }},
    {kClick, M::AnyCase, "macro_btn_name_edit", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).RenameMacro(); }},
    {kClick, M::AnyCase, "macro_btn_save", kKeyboardMouse, true, SaveMacro},
    {kClick, M::AnyCase, "macro_btn_cancel", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).CancelMacro(); }},
    {kClick, M::AnyCase, "macro_btn_export", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).ExportMacro(); }},
    {kClick, M::AnyCase, "macro_btn_import", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).ImportMacro(); }},
    {kClick, M::AnyCase, "macro_btn_up", kKeyboardMouse, true, [](T& t, const A&) { MoveEvent(t, panels::IMacroPage::Move::Up); }},
    {kClick, M::AnyCase, "macro_btn_down", kKeyboardMouse, true, [](T& t, const A&) { MoveEvent(t, panels::IMacroPage::Move::Down); }},
    {kClick, M::AnyCase, "macro_btn_uptop", kKeyboardMouse, true, [](T& t, const A&) { MoveEvent(t, panels::IMacroPage::Move::Top); }},
    {kClick, M::AnyCase, "macro_btn_downbottom", kKeyboardMouse, true, [](T& t, const A&) { MoveEvent(t, panels::IMacroPage::Move::Bottom); }},
    {kClick, M::AnyCase, "macro_btn_delete", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).DeleteEvent(); Macros(t).SaveMacro(); }},
    {kClick, M::AnyCase, "macro_btn_deleteall", kKeyboardMouse, true, [](T& t, const A&) { Macros(t).DeleteAllEvents(); Macros(t).SaveMacro(); }},
    {kClick, M::AnyCase, "shootdate_save_btn", kMouse, true, [](T& t, const A&) { Shoot(t).SavePattern(); }},
    {kClick, M::AnyCase, "shootdate_reset_btn", kMouse, true, [](T& t, const A&) { Shoot(t).ResetPattern(); }},
    {kClick, M::AnyCase, "shootdate_import_btn", kMouse, true, [](T& t, const A&) { Shoot(t).ImportPattern(); }},
    {kClick, M::AnyCase, "shootdate_export_btn", kMouse, true, [](T& t, const A&) { Shoot(t).ExportPattern(); }},
    {kClick, M::AnyCase, "bullet_selected_prev", kMouse, true, [](T& t, const A&) { Shoot(t).PreviousBullet(); }},
    {kClick, M::AnyCase, "bullet_selected_next", kMouse, true, [](T& t, const A&) { Shoot(t).NextBullet(); }},
    {kClick, M::AnyCase, "custom_bright_color_btn", kKeyboard, true, [](T& t, const A&) { Lighting(t).CustomColourMode(1); }},
    {kClick, M::AnyCase, "custom_off_color_btn", kKeyboard, true, [](T& t, const A&) { Lighting(t).CustomColourMode(0); }},
    {kClick, M::AnyCase, "deng_same_mode", kAll, true, [](T& t, const A&) { t.LightingSync().SynchroniseDevices(); }},
    {kClick, M::AnyCase, "hs_EQ_btn_save", kHeadset, true, [](T& t, const A&) { Headset(t).SaveCustomEq(); }},
    {kClick, M::AnyCase, "hs_EQ_btn_delete", kHeadset, true, [](T& t, const A&) { Headset(t).DeleteCustomEq(); }},
    {kClick, M::Exact, "profile_fun_spread_btn", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::ToggleMenu); }},
    {kClick, M::Exact, "macro_inset_moveleftkey_btn", kKeyboardMouse, true, [](T& t, const A&) { CursorKey(t, false, 1); }},
    {kClick, M::Exact, "macro_inset_moverightkey_btn", kKeyboardMouse, true, [](T& t, const A&) { CursorKey(t, false, 0); }},
    {kClick, M::Exact, "macro_inset_moveupkey_btn", kKeyboardMouse, true, [](T& t, const A&) { CursorKey(t, true, 1); }},
    {kClick, M::Exact, "macro_inset_movedownkey_btn", kKeyboardMouse, true, [](T& t, const A&) { CursorKey(t, true, 0); }},
    {kClick, M::AnyCase, "device_select_prev", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::PreviousDevice); }},
    {kClick, M::AnyCase, "device_select_next", kAll, false, [](T& t, const A&) { t.Shell(ShellAction::NextDevice); }},

    // --- item selected ---
    {kItemSelect, M::AnyCase, "device_profile_combo", kAll, true, [](T& t, const A&) { t.Profile(ProfileCommand::SwitchLater); }},
    {kItemSelect, M::AnyCase, "light_combo_modeSelect", kAll, true, [](T& t, const A& a) { Lighting(t).ModeChanged(Value(a)); }},
    {kItemSelect, M::AnyCase, "light_combo_custommodeSelect", kAll, true, [](T& t, const A& a) { Lighting(t).CustomModeChanged(Value(a)); }},
    {kItemSelect, M::AnyCase, "light_combo_ZZCCmodeSelect", kAll, true, [](T& t, const A& a) { Lighting(t).SecondModeChanged(Value(a)); }},
    {kItemSelect, M::AnyCase, "keyset_function_combo", kAll, true, [](T& t, const A& a) { Keys(t).FunctionChanged(Value(a)); ApplyKey(t, a); }},
    {kItemSelect, M::AnyCase, "keyset_macro_over_combo", kAll, true, [](T& t, const A& a) { Keys(t).MacroRepeatModeChanged(Value(a)); ApplyKey(t, a); }},
    {kItemSelect, M::AnyCase, "macro_name_list", kAll, true, [](T& t, const A& a) { Macros(t).MacroSelected(Value(a)); }},
    {kItemSelect, M::AnyCase, "custom_eq_name_combo", kAll, true, [](T& t, const A& a) { Headset(t).CustomEqSelected(Value(a)); }},
    {kItemSelect, M::AnyCase, "Language_combox_info_main", kAll, false, [](T& t, const A& a) { t.LanguageSelected(Value(a)); }},
    {kItemSelect, M::AnyCase, "keyset_mousekey_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_mouseswing_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_mousewheel_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_mousedpi_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_media_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_system_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_macro_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_gunkey_combo", kAll, true, ApplyKey},
    {kItemSelect, M::AnyCase, "keyset_combokey_combo", kAll, true, ApplyKey},

    // --- selection changed: indexed names, named controls, then the tabs ---
    {kSelectChanged, M::Prefix, "DPI_enable_check_", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::DpiEnabled, a.number, Checked(a)); }},
    {kSelectChanged, M::Prefix, "polling_rate_option_", Kinds({1, 2}), true, [](T& t, const A& a) { if (Checked(a)) Edit(t, SettingField::PollingRate, 0, a.number); }},
    {kSelectChanged, M::Prefix, "repeat_delay_check_", kKeyboard, true, [](T& t, const A& a) { if (Checked(a)) Edit(t, SettingField::RepeatDelay, 0, a.number); }},
    {kSelectChanged, M::Prefix, "mouse_device_seting_option_", kAll, true, [](T& t, const A& a) { if (Checked(a)) Edit(t, SettingField::ActiveDpiStage, 0, a.number); }},
    {kSelectChanged, M::Prefix, "shoot_gun_op_", kMouse, true, [](T& t, const A& a) { Shoot(t).SelectGun(a.number); }},
    {kSelectChanged, M::Prefix, "bullet_op_", kMouse, true, [](T& t, const A& a) { Shoot(t).SelectBullet(a.number); }},
    {kSelectChanged, M::Prefix, "magic_option_", kHeadset, true, [](T& t, const A& a) { Headset(t).VoiceEffect(a.number); }},
    {kSelectChanged, M::Prefix, "6533_eq_option_", kHeadset, true, [](T& t, const A& a) { Headset(t).EqPreset(a.number); }},
    {kSelectChanged, M::Prefix, "key_ComBox_check_", kKeyboardMouse, true, [](T& t, const A& a) { Keys(t).ModifierChecked(a.number, Checked(a)); ApplyKey(t, a); }},
    {kSelectChanged, M::AnyCase, "pointer_precision_check", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::PointerPrecision, 0, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "scrolls_page_check", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::ScrollByPage, 0, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "winlockflag_option", kKeyboard, true, [](T& t, const A& a) { Edit(t, SettingField::WinLock, 0, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "wflag_option", kKeyboard, true, [](T& t, const A& a) { Edit(t, SettingField::WFlag, 0, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "6flag_option", kKeyboard, true, [](T& t, const A& a) { Edit(t, SettingField::SixKeyFlag, 0, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "synchro_device_select", kAll, false, [](T&, const A&) {}},
    {kSelectChanged, M::AnyCase, "device_select", kAll, false, [](T& t, const A& a) { t.DeviceSelected(a.sender); }},
    {kSelectChanged, M::AnyCase, "deng_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(1); }},
    {kSelectChanged, M::AnyCase, "key_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(2); }},
    {kSelectChanged, M::AnyCase, "macro_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(3); }},
    {kSelectChanged, M::AnyCase, "system_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(4); }},
    {kSelectChanged, M::AnyCase, "cursor_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(5); }},
    {kSelectChanged, M::AnyCase, "6533_voice_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(6); }},
    {kSelectChanged, M::AnyCase, "magic_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(7); }},
    {kSelectChanged, M::AnyCase, "Virtual7.1_Op_tab", kAll, true, [](T& t, const A&) { t.SwitchPage(8); }},
    {kSelectChanged, M::AnyCase, "deng_FXL_check", kAll, true, [](T& t, const A&) { Lighting(t).DirectionChanged(1); }},
    {kSelectChanged, M::AnyCase, "deng_FXR_check", kAll, true, [](T& t, const A&) { Lighting(t).DirectionChanged(0); }},
    {kSelectChanged, M::AnyCase, "deng_7color_check", kAll, true, [](T& t, const A& a) { Lighting(t).ColourfulChanged(Checked(a)); }},
    {kSelectChanged, M::AnyCase, "bullet_x_check", kMouse, true, [](T& t, const A& a) { Shoot(t).CorrectionToggled(false, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "bullet_y_check", kMouse, true, [](T& t, const A& a) { Shoot(t).CorrectionToggled(true, Checked(a)); }},
    {kSelectChanged, M::AnyCase, "magic_enable_option", kHeadset, true, [](T& t, const A& a) { Headset(t).VoiceEffectEnabled(Checked(a)); }},
    {kSelectChanged, M::AnyCase, "6533_MicIn_option", kHeadset, true, [](T& t, const A& a) { Headset(t).MicrophoneOn(Checked(a)); }},
    {kSelectChanged, M::AnyCase, "6533_MicMoniter_option", kHeadset, true, [](T& t, const A& a) { Headset(t).MonitoringOn(Checked(a)); }},
    {kSelectChanged, M::AnyCase, "Virtual7.1_enable_option", kHeadset, true, [](T& t, const A& a) { Headset(t).VirtualSurroundOn(Checked(a)); }},

    // --- value changed ---
    {kValueChanged, M::Prefix, "DPI_slider_", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::DpiValue, a.number, Value(a) * t.DpiStep()); }},
    {kValueChanged, M::Prefix, "6533_eq_hz_slider_", kHeadset, true, [](T& t, const A& a) { Headset(t).EqBand(a.number, Value(a)); }},
    {kValueChanged, M::AnyCase, "pointer_speed_slider", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::PointerSpeed, 0, Value(a)); }},
    {kValueChanged, M::AnyCase, "scroll_speed_slider", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::ScrollLines, 0, Value(a)); }},
    {kValueChanged, M::AnyCase, "double_click_slider", kAll, true, [](T& t, const A& a) { Edit(t, SettingField::DoubleClickTime, 0, Value(a)); }},
    {kValueChanged, M::AnyCase, "repeat_rate_slider", kKeyboard, true, [](T& t, const A& a) { Edit(t, SettingField::RepeatRate, 0, Value(a)); }},
    {kValueChanged, M::AnyCase, "deng_light_slider", kAll, true, [](T& t, const A& a) { Lighting(t).BrightnessChanged(Value(a)); }},
    {kValueChanged, M::AnyCase, "deng_speed_slider", kAll, true, [](T& t, const A& a) { Lighting(t).SpeedChanged(Value(a)); }},
    {kValueChanged, M::AnyCase, "6533_MicIn_slider", kHeadset, true, [](T& t, const A& a) { Headset(t).MicrophoneLevel(Value(a)); }},
    {kValueChanged, M::AnyCase, "6533_MicMoniter_slider", kHeadset, true, [](T& t, const A& a) { Headset(t).MonitoringLevel(Value(a)); }},

    // --- moving value ---
    {kMoveValue, M::Prefix, "zintu_DPI_slider_", kAll, false, [](T& t, const A& a) { t.ZintuSliderMoved(a.number, Value(a)); }},
    {kMoveValue, M::Prefix, "DPI_slider_", kAll, true, [](T& t, const A& a) { t.PreviewDpi(a.number, Value(a)); }},

    // --- focus lost ---
    {kKillFocus, M::Prefix, "zintu_DPI_edit_", kAll, false, [](T& t, const A& a) { t.ZintuEditDone(a.number, a.text); }},
    {kKillFocus, M::Prefix, "DPI_edit_", kAll, true, [](T& t, const A& a) {
       bool ok = false;
       const int dpi = a.text.trimmed().toInt(&ok, 10);
       // Nothing usable typed: the edit shows the stage's value again.
       t.EditSetting(SettingsEdit{SettingField::DpiValue, a.number, ok ? dpi : -1});
     }},
    {kKillFocus, M::AnyCase, "deng_edit_R", kAll, true, [](T& t, const A& a) { Lighting(t).ColourComponentEdited('R', a.text); }},
    {kKillFocus, M::AnyCase, "deng_edit_G", kAll, true, [](T& t, const A& a) { Lighting(t).ColourComponentEdited('G', a.text); }},
    {kKillFocus, M::AnyCase, "deng_edit_B", kAll, true, [](T& t, const A& a) { Lighting(t).ColourComponentEdited('B', a.text); }},
    {kSetFocus, M::AnyCase, "keyset_keyboard_text_edit", kAll, false, [](T& t, const A&) { t.KeyCaptureOn(); }},
    {kKillFocus, M::AnyCase, "keyset_keyboard_text_edit", kAll, false, [](T& t, const A&) { t.KeyCaptureOff(); }},
    {kKillFocus, M::AnyCase, "bullet_x_eidt", kMouse, true, [](T& t, const A&) { Shoot(t).CommitEdit('x'); }},
    {kKillFocus, M::AnyCase, "bullet_y_eidt", kMouse, true, [](T& t, const A&) { Shoot(t).CommitEdit('y'); }},
    {kKillFocus, M::AnyCase, "bullet_delay_eidt", kMouse, true, [](T& t, const A&) { Shoot(t).CommitEdit('d'); }},
    {kKillFocus, M::AnyCase, "macro_delay", kAll, true, SaveMacro},
    {kKillFocus, M::AnyCase, "keyset_mouseswing_num_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mouseswing_delay_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mouseswing_speed_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mousewheel_num_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mousewheel_delay_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mousewheel_speed_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mousefire_interval_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_mousefire_num_edit", kAll, true, ApplyKey},
    {kKillFocus, M::AnyCase, "keyset_macro_cycle_edit", kAll, true, ApplyKey},

    // --- other notifications ---
    {kColourChanged, M::AnyCase, "deng_Color_Pallet", kAll, true, [](T& t, const A& a) { Lighting(t).PaletteColourChanged(QColor::fromRgba(static_cast<QRgb>(a.wparam))); }},
    {kSelectEnd, M::AnyCase, "device_key_light", kKeyboard, true, [](T& t, const A&) { t.SelectionEnded(); }},
    {kSelectEnd, M::AnyCase, "mouse_device_key_light", kMouse, true, [](T& t, const A&) { t.SelectionEnded(); }},
});
// clang-format on

bool NameMatches(const Route& route, const QString& name, int* number) {
  const QLatin1String wanted(route.name);
  switch (route.match) {
    case M::Exact:
      return name == wanted;
    case M::AnyCase:
      return name.compare(wanted, Qt::CaseInsensitive) == 0;
    case M::Prefix: {
      const auto split = SplitIndexedName(name);
      if (!split || split->prefix.compare(wanted, Qt::CaseInsensitive) != 0) return false;
      *number = split->number;
      return true;
    }
  }
  return false;
}

}  // namespace

bool KindServed(unsigned kinds, int kind) {
  if (kinds == kAllKinds) return true;
  if (kind == 9) kind = 1;
  return kind >= 0 && kind < 32 && (kinds & (1u << kind)) != 0;
}

std::optional<IndexedName> SplitIndexedName(const QString& name) {
  const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
  if (cut < 0) return std::nullopt;
  IndexedName split;
  split.prefix = name.left(cut + 1);
  // Leading decimal digits, as the C library reads a number; none is 0.
  long long number = 0;
  for (qsizetype i = cut + 1; i < name.size() && name[i].isDigit(); ++i) {
    number = number * 10 + name[i].digitValue();
    if (number > std::numeric_limits<int>::max()) return std::nullopt;
  }
  split.number = static_cast<int>(number);
  return split;
}

std::span<const Route> Routes() {
  return kRoutes;
}

const Route* FindRoute(const QString& type, const QString& name, std::optional<int> kind,
                       int* number) {
  int found_number = 0;
  for (const Route& route : kRoutes) {
    if (type != QLatin1String(route.type)) continue;
    if (!NameMatches(route, name, &found_number)) continue;
    // The first row naming the control decides; its filters may still say "not for this one".
    if (route.needs_panel && !kind) return nullptr;
    if (route.needs_panel && !KindServed(route.kinds, *kind)) return nullptr;
    if (number != nullptr) *number = found_number;
    return &route;
  }
  return nullptr;
}

bool RouteNotification(RouteTarget& target, RouteArgs args) {
  const Route* route = FindRoute(args.type, args.name, target.SelectedKind(), &args.number);
  if (route == nullptr) return false;
  route->handler(target, args);
  return true;
}

}  // namespace norvik::app
