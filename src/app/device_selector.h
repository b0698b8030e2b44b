#pragma once
// The device list of the main window: per product its panel, power indicator and selector
// item, and the operations on them — show item, hide item, previous / next, the selected
// panel, the count of present devices — with the rules of the "No_device_Link" page, the
// power pages, the synchronisation options and the hold flags.

#include <QPointer>
#include <QStackedWidget>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/product_list.h"
#include "panels/device_option.h"
#include "panels/velmoran_usb_device.h"
#include "ui/window_impl_base.h"

namespace norvik::app {

struct ProductWidgets {
  QPointer<panels::CVelmoranUSBDevice> panel;
  QPointer<panels::CDeviceOptionUI> item;
  QPointer<panels::CMpDevicePowerUI> power;
  bool Built() const { return panel && item; }
};

struct PresentCount {
  int first = -1;  // index of the first visible item, -1 when none
  int count = 0;
};

class DeviceSelector {
 public:
  struct Hooks {
    // Hiding the selected item closes the child windows and ends a key capture.
    std::function<void()> close_child_windows;
    std::function<void()> end_key_capture;
  };

  DeviceSelector(ui::WindowImplBase& window, Hooks hooks);

  void Set(std::size_t index, ProductWidgets widgets);
  const ProductWidgets& At(std::size_t index) const { return products_[index]; }
  std::size_t Size() const { return products_.size(); }
  // The product index of an item, panel or any control inside an item.
  std::optional<std::size_t> IndexOfItem(const QWidget* control) const;

  void ShowItem(std::size_t index, bool visible, bool select);
  void HideItem(std::size_t index);
  // The arrival rule: shown, selected only when nothing was shown before.
  void ShowArrived(std::size_t index);
  void SelectPrevious();
  void SelectNext();
  // The user picked an item ("device_select" selectchanged).
  void OnItemSelected(std::size_t index);

  panels::CVelmoranUSBDevice* SelectedPanel() const;
  std::optional<std::size_t> SelectedIndex() const;
  PresentCount CountPresent() const;
  // The remembered selection (index, kind, role) of the last "device_select" change.
  int RememberedIndex() const { return remembered_index_; }

  // "No_device_Link" shown with no visible item (and "setwnd_to_main" hidden); hidden else.
  void UpdateNoDevicePage();

 private:
  QStackedWidget* Stack(const QString& name) const;
  bool IsShownItem(std::size_t index) const;
  void ShowPowerPage(const panels::CDeviceOptionUI& item);

  ui::WindowImplBase& window_;
  Hooks hooks_;
  std::array<ProductWidgets, kProductCount> products_;
  int remembered_index_ = -1;
  int remembered_kind_ = 0;
  int remembered_role_ = 0;
};

}  // namespace norvik::app
