#pragma once
// A skin folder of its own per test: files are written into a temp folder that the resource
// manager points at, and everything global is reset afterwards.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "qt_printers.h"
#include "ui/control_factory.h"
#include "ui/resource_manager.h"

namespace norvik::ui::test {

class SkinFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(skin_.isValid());
    ResourceManager::Instance().Reset();
    ResourceManager::Instance().SetResourcePath(skin_.path().toStdU16String());
  }
  void TearDown() override {
    ResourceManager::Instance().Reset();
    ControlFactory::Instance().Clear();
  }

  // Writes a file of the skin folder (relative path, folders made as needed).
  void WriteSkinFile(const QString& relative, const QByteArray& content) {
    const QString path = skin_.filePath(relative);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(content), content.size());
  }

  QTemporaryDir skin_;
};

// Qt Designer XML around a body of widgets; custom_classes are declared as <customwidgets>.
inline QByteArray UiFile(const QByteArray& root_widget,
                         const QList<QPair<QByteArray, QByteArray>>& custom_classes = {}) {
  QByteArray text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n"
      "<class>Form</class>\n" +
      root_widget + "\n";
  if (!custom_classes.isEmpty()) {
    text += "<customwidgets>\n";
    for (const auto& [name, base] : custom_classes) {
      text += "<customwidget><class>" + name + "</class><extends>" + base +
              "</extends></customwidget>\n";
    }
    text += "</customwidgets>\n";
  }
  return text + "</ui>\n";
}

inline QByteArray LanguageFile(const QList<QPair<QByteArray, QByteArray>>& texts) {
  QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Language>\n";
  for (const auto& [id, value] : texts) text += "<Text id=\"" + id + "\">" + value + "</Text>\n";
  return text + "</Language>\n";
}

// Runs the event loop until done() or the time limit; the result of done() at the end.
inline bool WaitFor(const std::function<bool()>& done, int limit_ms = 2000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limit_ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

}  // namespace norvik::ui::test
