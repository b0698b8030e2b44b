#pragma once
// A notification target that writes down what it receives as "type:sender:wParam" lines.

#include <QStringList>
#include <functional>

#include "qt_printers.h"
#include "ui/ui_types.h"

namespace norvik::ui::test {

class Recorder : public INotifyUI {
 public:
  void Notify(TNotifyUI& msg) override {
    const bool focus =
        msg.type == QLatin1String(kNotifySetFocus) || msg.type == QLatin1String(kNotifyKillFocus);
    if (focus && ignore_focus) return;
    lines.push_back(QStringLiteral("%1:%2:%3")
                        .arg(msg.type, msg.SenderName())
                        .arg(static_cast<qlonglong>(msg.wParam)));
    last_lParam = msg.lParam;
    if (on_notify) on_notify(msg);
  }
  // Lines as one string, for readable failures.
  std::string Text() const { return lines.join(QLatin1Char(' ')).toStdString(); }
  QStringList Take() { return std::exchange(lines, {}); }

  QStringList lines;
  LPARAM last_lParam = 0;
  // Focus moves are left out of the lines (tests about other things).
  bool ignore_focus = false;
  std::function<void(TNotifyUI&)> on_notify;
};

}  // namespace norvik::ui::test
