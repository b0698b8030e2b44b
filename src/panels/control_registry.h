#pragma once
// The program's control classes as layouts know them:
//  - RegisterControlClasses: the 23 class names of the control factory, in table order
//    ("CCircleProgressUI" ... "CVelmoranHS6533Device"), and the window library's controls that
//    Qt lacks, under the library's tags ("ColorPalette");
//  - CreateControlByTag: the main window's layout callback table: the tag is compared without
//    regard to case with the rows in order, the first match wins; device tags
//    ("VelmoranKeyboardDevice" ...) create panels; template rows ("KeySetControlUI" ...) build
//    another layout of the skin (no callback) and return its root; no match returns null.

#include <QString>
#include <QStringList>
#include <QWidget>

namespace norvik::panels {

void RegisterControlClasses();
// The program's class names RegisterControlClasses registers, in order (not the library's).
QStringList ControlClassNames();

QWidget* CreateControlByTag(const QString& tag, QWidget* parent);
// The tags of the callback table, in order (for tests).
QStringList CallbackTags();

}  // namespace norvik::panels
