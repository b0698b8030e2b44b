#pragma once
// CLightControlUI: the lighting page of a keyboard, mouse or mouse pad panel. It shows the
// lighting values of the panel's profile (mode, brightness, speed, colour, seven-colour switch,
// direction, the keyboard's custom colour group and second mode list), enables the groups the
// mode offers, and turns each change into a settings edit of the panel (stored in the profile,
// saved and sent on the device's worker); the device picture previews the result. In the
// keyboard's custom colour mode the keys of the picture are picked by clicking or by dragging a
// rubber band, and the two custom buttons paint the picked keys.

#include <QColor>
#include <QString>
#include <QWidget>
#include <span>
#include <string>
#include <vector>

#include "devices/light_mode_controls.h"
#include "devices/settings_values.h"
#include "panels/page_interfaces.h"

namespace norvik::panels {

class CVelmoranUSBDevice;
class CSelectPanelUI;

// The keyboard's per-key custom colour mode.
inline constexpr int kCustomColourMode = 20;

// The layout family of a device kind (1 keyboard ... 7), Fixed for kinds without a table.
devices::LightLayoutFamily LightFamilyOfKind(int kind);

class CLightControlUI : public QWidget, public ILightingPage {
  Q_OBJECT
 public:
  explicit CLightControlUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("LightControl"); }

  // Binds the panel's lighting page (built from its layout) to the panel and registers it;
  // null when the panel has none.
  static CLightControlUI* Attach(CVelmoranUSBDevice& panel);
  // The family follows the panel's device kind. Once only.
  void Bind(CVelmoranUSBDevice& panel);
  devices::LightLayoutFamily Family() const { return family_; }

  // --- what the page shows ---
  // Mode combo items (text the translated name, user data the name; hidden ones keep their
  // index), and the maxima of the brightness and speed sliders.
  void SetModeList(const devices::ModeList& list);
  void SetSecondModeList(const std::vector<std::string>& names);
  void SelectMode(int index);
  int GetMode() const;
  void SelectCustomGroup(int index);
  int GetCustomGroup() const;
  void SelectSecondMode(int index);
  int GetSecondMode() const;
  void SetBrightness(int value);
  int GetBrightness() const;
  void SetSpeed(int value);
  int GetSpeed() const;
  // The colour edits, palette and "deng_colordp_btn" together (0xRRGGBB; alpha ignored).
  void SetColour(QRgb rgb);
  QRgb GetColour() const;
  // 0xFF000000 without a palette.
  QRgb GetPaletteColour() const;
  // The swatch colour of "color_option_" n (0xFFRRGGBB), 0 when there is no such swatch.
  QRgb GetSwatchColour(int n) const;
  void SetSevenColour(bool on);
  // Left (1): "deng_FXL_check" selected; otherwise "deng_FXR_check".
  void SetDirection(bool left);
  // Enables, shows and renames the groups for mode (by the panel's family).
  void ApplyMode(int mode);
  // Fills every control from the light state (no notifications).
  void Fill(const profiles::LightState& light);
  // The light numbers of the picked key buttons of the picture.
  std::vector<int> SelectedLights() const;

  // --- ILightingPage ---
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
  void SelectionEnded() override;

 protected:
  // Key buttons of the picture in the custom colour mode: a click picks or drops the key, a
  // drag that starts on a key is the picture's rubber band.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  template <class T>
  T* Find(const char* name) const {
    return findChild<T*>(QLatin1String(name));
  }
  void Edit(devices::SettingField field, int value);
  void ShowValues();
  void PreviewStanding(const profiles::LightState& light);
  void LoadModeNames();
  void UploadCustomColours();
  bool PicksKeys() const;
  void WatchKeyButtons();
  void ClearSelection();

  CVelmoranUSBDevice* panel_ = nullptr;
  devices::LightLayoutFamily family_ = devices::LightLayoutFamily::Fixed;
  int mode_ = -1;
  bool names_requested_ = false;
  // A press on a key button in the custom colour mode, and whether the mouse moved since.
  bool key_pressed_ = false;
  bool key_dragged_ = false;
};

}  // namespace norvik::panels
