#include "ui/control_factory.h"

namespace norvik::ui {

ControlFactory& ControlFactory::Instance() {
  static ControlFactory factory;
  return factory;
}

void ControlFactory::RegistControl(const QString& class_name, CreateFunction create) {
  if (class_name.isEmpty() || !create) return;
  creators_[class_name] = std::move(create);
}

QWidget* ControlFactory::CreateControl(const QString& class_name, QWidget* parent) const {
  const auto it = creators_.find(class_name);
  if (it == creators_.end()) return nullptr;
  return it->second(parent);
}

bool ControlFactory::IsRegistered(const QString& class_name) const {
  return creators_.find(class_name) != creators_.end();
}

QStringList ControlFactory::RegisteredNames() const {
  QStringList names;
  for (const auto& [name, create] : creators_) names.push_back(name);
  return names;
}

void ControlFactory::Clear() {
  creators_.clear();
}

}  // namespace norvik::ui
