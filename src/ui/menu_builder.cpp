#include "ui/menu_builder.h"

#include <QAction>
#include <QFile>
#include <QXmlStreamReader>
#include <memory>
#include <vector>

#include "base/debug_trace.h"
#include "ui/resource_manager.h"

namespace norvik::ui {
namespace {

// Menu files are tiny; a deep or huge one is not ours.
constexpr int kMaxMenuDepth = 8;
constexpr qint64 kMaxMenuFileBytes = qint64{1024} * 1024;

struct MenuNode {
  bool separator = false;
  QString name;
  QString text;
  QString user_data;
  bool checkable = false;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  std::vector<MenuNode> children;
};

bool IsTrue(QStringView value) {
  return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
         value == QLatin1String("1");
}

// Reads the children of the current element (a <Menu> or a <MenuElement>).
bool ReadChildren(QXmlStreamReader& reader, std::vector<MenuNode>& out, int depth) {
  if (depth > kMaxMenuDepth) return false;
  while (reader.readNextStartElement()) {
    if (reader.name() == QLatin1String("Separator")) {
      MenuNode separator;
      separator.separator = true;
      out.push_back(std::move(separator));
      reader.skipCurrentElement();
    } else if (reader.name() == QLatin1String("MenuElement")) {
      const QXmlStreamAttributes attributes = reader.attributes();
      MenuNode node;
      node.name = attributes.value(QLatin1String("name")).toString();
      node.text = attributes.value(QLatin1String("text")).toString();
      node.user_data = attributes.value(QLatin1String("userdata")).toString();
      node.checkable = IsTrue(attributes.value(QLatin1String("checkable")));
      node.checked = IsTrue(attributes.value(QLatin1String("checked")));
      if (attributes.hasAttribute(QLatin1String("enabled"))) {
        node.enabled = IsTrue(attributes.value(QLatin1String("enabled")));
      }
      if (attributes.hasAttribute(QLatin1String("visible"))) {
        node.visible = IsTrue(attributes.value(QLatin1String("visible")));
      }
      if (!ReadChildren(reader, node.children, depth + 1)) return false;
      out.push_back(std::move(node));
    } else {
      reader.skipCurrentElement();
    }
  }
  return !reader.hasError();
}

void SetActionText(QAction* action, const QString& text) {
  if (text.size() > 1 && text.front() == u'@') {
    const QString key = text.mid(1);
    action->setProperty(kTextKeyProperty, key);
    action->setText(ResourceManager::Instance().Text(key));
  } else {
    action->setText(text);
  }
}

void Fill(QMenu* menu, const std::vector<MenuNode>& nodes,
          const std::shared_ptr<MenuCommandCallback>& on_command) {
  for (const MenuNode& node : nodes) {
    if (node.separator) {
      menu->addSeparator();
      continue;
    }
    QAction* action = nullptr;
    if (!node.children.empty()) {
      auto* sub = new QMenu(menu);
      sub->setObjectName(node.name);
      Fill(sub, node.children, on_command);
      action = menu->addMenu(sub);
    } else {
      action = menu->addAction(QString());
      action->setCheckable(node.checkable);
      action->setChecked(node.checkable && node.checked);
      const QString user_data = node.user_data;
      QObject::connect(action, &QAction::triggered, action, [action, user_data, on_command] {
        if (!*on_command) return;
        MenuCommand command{action->objectName(), user_data, action->text(), action->isChecked()};
        (*on_command)(command);
      });
    }
    action->setObjectName(node.name);
    action->setEnabled(node.enabled);
    action->setVisible(node.visible);
    SetActionText(action, node.text);
  }
}

}  // namespace

QMenu* BuildMenu(const QString& file, QWidget* parent, MenuCommandCallback on_command) {
  const std::filesystem::path path = ResourceManager::Instance().SkinFile(file);
  QFile input(QString::fromStdU16String(path.u16string()));
  if (!input.open(QIODevice::ReadOnly) || input.size() > kMaxMenuFileBytes) {
    DebugTraceF("menu %s: cannot open", qUtf8Printable(file));
    return nullptr;
  }
  QXmlStreamReader reader(&input);
  std::vector<MenuNode> nodes;
  if (!reader.readNextStartElement() || reader.name() != QLatin1String("Menu") ||
      !ReadChildren(reader, nodes, 0)) {
    DebugTraceF("menu %s: not a menu file (%s)", qUtf8Printable(file),
                qUtf8Printable(reader.errorString()));
    return nullptr;
  }
  while (!reader.atEnd() && !reader.hasError()) reader.readNext();
  if (reader.hasError()) {
    DebugTraceF("menu %s: %s", qUtf8Printable(file), qUtf8Printable(reader.errorString()));
    return nullptr;
  }
  auto* menu = new QMenu(parent);
  Fill(menu, nodes, std::make_shared<MenuCommandCallback>(std::move(on_command)));
  return menu;
}

}  // namespace norvik::ui
