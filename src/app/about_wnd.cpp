#include "app/about_wnd.h"

#include <QEvent>

#include "ui/resource_manager.h"
#include "update/update_target.h"

namespace norvik::app {
namespace {

constexpr char kCloseName[] = "closebtn";
constexpr char kMaxName[] = "maxbtn";
constexpr char kRestoreName[] = "restorebtn";
constexpr char kMinName[] = "minbtn";
constexpr char kMenuName[] = "menubtn";
constexpr char kVersionLabelName[] = "software_ver_label";
constexpr char kTextTestName[] = "text_test";
constexpr char kVersionPrefixKey[] = "software_rev_text";
// The one control timer of the window; it is stopped the first time it fires.
constexpr ui::WPARAM kAboutTimerId = 1;

}  // namespace

QString ApplicationVersionText() {
  const auto table = update::MakeUpdateProductTable();
  return QString::fromStdString(table.back().version_name);
}

CAboutWnd::CAboutWnd(QWidget* parent) : ui::WindowImplBase(parent) {}

void CAboutWnd::InitWindow() {
  close_btn_ = FindControl(kCloseName);
  max_btn_ = FindControl(kMaxName);
  restore_btn_ = FindControl(kRestoreName);
  min_btn_ = FindControl(kMinName);
  menu_btn_ = FindControl(kMenuName);
}

void CAboutWnd::Notify(ui::TNotifyUI& msg) {
  if (msg.type == QLatin1String(ui::kNotifyTimer)) {
    if (msg.wParam == kAboutTimerId && msg.sender) {
      Timers().KillTimer(msg.sender, static_cast<int>(kAboutTimerId));
    }
    return;
  }
  if (msg.type != QLatin1String(ui::kNotifyClick)) return;
  const QString name = msg.SenderName();
  if (name == QLatin1String(kCloseName)) {
    Close(0);
  } else if (name == QLatin1String(kMinName)) {
    showMinimized();
  } else if (name == QLatin1String(kMaxName)) {
    showMaximized();
  } else if (name == QLatin1String(kRestoreName)) {
    showNormal();
  }
  // "menubtn" and "homepage_btn" do nothing.
}

ui::LRESULT CAboutWnd::HandleCustomMessage(unsigned msg, ui::WPARAM wParam, ui::LPARAM lParam,
                                           bool& handled) {
  if (msg != kMsgLanguage) {
    return ui::WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
  }
  ui::ResourceManager::Instance().ReloadText(this);
  // The version label is plain text built from a translated prefix: build it again, or it
  // would keep the old language.
  SetVersionLabel();
  update();
  handled = true;
  return 0;
}

void CAboutWnd::SetVersionLabel() {
  QWidget* probe = FindControl(kTextTestName);
  QWidget* label = FindControl(kVersionLabelName);
  QString prefix;
  if (probe != nullptr) {
    ui::ResourceManager::SetTextKey(probe, QString::fromLatin1(kVersionPrefixKey));
    prefix = ui::ResourceManager::WidgetText(probe);
  }
  if (label != nullptr) {
    ui::ResourceManager::SetPlainText(label, prefix + ApplicationVersionText());
  }
}

void CAboutWnd::changeEvent(QEvent* event) {
  ui::WindowImplBase::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) UpdateMaxRestoreButtons();
}

void CAboutWnd::UpdateMaxRestoreButtons() {
  const bool maximised = isMaximized();
  if (max_btn_ != nullptr) max_btn_->setVisible(!maximised);
  if (restore_btn_ != nullptr) restore_btn_->setVisible(maximised);
}

bool OpenAboutWindow(QWidget* parent, QPointer<CAboutWnd>& slot) {
  if (slot) return false;
  // Owned by parent while it lives; deleted below once the modal run is over.
  QPointer<CAboutWnd> window = new CAboutWnd(parent);
  window->setWindowTitle(QStringLiteral("  "));
  if (!window->Create()) {
    window->deleteLater();
    return false;
  }
  // The window base fixes a window to its layout's size; the about window has its own.
  if (window->minimumSize() == window->maximumSize()) {
    window->setFixedSize(kAboutWidth, kAboutHeight);
  } else {
    window->resize(kAboutWidth, kAboutHeight);
  }
  window->SetVersionLabel();
  slot = window;
  window->CenterWindow();
  window->ShowModal();
  slot = nullptr;
  if (window) window->deleteLater();
  return true;
}

}  // namespace norvik::app
