#pragma once
// What the panel tests share: an offscreen application with folders of its own, a temporary
// skin folder the tests write layouts into, a window stand-in whose layout callback is the main
// window's tag table, and a recorder of notifications.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "panels/control_registry.h"
#include "profiles/profile_list_test_folder.h"
#include "ui/dialog_builder.h"
#include "ui/notify_pump.h"
#include "ui/resource_manager.h"
#include "ui/ui_types.h"

namespace norvik::panels::testing {

using norvik::testing::TempFolder;
using norvik::testing::WriteText;

// The layout callback of the main window.
class TagCallback : public ui::IDialogBuilderCallback {
 public:
  QWidget* CreateControl(const QString& class_name, QWidget* parent) override {
    return CreateControlByTag(class_name, parent);
  }
};

// Keeps every notification it is given.
class NotifyRecorder : public ui::INotifyUI {
 public:
  struct Entry {
    QString type;
    QString sender;
    QWidget* sender_widget = nullptr;
    ui::WPARAM wparam = 0;
  };
  void Notify(ui::TNotifyUI& msg) override {
    entries.push_back({msg.type, msg.SenderName(), msg.sender.data(), msg.wParam});
  }
  int Count(const QString& type, const QString& sender) const {
    int n = 0;
    for (const Entry& e : entries) n += (e.type == type && e.sender == sender) ? 1 : 0;
    return n;
  }
  std::vector<Entry> entries;
};

// A left-button press, move (with the button held) or release at `at`, sent straight to widget.
inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

// A skin folder of the test's own, set as the resource path while alive.
class TempSkin {
 public:
  TempSkin() { ui::ResourceManager::Instance().SetResourcePath(folder_.path()); }
  ~TempSkin() { ui::ResourceManager::Instance().Reset(); }
  TempSkin(const TempSkin&) = delete;
  TempSkin& operator=(const TempSkin&) = delete;

  // Writes a Qt Designer layout whose root is root_xml (a <widget> element) under relative.
  void WriteLayout(const std::string& relative, const std::string& root_xml,
                   const std::string& custom_widgets = {}) {
    WriteText(folder_.path() / relative,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n" + root_xml +
                  "\n<customwidgets>" + custom_widgets + "</customwidgets>\n</ui>\n");
  }
  const std::filesystem::path& path() const { return folder_.path(); }

 private:
  TempFolder folder_;
};

// "<customwidget>" declaration of a class of the program.
inline std::string CustomWidget(const std::string& name, const std::string& base) {
  return "<customwidget><class>" + name + "</class><extends>" + base + "</extends></customwidget>";
}

// A key button element of a device picture.
inline std::string KeyButton(const std::string& name, const std::string& user_data, int x, int y) {
  std::string xml = "<widget class=\"DeviceKeyButton\" name=\"" + name +
                    "\"><property name=\"geometry\"><rect><x>" + std::to_string(x) + "</x><y>" +
                    std::to_string(y) +
                    "</y><width>30</width><height>30</height></rect></property>";
  if (!user_data.empty()) {
    xml += "<property name=\"userdata\" stdset=\"0\"><string>" + user_data + "</string></property>";
  }
  return xml + "</widget>";
}

}  // namespace norvik::panels::testing
