#include "app/access_banner.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "devices/access_fix.h"
#include "devices/device_set.h"
#include "ui/resource_manager.h"

namespace norvik::app {

namespace {
constexpr int kBannerBottom = 56;  // above the language row
constexpr int kBannerMargin = 24;
}  // namespace

AccessBanner::AccessBanner(QWidget* parent, std::filesystem::path data_folder)
    : QFrame(parent), data_folder_(std::move(data_folder)) {
  setObjectName(QString::fromLatin1(kAccessBannerName));
  setStyleSheet(
      QStringLiteral("#access_banner { background: #5a1e1e; border: 1px solid #c04040;"
                     " border-radius: 4px; } QLabel { color: white; }"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 8);
  text_ = new QLabel(this);
  text_->setWordWrap(true);
  // The command is meant to be copied.
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(text_);
  parent->installEventFilter(this);
  hide();
}

void AccessBanner::Post(std::vector<devices::DeniedDevice> denied) {
  QMetaObject::invokeMethod(
      this, [this, denied = std::move(denied)] { Show(denied); }, Qt::QueuedConnection);
}

void AccessBanner::Show(const std::vector<devices::DeniedDevice>& denied) {
  if (denied.empty()) {
    hide();
    return;
  }
  QStringList names;
  for (const devices::DeniedDevice& device : denied) {
    const auto slot = devices::DeviceSlotOfKind(device.kind);
    names << (slot
                  ? QString::fromUtf8(devices::DeviceSlotName(*slot).data(),
                                      static_cast<qsizetype>(devices::DeviceSlotName(*slot).size()))
                  : QStringLiteral("%1:%2")
                        .arg(device.vendor_id, 4, 16, QLatin1Char('0'))
                        .arg(device.product_id, 4, 16, QLatin1Char('0')));
  }
  names_ = names.join(QStringLiteral(", "));
  command_ = QString::fromStdString(devices::AccessFixCommand(
      devices::UdevRuleFolders(), devices::ShippedUdevRule(data_folder_)));
  Retranslate();
  Place();
  show();
  raise();
}

void AccessBanner::Retranslate() {
  if (names_.isEmpty()) return;
  const QString text =
      ui::ResourceManager::Instance().Text(QString::fromLatin1(kAccessBannerTextKey));
  text_->setText(
      QString(text).replace(QStringLiteral("%1"), names_).replace(QStringLiteral("%2"), command_));
}

bool AccessBanner::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) Place();
  return QFrame::eventFilter(watched, event);
}

void AccessBanner::Place() {
  const QWidget* parent = parentWidget();
  const int width = std::max(0, parent->width() - 2 * kBannerMargin);
  setFixedWidth(width);
  // The wrapped text's height at this width.
  const int height = layout()->hasHeightForWidth() ? layout()->heightForWidth(width) : -1;
  setFixedHeight(height > 0 ? height : sizeHint().height());
  move(kBannerMargin, std::max(0, parent->height() - kBannerBottom - this->height()));
}

}  // namespace norvik::app
