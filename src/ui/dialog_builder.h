#pragma once
// Builds a control tree from a layout file of the skin (Qt Designer ".ui" XML), loaded at run
// time. Every class name of the layout is resolved in this order: the control factory, then the
// builder's callback (when one is given), then Qt's own widgets; a name nobody knows yields
// nothing (that element and its children are left out, the rest of the layout is built).

#include <QString>
#include <QWidget>

#include "ui/ui_types.h"

namespace norvik::ui {

// Resolves one class name as the builder does (factory, callback, Qt). Null when unknown.
QWidget* ResolveControl(const QString& class_name, IDialogBuilderCallback* callback,
                        QWidget* parent);

// Builds the layout named layout_name (a name of the skin, see ResourceManager::LayoutFile) and
// returns its root widget, parented to parent (may be null). Null when the file is missing or
// cannot be built. Texts written as "@key" become text keys (ResourceManager) and are
// translated at once.
QWidget* BuildLayout(const QString& layout_name, IDialogBuilderCallback* callback, QWidget* parent);

}  // namespace norvik::ui
