#include "ui/option_group.h"

namespace norvik::ui {
namespace {

// Groups live as direct children of the window under a prefixed object name, so a group name
// can never collide with a control name.
QString GroupObjectName(const QString& name) {
  return QStringLiteral("optiongroup:") + name;
}

}  // namespace

void SetOptionGroup(QWidget* window, QAbstractButton* button, const QString& name) {
  if (!button) return;
  if (QButtonGroup* current = button->group()) {
    if (window && current->parent() == window && current->objectName() == GroupObjectName(name) &&
        !name.isEmpty()) {
      return;
    }
    current->removeButton(button);
  }
  if (name.isEmpty() || !window) return;
  QButtonGroup* group = FindOptionGroup(window, name);
  if (!group) {
    group = new QButtonGroup(window);
    group->setObjectName(GroupObjectName(name));
    group->setExclusive(true);
  }
  button->setCheckable(true);
  group->addButton(button);
}

QButtonGroup* FindOptionGroup(const QWidget* window, const QString& name) {
  if (!window || name.isEmpty()) return nullptr;
  return window->findChild<QButtonGroup*>(GroupObjectName(name), Qt::FindDirectChildrenOnly);
}

}  // namespace norvik::ui
