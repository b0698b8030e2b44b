#pragma once
// The selector item of one product (class "DeviceOption") and the power indicator
// (class "MpDevicePower"). Both are horizontal layouts whose children come from their own
// layouts ("XML\CustomControlXML\DeviceOption.xml", "...\MpDevicePower.xml"); child controls are
// found by name on first use and every use tests for null.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "devices/power_status.h"
#include "ui/ui_types.h"

class QAbstractButton;
class QLabel;
class QProgressBar;

namespace norvik::panels {

class CVelmoranUSBDevice;
class CMpDevicePowerUI;

// Dynamic property naming the image string a child shows ("file='power/powered.png'"); the
// selector button keeps its three images under the names layouts use for them.
inline constexpr char kImageProperty[] = "image";
inline constexpr char kNormalImageProperty[] = "normalimage";
inline constexpr char kDisabledImageProperty[] = "disabledimage";
inline constexpr char kSelectedImageProperty[] = "selectedimage";
// The offline counter wraps to 0 on its twentieth count.
inline constexpr int kOfflineCountWrap = 20;

class CDeviceOptionUI : public QWidget, public ui::IControlTimerTarget {
  Q_OBJECT
 public:
  explicit CDeviceOptionUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("DeviceOption"); }

  // Sends "selectchanged" for the item itself.
  void Activate();
  void SetVisible(bool visible);
  bool IsVisibleFlag() const { return visible_; }

  void ShowSynchroOption(bool show);
  void SetSynchro(bool on);
  bool IsSynchro() const;
  bool IsSelected() const;
  void Select(bool on);

  void BindPage(const QString& container, int index);
  int BoundPageIndex() const { return page_index_; }
  const QString& BoundContainerName() const { return page_container_; }
  void SetGroup(const QString& name);
  // The index is kept only when it is ≥ 0.
  void SetPowerPage(const QString& container, int index);
  int PowerPageIndex() const { return power_page_index_; }
  const QString& PowerContainerName() const { return power_container_; }
  void SetName(const QString& text);
  // Icons: "common/device_ico/<prefix>_device_*.png" by kind and role (kb, ms, hard_mp, soft_mp,
  // hd, hub, unknow); the tooltip of "device_select" is "<prefix>_device_name_text".
  void SetKindAndRole(int kind, int role);
  int Kind() const { return kind_; }
  int Role() const { return role_; }
  // The four image paths in use (relative to the skin folder).
  QString NormalImage() const { return normal_; }
  QString SelectedImage() const { return selected_; }
  QString SynchroNormalImage() const { return synchro_normal_; }
  QString SynchroSelectedImage() const { return synchro_selected_; }

  void SetDevice(CVelmoranUSBDevice* device);
  CVelmoranUSBDevice* Device() const;
  void SetPowerIndicator(CMpDevicePowerUI* power);
  CMpDevicePowerUI* PowerIndicator() const;
  void SetDisplayControl(QWidget* control) { display_ = control; }
  QWidget* DisplayControl() const { return display_; }

  // Consecutive failed link checks: counts up to 19, the twentieth sets it back to 0.
  int OfflineCount() const { return offline_count_; }
  void CountOffline();
  void ResetOffline() { offline_count_ = 0; }

  // The item's timers (1000-1007) are run by its owner; this forwards to the handler set here.
  using TimerHandler = std::function<void(CDeviceOptionUI& item, int id)>;
  void SetTimerHandler(TimerHandler handler) { on_timer_ = std::move(handler); }
  void OnControlTimer(int id) override;

  // Children (null when the layout lacks them).
  QAbstractButton* SelectButton() const;
  QAbstractButton* SynchroButton() const;
  QLabel* NameLabel() const;

 private:
  void ApplyImages(bool synchro);
  // Shows the bound page of the bound container (a stacked widget or tab widget of the window).
  void SelectBoundPage() const;
  void WatchSelectButton(QAbstractButton* button) const;

  mutable QPointer<QAbstractButton> select_button_;
  mutable QPointer<QAbstractButton> synchro_button_;
  mutable QPointer<QLabel> name_label_;
  mutable bool select_connected_ = false;

  QPointer<CVelmoranUSBDevice> device_;
  QPointer<CMpDevicePowerUI> power_indicator_;
  QPointer<QWidget> display_;
  QString normal_, selected_, synchro_normal_, synchro_selected_;
  QString page_container_;
  int page_index_ = -1;
  QString power_container_;
  int power_page_index_ = -1;
  bool visible_ = true;
  int kind_ = 0;
  int role_ = 0;
  int offline_count_ = 0;
  TimerHandler on_timer_;
};

class CMpDevicePowerUI : public QWidget {
  Q_OBJECT
 public:
  explicit CMpDevicePowerUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("MpDevicePower"); }

  void SetKind(int kind, int role);
  int Kind() const { return kind_; }
  void Show(bool show);
  // Shows a device's power status: battery level, charge state, the radio logo of a mouse and
  // the phone type of a mouse pad.
  void SetStatus(const devices::PowerStatus& status);

  // Children (null when the layout lacks them).
  QWidget* PowerLayout() const;
  QLabel* ValueLabel() const;
  QWidget* RadioLogo() const;
  QProgressBar* Progress() const;
  QWidget* StatusImage() const;
  QWidget* PhoneType() const;

 private:
  int kind_ = 0;
  int role_ = 0;
  mutable QPointer<QWidget> layout_;
  mutable QPointer<QLabel> value_;
  mutable QPointer<QWidget> radio_logo_;
  mutable QPointer<QProgressBar> progress_;
  mutable QPointer<QWidget> status_image_;
  mutable QPointer<QWidget> phone_type_;
};

}  // namespace norvik::panels
