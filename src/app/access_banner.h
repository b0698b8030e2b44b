#pragma once
// The banner at the foot of the main window that names the supported devices plugged in whose
// node this user may not open, and the one command that gives access. Hidden while there are
// none. It follows its parent's width.

#include <QFrame>
#include <QString>
#include <filesystem>
#include <vector>

#include "devices/device_watcher.h"

class QLabel;

namespace norvik::app {

inline constexpr char kAccessBannerName[] = "access_banner";
inline constexpr char kAccessBannerTextKey[] = "access_banner_text";

class AccessBanner : public QFrame {
 public:
  // data_folder: where the program's files are (to name the rule file it came with).
  AccessBanner(QWidget* parent, std::filesystem::path data_folder);

  // Shows the refused devices (none: hides). Any thread may call it; the banner changes on
  // its own thread.
  void Post(std::vector<devices::DeniedDevice> denied);
  void Show(const std::vector<devices::DeniedDevice>& denied);
  // The text again in the current language.
  void Retranslate();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();

  std::filesystem::path data_folder_;
  QLabel* text_ = nullptr;
  QString names_;
  QString command_;
};

}  // namespace norvik::app
