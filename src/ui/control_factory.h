#pragma once
// The process-wide control factory: class names registered by the program, each with a function
// that creates one control. Layouts use these names as tags; layouts built without a callback
// (templates) can use only these and Qt's own widgets.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>

namespace norvik::ui {

class ControlFactory {
 public:
  using CreateFunction = std::function<QWidget*(QWidget* parent)>;

  static ControlFactory& Instance();

  // A second registration of a name replaces the first.
  void RegistControl(const QString& class_name, CreateFunction create);
  // The registered control of exactly that name (case-sensitive), or null.
  QWidget* CreateControl(const QString& class_name, QWidget* parent) const;
  bool IsRegistered(const QString& class_name) const;
  QStringList RegisteredNames() const;
  // Forgets every registration (tests, tear-down).
  void Clear();

 private:
  std::map<QString, CreateFunction> creators_;
};

}  // namespace norvik::ui
