#pragma once
// The modal message box of the shell: a title, a text (plain or a text key of the language file)
// and a confirm button, with or without a cancel button.

#include <QString>
#include <QWidget>

#include "ui/window_impl_base.h"

namespace norvik::app {

inline constexpr int kMsgButtonsConfirm = 0;        // confirm only
inline constexpr int kMsgButtonsConfirmCancel = 1;  // confirm and cancel
inline constexpr int kMsgResultCancelled = 0;
inline constexpr int kMsgResultConfirmed = 1;
inline constexpr int kDefaultDpi = 96;

// True for the DPI values a message box accepts (48, 72, ..., 192).
bool IsSupportedDpi(int dpi);

class CMsgWnd : public ui::WindowImplBase {
  Q_OBJECT
 public:
  explicit CMsgWnd(QWidget* parent = nullptr);

  QString GetSkinFile() const override { return QStringLiteral("XML_MSG"); }
  QString GetWindowClassName() const override { return QStringLiteral("MsgWnd"); }
  void InitWindow() override;
  void Notify(ui::TNotifyUI& msg) override;

  // An unsupported value traces "MSG_WND DPI SET ERROR" and uses 96. The window is scaled by
  // dpi / 96 from its layout size.
  void SetDpi(int dpi);
  int Dpi() const { return dpi_; }

  void SetTitle(const QString& title);
  void SetText(const QString& text, bool text_is_key);
  // kMsgButtonsConfirm hides "cancel_btn", kMsgButtonsConfirmCancel shows both, other values
  // leave the layout as it is.
  void SetButtons(int buttons);

 private:
  int dpi_ = kDefaultDpi;
  QSize layout_size_;
  QWidget* close_btn_ = nullptr;
};

// Modal; 1 confirmed, 0 cancelled or closed. title/text empty = layout's default. The DPI rule:
// one of 48,72,96,120,144,168,192 else trace "MSG_WND DPI SET ERROR" and 96. A layout that
// cannot be built shows nothing and answers 0.
int ShowMessage(QWidget* parent, const QString& title, const QString& text, int dpi,
                bool text_is_key, int buttons);

// A modeless box with the confirm button only, for notices that must not stop the program (files
// recovered at start-up); it deletes itself when closed. Returns it, or null when the layout
// cannot be built.
CMsgWnd* ShowNotice(QWidget* parent, const QString& text_key, int dpi);

}  // namespace norvik::app
