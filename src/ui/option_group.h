#pragma once
// Option groups: check boxes / radio buttons anywhere in a window that select one another out,
// by group name (a Qt button group per name, kept by the window root).

#include <QAbstractButton>
#include <QButtonGroup>
#include <QString>
#include <QWidget>

namespace norvik::ui {

// Puts button into the exclusive group called name under window (created on first use). An
// empty name takes the button out of its group.
void SetOptionGroup(QWidget* window, QAbstractButton* button, const QString& name);
// The group of that name under window, or null.
QButtonGroup* FindOptionGroup(const QWidget* window, const QString& name);

}  // namespace norvik::ui
