#include "app/msg_wnd.h"

#include <QPointer>
#include <algorithm>
#include <array>

#include "base/debug_trace.h"
#include "ui/resource_manager.h"

namespace norvik::app {
namespace {

constexpr std::array<int, 7> kSupportedDpis = {48, 72, 96, 120, 144, 168, 192};

constexpr char kTitleName[] = "MessageTitle";
constexpr char kTextName[] = "MessageText";
constexpr char kConfirmName[] = "confirm_btn";
constexpr char kCancelName[] = "cancel_btn";
constexpr char kCloseName[] = "closebtn";

}  // namespace

bool IsSupportedDpi(int dpi) {
  return std::find(kSupportedDpis.begin(), kSupportedDpis.end(), dpi) != kSupportedDpis.end();
}

CMsgWnd::CMsgWnd(QWidget* parent) : ui::WindowImplBase(parent) {}

void CMsgWnd::InitWindow() {
  close_btn_ = FindControl(kCloseName);
  layout_size_ = size();
}

void CMsgWnd::Notify(ui::TNotifyUI& msg) {
  if (msg.type != QLatin1String(ui::kNotifyClick)) return;
  const QString name = msg.SenderName();
  if (name == QLatin1String(kCloseName) || name == QLatin1String(kCancelName)) {
    Close(kMsgResultCancelled);
  } else if (name.compare(QLatin1String(kConfirmName), Qt::CaseInsensitive) == 0) {
    Close(kMsgResultConfirmed);
  }
}

void CMsgWnd::SetDpi(int dpi) {
  if (dpi == dpi_) return;
  if (!IsSupportedDpi(dpi)) {
    DebugTrace("MSG_WND DPI SET ERROR");
    dpi = kDefaultDpi;
  }
  dpi_ = dpi;
  // Qt already follows the screen's own scale; the caller's DPI scales the layout size on top.
  if (!layout_size_.isValid()) return;
  const QSize scaled = layout_size_ * dpi_ / kDefaultDpi;
  // The window base fixes a window to its layout's size; keep it fixed at the new size.
  if (minimumSize() == maximumSize()) {
    setFixedSize(scaled);
  } else {
    resize(scaled);
  }
}

void CMsgWnd::SetTitle(const QString& title) {
  if (title.isEmpty()) return;
  if (QWidget* label = FindControl(kTitleName)) ui::ResourceManager::SetPlainText(label, title);
}

void CMsgWnd::SetText(const QString& text, bool text_is_key) {
  if (text.isEmpty()) return;
  QWidget* label = FindControl(kTextName);
  if (label == nullptr) return;
  if (text_is_key) {
    ui::ResourceManager::SetTextKey(label, text);
  } else {
    ui::ResourceManager::SetPlainText(label, text);
  }
}

void CMsgWnd::SetButtons(int buttons) {
  if (buttons != kMsgButtonsConfirm && buttons != kMsgButtonsConfirmCancel) return;
  if (QWidget* confirm = FindControl(kConfirmName)) confirm->setVisible(true);
  if (QWidget* cancel = FindControl(kCancelName)) {
    cancel->setVisible(buttons == kMsgButtonsConfirmCancel);
  }
}

int ShowMessage(QWidget* parent, const QString& title, const QString& text, int dpi,
                bool text_is_key, int buttons) {
  // Owned by parent while it lives; deleted below once the modal run is over.
  QPointer<CMsgWnd> window = new CMsgWnd(parent);
  window->setWindowTitle(QStringLiteral("msgwnd"));
  if (!window->Create()) {
    // A box nobody can see or close would hang the caller: answer "not confirmed".
    DebugTrace("MSG_WND layout missing");
    window->deleteLater();
    return kMsgResultCancelled;
  }
  window->SetTitle(title);
  window->SetText(text, text_is_key);
  window->SetDpi(dpi);
  window->SetButtons(buttons);
  window->CenterWindow();
  const int code = window->ShowModal();
  if (window) window->deleteLater();
  return code == kMsgResultConfirmed ? kMsgResultConfirmed : kMsgResultCancelled;
}

CMsgWnd* ShowNotice(QWidget* parent, const QString& text_key, int dpi) {
  auto* window = new CMsgWnd(parent);
  window->setWindowTitle(QStringLiteral("msgwnd"));
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (!window->Create()) {
    DebugTrace("MSG_WND layout missing");
    window->deleteLater();
    return nullptr;
  }
  window->SetText(text_key, /*text_is_key=*/true);
  window->SetDpi(dpi);
  window->SetButtons(kMsgButtonsConfirm);
  window->CenterWindow();
  window->show();
  return window;
}

}  // namespace norvik::app
