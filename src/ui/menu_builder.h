#pragma once
// Menus from the skin's menu files (XML):
//   <Menu>
//     <MenuElement name="about_menu" text="@about_menu_text"/>
//     <MenuElement name="emulated" text="@emulated_devices_text">   (a submenu)
//       <MenuElement name="emu_plug_keyboard" text="..." checkable="true"/>
//     </MenuElement>
//     <Separator/>
//   </Menu>
// Each action's object name is the element's name; "@key" texts follow the language. Choosing
// an item calls the command callback with a MenuCommand record.

#include <QMenu>
#include <QString>
#include <QWidget>
#include <functional>

namespace norvik::ui {

struct MenuCommand {
  QString name;       // the item's name
  QString user_data;  // the element's "userdata" attribute
  QString text;       // the text shown
  bool checked = false;
};

using MenuCommandCallback = std::function<void(const MenuCommand&)>;

// Builds the menu file (a name of the skin folder, e.g. "XML/menu.xml"). Null when the file is
// missing or malformed. The menu is parented to parent.
QMenu* BuildMenu(const QString& file, QWidget* parent, MenuCommandCallback on_command);

}  // namespace norvik::ui
