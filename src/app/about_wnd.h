#pragma once
// The modal about window with the software version.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/app_messages.h"
#include "ui/window_impl_base.h"

namespace norvik::app {

inline constexpr int kAboutWidth = 800;
inline constexpr int kAboutHeight = 572;

// The version string of the last row of the update product table (the application's row).
QString ApplicationVersionText();

class CAboutWnd : public ui::WindowImplBase {
  Q_OBJECT
 public:
  explicit CAboutWnd(QWidget* parent = nullptr);

  QString GetSkinFile() const override { return QStringLiteral("AboutWnd.xml"); }
  QString GetWindowClassName() const override { return QStringLiteral("AboutWnd"); }
  void InitWindow() override;
  void Notify(ui::TNotifyUI& msg) override;
  ui::LRESULT HandleCustomMessage(unsigned msg, ui::WPARAM wParam, ui::LPARAM lParam,
                                  bool& handled) override;

  // "software_ver_label" = Text("software_rev_text") read back through the hidden "text_test"
  // label + ApplicationVersionText().
  void SetVersionLabel();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void UpdateMaxRestoreButtons();

  QWidget* close_btn_ = nullptr;
  QWidget* max_btn_ = nullptr;
  QWidget* restore_btn_ = nullptr;
  QWidget* min_btn_ = nullptr;
  QWidget* menu_btn_ = nullptr;
};

// The version label text: Text("software_rev_text") read back through the hidden "text_test"
// label + the version string of the last row of the update product table (src/update).
// Opens modally unless `slot` already holds one (then returns at once with false). Also false
// when the layout cannot be built.
bool OpenAboutWindow(QWidget* parent, QPointer<CAboutWnd>& slot);

}  // namespace norvik::app
