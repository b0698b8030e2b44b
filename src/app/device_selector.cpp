#include "app/device_selector.h"

#include "app/app_messages.h"
#include "devices/device_driver.h"
#include "ui/option_group.h"

#include <QButtonGroup>

namespace norvik::app {

DeviceSelector::DeviceSelector(ui::WindowImplBase& window, Hooks hooks)
    : window_(window), hooks_(std::move(hooks)) {}

void DeviceSelector::Set(std::size_t index, ProductWidgets widgets) {
  if (index < products_.size()) products_[index] = std::move(widgets);
}

std::optional<std::size_t> DeviceSelector::IndexOfItem(const QWidget* control) const {
  for (const QWidget* w = control; w; w = w->parentWidget()) {
    for (std::size_t i = 0; i < products_.size(); ++i) {
      if (products_[i].item == w || products_[i].panel == w) return i;
    }
  }
  return std::nullopt;
}

QStackedWidget* DeviceSelector::Stack(const QString& name) const {
  return window_.FindControlAs<QStackedWidget>(name);
}

bool DeviceSelector::IsShownItem(std::size_t index) const {
  const panels::CDeviceOptionUI* item = products_[index].item.data();
  return item != nullptr && item->IsVisibleFlag();
}

void DeviceSelector::ShowPowerPage(const panels::CDeviceOptionUI& item) {
  QStackedWidget* power =
      Stack(item.PowerContainerName().isEmpty() ? QString::fromLatin1(kDevicePowerSwitch)
                                                : item.PowerContainerName());
  if (!power) return;
  if (item.PowerPageIndex() >= 0) {
    power->setVisible(true);
    power->setCurrentIndex(item.PowerPageIndex());
  } else {
    power->setVisible(false);
  }
}

void DeviceSelector::ShowItem(std::size_t index, bool visible, bool select) {
  if (index >= products_.size()) return;
  panels::CDeviceOptionUI* item = products_[index].item;
  if (!item) return;
  item->SetVisible(visible);
  if (select) {
    if (QStackedWidget* pages = Stack(item->BoundContainerName());
        pages && item->BoundPageIndex() >= 0) {
      pages->setCurrentIndex(item->BoundPageIndex());
    }
    ShowPowerPage(*item);
  }
  if (!select && item->IsSelected()) {
    // An exclusive group refuses to clear its checked button; the hidden item must let go.
    QButtonGroup* group = ui::FindOptionGroup(&window_, QString::fromLatin1(kSelectorGroup));
    const bool exclusive = group && group->exclusive();
    if (exclusive) group->setExclusive(false);
    item->Select(false);
    if (exclusive) group->setExclusive(true);
  } else {
    item->Select(select);
  }

  int shown = 0;
  int synchro = 0;
  for (const auto& product : products_) {
    const panels::CDeviceOptionUI* other = product.item.data();
    if (other == nullptr || !other->IsVisibleFlag()) continue;
    ++shown;
    if (other->IsSynchro()) ++synchro;
  }
  if (shown == 0) {
    if (QStackedWidget* power = Stack(kDevicePowerSwitch)) power->setCurrentIndex(0);
    if (QStackedWidget* pages = Stack(kDeviceSwitch)) pages->setCurrentIndex(0);
  }
  UpdateNoDevicePage();
  for (const ProductWidgets& product : products_) {
    panels::CVelmoranUSBDevice* panel = product.panel.data();
    if (panel == nullptr) continue;
    panel->SetSynchronisable(shown >= 2);
    // With fewer than two devices nothing takes part in a synchronisation.
    if (shown < 2) {
      if (devices::DeviceDriver* driver = panel->Driver()) driver->Io().SetHold(false);
    }
  }
  if (synchro < 2) {
    for (const ProductWidgets& product : products_) {
      panels::CDeviceOptionUI* other = product.item.data();
      if (other != nullptr && other->IsSynchro()) other->SetSynchro(false);
    }
  }
}

void DeviceSelector::UpdateNoDevicePage() {
  const PresentCount present = CountPresent();
  QWidget* no_device = window_.FindControl(kNoDeviceLink);
  if (present.count == 0) {
    if (no_device) no_device->setVisible(true);
    if (QWidget* to_main = window_.FindControl(kSetWndToMain)) to_main->setVisible(false);
  } else if (no_device) {
    no_device->setVisible(false);
  }
}

void DeviceSelector::HideItem(std::size_t index) {
  if (index >= products_.size()) return;
  const panels::CDeviceOptionUI* hidden = products_[index].item.data();
  if (hidden == nullptr) return;
  std::optional<std::size_t> other;
  if (hidden->IsVisibleFlag() && hidden->IsSelected()) {
    if (hooks_.close_child_windows) hooks_.close_child_windows();
    if (hooks_.end_key_capture) hooks_.end_key_capture();
    for (std::size_t i = 0; i < products_.size(); ++i) {
      if (i != index && IsShownItem(i)) {
        other = i;
        break;
      }
    }
  }
  ShowItem(index, false, false);
  if (other) ShowItem(*other, true, true);
}

void DeviceSelector::ShowArrived(std::size_t index) {
  const bool none_before = CountPresent().count == 0;
  if (IsShownItem(index)) return;
  ShowItem(index, true, none_before);
}

void DeviceSelector::SelectPrevious() {
  const auto selected = SelectedIndex();
  if (!selected) return;
  for (std::size_t i = *selected; i-- > 0;) {
    if (IsShownItem(i)) {
      ShowItem(i, true, true);
      return;
    }
  }
}

void DeviceSelector::SelectNext() {
  const auto selected = SelectedIndex();
  if (!selected) return;
  for (std::size_t i = *selected + 1; i < products_.size(); ++i) {
    if (IsShownItem(i)) {
      ShowItem(i, true, true);
      return;
    }
  }
}

void DeviceSelector::OnItemSelected(std::size_t index) {
  if (index >= products_.size()) return;
  panels::CDeviceOptionUI* selected = products_[index].item.data();
  if (selected == nullptr) return;
  panels::CDeviceOptionUI& item = *selected;
  remembered_index_ = static_cast<int>(index);
  remembered_kind_ = item.Kind();
  remembered_role_ = item.Role();
  // The option is bound to its page, as a tab header is.
  if (QStackedWidget* pages = Stack(item.BoundContainerName());
      pages && item.BoundPageIndex() >= 0) {
    pages->setCurrentIndex(item.BoundPageIndex());
  }
  ShowPowerPage(item);
}

std::optional<std::size_t> DeviceSelector::SelectedIndex() const {
  for (std::size_t i = 0; i < products_.size(); ++i) {
    const panels::CDeviceOptionUI* item = products_[i].item.data();
    if (item != nullptr && item->IsVisibleFlag() && item->IsSelected()) return i;
  }
  return std::nullopt;
}

panels::CVelmoranUSBDevice* DeviceSelector::SelectedPanel() const {
  const auto index = SelectedIndex();
  return index ? products_[*index].panel.data() : nullptr;
}

PresentCount DeviceSelector::CountPresent() const {
  PresentCount present;
  for (std::size_t i = 0; i < products_.size(); ++i) {
    if (!IsShownItem(i)) continue;
    if (present.first < 0) present.first = static_cast<int>(i);
    ++present.count;
  }
  return present;
}

}  // namespace norvik::app
