#pragma once
// What the main window's routing asks of the setting pages that come with later changes (key
// assignment, lighting, macros, recoil patterns, the headset's audio) and of the settings
// window: one operation per routed control, with the arguments the control gives. Until a page
// registers itself with its device panel (CVelmoranUSBDevice::SetPages), the panel answers with
// the NotAvailablePages below, which write one diagnostic line per call and change nothing.

#include <QColor>
#include <QString>

namespace norvik::panels {

// The key assignment page: the key picked on the device picture and its editor.
class IKeyPage {
 public:
  virtual ~IKeyPage() = default;
  // Mouse only: key n holds the only left-button assignment (it cannot be reassigned).
  virtual bool IsOnlyLeftButton(int key) = 0;
  // Key button n of the picture was clicked while the key page is shown.
  virtual void OpenKey(int key) = 0;
  // "key_butt_keysave" and the editor's combos and edits: the edited assignment applied.
  virtual void ApplyAssignment() = 0;
  virtual void DefaultAssignment() = 0;  // "key_butt_keydefalut"
  virtual void CancelEdit() = 0;         // "key_butt_keycancel"
  // "keyset_function_combo" / "keyset_macro_over_combo": item index chosen.
  virtual void FunctionChanged(int index) = 0;
  virtual void MacroRepeatModeChanged(int index) = 0;
  // "key_ComBox_check_" n toggled (checked).
  virtual void ModifierChecked(int n, bool checked) = 0;
  // Key capture (message 1054) on / off: while on, a key pressed in the window becomes the
  // keyboard key of the edited assignment.
  virtual void SetKeyCapture(bool on) = 0;
};

// The lighting page.
class ILightingPage {
 public:
  virtual ~ILightingPage() = default;
  // "color_option_" n: the preset colour n becomes the lighting colour (stored, saved, applied).
  virtual void PresetColour(int n) = 0;
  // "custom_bright_color_btn" (1) / "custom_off_color_btn" (0).
  virtual void CustomColourMode(int on) = 0;
  // "light_combo_modeSelect", "light_combo_custommodeSelect", "light_combo_ZZCCmodeSelect".
  virtual void ModeChanged(int index) = 0;
  virtual void CustomModeChanged(int index) = 0;
  virtual void SecondModeChanged(int index) = 0;
  // "deng_FXL_check" (1) / "deng_FXR_check" (0).
  virtual void DirectionChanged(int left) = 0;
  virtual void ColourfulChanged(bool on) = 0;     // "deng_7color_check"
  virtual void BrightnessChanged(int value) = 0;  // "deng_light_slider"
  virtual void SpeedChanged(int value) = 0;       // "deng_speed_slider"
  // "deng_edit_R" / "deng_edit_G" / "deng_edit_B" left with a value; component 'R', 'G', 'B'.
  virtual void ColourComponentEdited(char component, const QString& text) = 0;
  virtual void PaletteColourChanged(QColor colour) = 0;  // "deng_Color_Pallet"
  // "click_select_end" of the device picture: a rubber-band selection of keys ended.
  virtual void SelectionEnded() = 0;
};

// The program-wide side of lighting: synchronising every open device and game lighting.
class ILightingSync {
 public:
  virtual ~ILightingSync() = default;
  // "deng_same_mode": every open device follows the lighting of the selected device.
  virtual void SynchroniseDevices() = 0;
  // Game lighting (messages "Game_Start" ...): form 0-2 with a lighting mode; timer 1066.
  virtual void GameLighting(int form, int mode) = 0;
  virtual void RestoreAfterGame() = 0;
};

// The macro editor.
class IMacroPage {
 public:
  virtual ~IMacroPage() = default;
  virtual void StartRecording() = 0;  // "macro_btn_starredio"
  virtual void StopRecording() = 0;   // "macro_btn_stopredio"
  virtual void AddMacro() = 0;        // "macro_btn_name_add"
  virtual void DeleteMacro() = 0;     // "macro_btn_name_sub" (asks first)
  virtual void RenameMacro() = 0;     // "macro_btn_name_edit"
  virtual void SaveMacro() = 0;       // "macro_btn_save", "macro_delay" left
  virtual void CancelMacro() = 0;     // "macro_btn_cancel"
  virtual void ExportMacro() = 0;     // "macro_btn_export" ("Macro Files(*.mac)")
  virtual void ImportMacro() = 0;     // "macro_btn_import"
  enum class Move { Up, Down, Top, Bottom };
  virtual void MoveEvent(Move move) = 0;  // "macro_btn_up" ... then saved
  virtual void DeleteEvent() = 0;         // "macro_btn_delete"
  virtual void DeleteAllEvents() = 0;     // "macro_btn_deleteall"
  // "macro_inset_move*key_btn": a cursor-key event; horizontal left 1 / right 0, vertical up 1 /
  // down 0.
  virtual void InsertCursorKey(bool vertical, int direction) = 0;
  virtual void MacroSelected(int index) = 0;  // "macro_name_list"
  // The macro action menu ("macro_action" activated) and its commands (message 1145): the
  // delay mode before / after a recorded event (0 record, 1 constant, 2 ignore, 3 the edited
  // action's own) and a mouse action inserted by its menu item name ("left_click", ...).
  virtual void OpenActionMenu() = 0;
  virtual void SetDelayMode(bool before, int mode) = 0;
  virtual void InsertMouseAction(const QString& item) = 0;
};

// The recoil pattern editor of the mouse.
class IShootPage {
 public:
  virtual ~IShootPage() = default;
  virtual void SavePattern() = 0;    // "shootdate_save_btn"
  virtual void ResetPattern() = 0;   // "shootdate_reset_btn"
  virtual void ImportPattern() = 0;  // "shootdate_import_btn" ("Shoot Files(*.shoot)")
  virtual void ExportPattern() = 0;  // "shootdate_export_btn"
  virtual void PreviousBullet() = 0;
  virtual void NextBullet() = 0;
  virtual void SelectGun(int n) = 0;     // "shoot_gun_op_" n
  virtual void SelectBullet(int n) = 0;  // "bullet_op_" n
  // "bullet_x_check" / "bullet_y_check" toggled.
  virtual void CorrectionToggled(bool vertical, bool on) = 0;
  // "bullet_x_eidt" 'x', "bullet_y_eidt" 'y', "bullet_delay_eidt" 'd' left.
  virtual void CommitEdit(char which) = 0;
};

// The headset's voice, equaliser and microphone pages.
class IHeadsetPage {
 public:
  virtual ~IHeadsetPage() = default;
  virtual void SaveCustomEq() = 0;               // "hs_EQ_btn_save"
  virtual void DeleteCustomEq() = 0;             // "hs_EQ_btn_delete"
  virtual void CustomEqSelected(int index) = 0;  // "custom_eq_name_combo"
  virtual void VoiceEffect(int n) = 0;           // "magic_option_" n
  virtual void EqPreset(int n) = 0;              // "6533_eq_option_" n
  virtual void EqBand(int band, int value) = 0;  // "6533_eq_hz_slider_" n
  virtual void VoiceEffectEnabled(bool on) = 0;  // "magic_enable_option"
  virtual void MicrophoneOn(bool on) = 0;        // "6533_MicIn_option"
  virtual void MonitoringOn(bool on) = 0;        // "6533_MicMoniter_option"
  virtual void MicrophoneLevel(int value) = 0;   // "6533_MicIn_slider"
  virtual void MonitoringLevel(int value) = 0;   // "6533_MicMoniter_slider"
  virtual void VirtualSurroundOn(bool on) = 0;   // "Virtual7.1_enable_option"
};

// The settings and update window of the program.
class ISettingsWindowHost {
 public:
  virtual ~ISettingsWindowHost() = default;
  // "setbtn" (beside the main window's right edge) or the tray menu / message 3093 (centred).
  virtual void OpenSettingsWindow(bool centred) = 0;
  // Message MSG_CHILD_FORWARD: passed on to an open settings window.
  virtual void ForwardToSettingsWindow(unsigned message, long long wparam, long long lparam) = 0;
  // Timer 1033: the update list of the present devices.
  virtual void RebuildUpdateList() = 0;
};

// The pages a device panel routes to; each pointer is never null.
struct PageSet {
  IKeyPage* keys = nullptr;
  ILightingPage* lighting = nullptr;
  IMacroPage* macros = nullptr;
  IShootPage* shoot = nullptr;
  IHeadsetPage* headset = nullptr;
};

// The stand-ins of pages that are not there yet: every call writes one diagnostic line naming
// the page and the operation ("... not available yet") and does nothing else.
class NotAvailablePages : public IKeyPage,
                          public ILightingPage,
                          public ILightingSync,
                          public IMacroPage,
                          public IShootPage,
                          public IHeadsetPage,
                          public ISettingsWindowHost {
 public:
  static NotAvailablePages& Instance();
  PageSet All();

  bool IsOnlyLeftButton(int key) override;
  void OpenKey(int key) override;
  void ApplyAssignment() override;
  void DefaultAssignment() override;
  void CancelEdit() override;
  void FunctionChanged(int index) override;
  void MacroRepeatModeChanged(int index) override;
  void ModifierChecked(int n, bool checked) override;
  void SetKeyCapture(bool on) override;

  void PresetColour(int n) override;
  void CustomColourMode(int on) override;
  void ModeChanged(int index) override;
  void CustomModeChanged(int index) override;
  void SecondModeChanged(int index) override;
  void DirectionChanged(int left) override;
  void ColourfulChanged(bool on) override;
  void BrightnessChanged(int value) override;
  void SpeedChanged(int value) override;
  void ColourComponentEdited(char component, const QString& text) override;
  void PaletteColourChanged(QColor colour) override;
  void SynchroniseDevices() override;
  void SelectionEnded() override;
  void GameLighting(int form, int mode) override;
  void RestoreAfterGame() override;

  void StartRecording() override;
  void StopRecording() override;
  void AddMacro() override;
  void DeleteMacro() override;
  void RenameMacro() override;
  void SaveMacro() override;
  void CancelMacro() override;
  void ExportMacro() override;
  void ImportMacro() override;
  void MoveEvent(Move move) override;
  void DeleteEvent() override;
  void DeleteAllEvents() override;
  void InsertCursorKey(bool vertical, int direction) override;
  void MacroSelected(int index) override;
  void OpenActionMenu() override;
  void SetDelayMode(bool before, int mode) override;
  void InsertMouseAction(const QString& item) override;

  void SavePattern() override;
  void ResetPattern() override;
  void ImportPattern() override;
  void ExportPattern() override;
  void PreviousBullet() override;
  void NextBullet() override;
  void SelectGun(int n) override;
  void SelectBullet(int n) override;
  void CorrectionToggled(bool vertical, bool on) override;
  void CommitEdit(char which) override;

  void SaveCustomEq() override;
  void DeleteCustomEq() override;
  void CustomEqSelected(int index) override;
  void VoiceEffect(int n) override;
  void EqPreset(int n) override;
  void EqBand(int band, int value) override;
  void VoiceEffectEnabled(bool on) override;
  void MicrophoneOn(bool on) override;
  void MonitoringOn(bool on) override;
  void MicrophoneLevel(int value) override;
  void MonitoringLevel(int value) override;
  void VirtualSurroundOn(bool on) override;

  void OpenSettingsWindow(bool centred) override;
  void ForwardToSettingsWindow(unsigned message, long long wparam, long long lparam) override;
  void RebuildUpdateList() override;

  // How many calls were answered (tests).
  int Calls() const { return calls_; }

 private:
  void Note(const char* page, const char* operation);
  int calls_ = 0;
};

}  // namespace norvik::panels
