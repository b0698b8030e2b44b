#pragma once
// A temporary skin (layouts, language files) and default-data folder for the window tests, and
// a driver that acts on a modal window once it is shown.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/window_impl_base.h"

namespace norvik::app::test {

// Close code a stuck modal window is ended with, so a broken test fails instead of hanging.
inline constexpr int kStuckCloseCode = -77;

// English texts of the test language file.
inline constexpr char kEnVersionPrefix[] = "Software version: ";
inline constexpr char kCnVersionPrefix[] = "软件版本：";

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path Root() const;
  std::filesystem::path SkinFolder() const { return Root() / "skin"; }
  std::filesystem::path DefaultData() const { return Root() / "DefaultData"; }
  std::filesystem::path UserFolder() const { return Root() / "user"; }
  // Writes text (UTF-8) to a file under the temporary root, folders included.
  void WriteFile(const std::filesystem::path& relative, const std::string& text) const;
  static std::string ReadFile(const std::filesystem::path& file);
  // Lines the program traced while the test ran.
  std::vector<std::string> traces_;

 private:
  QTemporaryDir dir_;
};

// Calls action with the first visible top-level W other than exclude once one is shown (polled from
// the event loop, so it runs inside the window's modal loop). Ends every visible W with
// kStuckCloseCode and fails the test when none appears within timeout_ms or action left it open
// that long.
template <class W>
void WhenShown(std::function<void(W*)> action, const QWidget* exclude = nullptr,
               int timeout_ms = 5000) {
  auto* timer = new QTimer(qApp);
  auto clock = std::make_shared<QElapsedTimer>();
  // Set once action ran; the pointer empties when the window is deleted.
  auto acted = std::make_shared<std::optional<QPointer<W>>>();
  clock->start();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, clock, acted, action, exclude, timeout_ms] {
    if (!acted->has_value()) {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<W*>(widget);
        if (window == nullptr || widget == exclude || !widget->isVisible()) continue;
        *acted = QPointer<W>(window);
        action(window);
        break;
      }
    }
    if (acted->has_value()) {
      const W* current = acted->value().data();
      if (current == nullptr || !current->isVisible()) {
        timer->stop();
        timer->deleteLater();
        return;
      }
    }
    if (clock->elapsed() > timeout_ms) {
      ADD_FAILURE() << "modal window not shown or not closed within " << timeout_ms << " ms";
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<W*>(widget);
        if (window != nullptr && widget->isVisible()) window->Close(kStuckCloseCode);
      }
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

// Clicks the named button of window (fails the test when there is none).
void ClickButton(ui::WindowImplBase* window, const QString& name);
// Deletes what deleteLater left behind.
void FlushDeferredDeletes();

}  // namespace norvik::app::test
