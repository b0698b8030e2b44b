#include "ui/resource_manager.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMetaProperty>
#include <QTabWidget>
#include <QXmlStreamReader>

#include "base/debug_trace.h"

namespace norvik::ui {
namespace {

// Language files are a few hundred entries; anything far larger is not one.
constexpr qint64 kMaxLanguageFileBytes = qint64{16} * 1024 * 1024;

QString FromPath(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

std::filesystem::path ToPath(const QString& text) {
  return std::filesystem::path(text.toStdU16String());
}

// "@key" with a non-empty key and no blanks; "@" alone or "@ 5" stay plain text.
bool IsKeyText(const QString& text) {
  if (text.size() < 2 || text.front() != u'@') return false;
  for (const QChar c : text) {
    if (c.isSpace()) return false;
  }
  return true;
}

bool HasStringProperty(const QObject* object, const char* name) {
  const int index = object->metaObject()->indexOfProperty(name);
  return index >= 0 && object->metaObject()->property(index).metaType().id() == QMetaType::QString;
}

void ApplyText(QWidget* widget, const QString& text) {
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  } else if (HasStringProperty(widget, "text")) {
    widget->setProperty("text", text);
  } else {
    widget->setWindowTitle(text);
  }
}

void AdoptOne(const ResourceManager& resources, QWidget* widget) {
  QString text;
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    text = group->title();
  } else if (HasStringProperty(widget, "text")) {
    text = widget->property("text").toString();
  }
  if (IsKeyText(text)) widget->setProperty(kTextKeyProperty, text.mid(1));
  if (IsKeyText(widget->windowTitle())) {
    widget->setProperty(kWindowTitleKeyProperty, widget->windowTitle().mid(1));
  }
  if (IsKeyText(widget->toolTip())) {
    widget->setProperty(kToolTipKeyProperty, widget->toolTip().mid(1));
  }
  if (HasStringProperty(widget, "placeholderText")) {
    const QString placeholder = widget->property("placeholderText").toString();
    if (IsKeyText(placeholder)) widget->setProperty(kPlaceholderKeyProperty, placeholder.mid(1));
  }
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    QStringList keys = combo->property(kItemKeysProperty).toStringList();
    bool any = !keys.isEmpty();
    for (int i = 0; i < combo->count(); ++i) {
      while (keys.size() <= i) keys.push_back(QString());
      if (IsKeyText(combo->itemText(i))) {
        keys[i] = combo->itemText(i).mid(1);
        any = true;
      }
    }
    if (any) combo->setProperty(kItemKeysProperty, keys);
  }
  if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
    QStringList keys = tabs->property(kTabKeysProperty).toStringList();
    bool any = !keys.isEmpty();
    for (int i = 0; i < tabs->count(); ++i) {
      while (keys.size() <= i) keys.push_back(QString());
      if (IsKeyText(tabs->tabText(i))) {
        keys[i] = tabs->tabText(i).mid(1);
        any = true;
      }
    }
    if (any) tabs->setProperty(kTabKeysProperty, keys);
  }
  resources.TranslateWidget(widget);
}

}  // namespace

ResourceManager& ResourceManager::Instance() {
  static ResourceManager manager;
  return manager;
}

void ResourceManager::SetResourcePath(const std::filesystem::path& skin_folder) {
  skin_folder_ = skin_folder;
  images_.clear();
  QDir::setSearchPaths(QStringLiteral("skin"), {FromPath(skin_folder)});
}

std::filesystem::path ResourceManager::LayoutFile(const QString& layout_name) const {
  QString name = layout_name.trimmed();
  if (name == QLatin1String("XML_MAIN")) {
    name = QStringLiteral("XML/main.ui");
  } else if (name == QLatin1String("XML_MSG")) {
    name = QStringLiteral("XML/msg.ui");
  }
  name.replace(u'\\', u'/');
  if (name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
    name.chop(4);
    name += QLatin1String(".ui");
  }
  if (!name.contains(u'/')) name.prepend(QLatin1String("XML/"));
  return skin_folder_ / ToPath(name);
}

std::filesystem::path ResourceManager::SkinFile(const QString& relative) const {
  QString name = relative.trimmed();
  name.replace(u'\\', u'/');
  return skin_folder_ / ToPath(name);
}

bool ResourceManager::LoadLanguage(const QString& file_name) {
  // A file that cannot be used leaves the table as it was: every text turning into its raw
  // key would leave the window unreadable.
  const QString path = QDir::isAbsolutePath(file_name) ? file_name : FromPath(SkinFile(file_name));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    DebugTraceF("language file %s: cannot open", qUtf8Printable(path));
    return false;
  }
  if (file.size() > kMaxLanguageFileBytes) {
    DebugTraceF("language file %s: too large", qUtf8Printable(path));
    return false;
  }
  QHash<QString, QString> table;
  QXmlStreamReader reader(&file);
  if (!reader.readNextStartElement() || reader.name() != QLatin1String("Language")) {
    DebugTraceF("language file %s: no <Language> root", qUtf8Printable(path));
    return false;
  }
  while (reader.readNextStartElement()) {
    if (reader.name() == QLatin1String("Text")) {
      const QString id = reader.attributes().value(QLatin1String("id")).toString();
      const QString text = reader.readElementText(QXmlStreamReader::SkipChildElements);
      if (!id.isEmpty()) table.insert(id, text);
    } else {
      reader.skipCurrentElement();
    }
  }
  while (!reader.atEnd() && !reader.hasError()) reader.readNext();
  if (reader.hasError()) {
    DebugTraceF("language file %s: line %lld: %s", qUtf8Printable(path),
                static_cast<long long>(reader.lineNumber()), qUtf8Printable(reader.errorString()));
    return false;
  }
  if (table.isEmpty()) {
    DebugTraceF("language file %s: no texts", qUtf8Printable(path));
    return false;
  }
  texts_ = std::move(table);
  language_file_ = file_name;
  return true;
}

QString ResourceManager::Text(const QString& key) const {
  return texts_.value(key, key);
}

void ResourceManager::SetTextKey(QWidget* widget, const QString& key) {
  if (!widget) return;
  if (key.isEmpty()) {
    widget->setProperty(kTextKeyProperty, QVariant());
    return;
  }
  widget->setProperty(kTextKeyProperty, key);
  ApplyText(widget, Instance().Text(key));
}

void ResourceManager::SetToolTipKey(QWidget* widget, const QString& key) {
  if (!widget) return;
  if (key.isEmpty()) {
    widget->setProperty(kToolTipKeyProperty, QVariant());
    return;
  }
  widget->setProperty(kToolTipKeyProperty, key);
  widget->setToolTip(Instance().Text(key));
}

void ResourceManager::SetPlainText(QWidget* widget, const QString& text) {
  if (!widget) return;
  widget->setProperty(kTextKeyProperty, QVariant());
  ApplyText(widget, text);
}

QString ResourceManager::WidgetText(const QWidget* widget) {
  if (!widget) return QString();
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->currentText();
  if (HasStringProperty(widget, "text")) return widget->property("text").toString();
  return widget->windowTitle();
}

void ResourceManager::ReloadText(QWidget* root) const {
  const QWidgetList roots = root ? QWidgetList{root} : QApplication::topLevelWidgets();
  for (QWidget* top : roots) {
    TranslateWidget(top);
    for (QWidget* child : top->findChildren<QWidget*>()) TranslateWidget(child);
    for (QAction* action : top->findChildren<QAction*>()) TranslateAction(action);
  }
}

void ResourceManager::TranslateWidget(QWidget* widget) const {
  if (!widget) return;
  const QString key = widget->property(kTextKeyProperty).toString();
  if (!key.isEmpty()) ApplyText(widget, Text(key));
  const QString tip_key = widget->property(kToolTipKeyProperty).toString();
  if (!tip_key.isEmpty()) widget->setToolTip(Text(tip_key));
  const QString placeholder_key = widget->property(kPlaceholderKeyProperty).toString();
  if (!placeholder_key.isEmpty()) widget->setProperty("placeholderText", Text(placeholder_key));
  const QString title_key = widget->property(kWindowTitleKeyProperty).toString();
  if (!title_key.isEmpty()) widget->setWindowTitle(Text(title_key));
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    const QStringList keys = combo->property(kItemKeysProperty).toStringList();
    for (int i = 0; i < combo->count() && i < keys.size(); ++i) {
      if (!keys[i].isEmpty()) combo->setItemText(i, Text(keys[i]));
    }
  }
  if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
    const QStringList keys = tabs->property(kTabKeysProperty).toStringList();
    for (int i = 0; i < tabs->count() && i < keys.size(); ++i) {
      if (!keys[i].isEmpty()) tabs->setTabText(i, Text(keys[i]));
    }
  }
}

void ResourceManager::TranslateAction(QAction* action) const {
  if (!action) return;
  const QString key = action->property(kTextKeyProperty).toString();
  if (!key.isEmpty()) action->setText(Text(key));
}

void ResourceManager::AdoptTextKeys(QWidget* root) const {
  if (!root) return;
  AdoptOne(*this, root);
  for (QWidget* child : root->findChildren<QWidget*>()) AdoptOne(*this, child);
  for (QAction* action : root->findChildren<QAction*>()) {
    if (IsKeyText(action->text())) action->setProperty(kTextKeyProperty, action->text().mid(1));
    TranslateAction(action);
  }
}

QPixmap ResourceManager::Image(const QString& image) const {
  const QString relative = ImagePath(image);
  if (relative.isEmpty() || skin_folder_.empty()) return QPixmap();
  const auto cached = images_.constFind(relative);
  if (cached != images_.constEnd()) return *cached;
  QPixmap pixmap(FromPath(SkinFile(relative)));
  if (pixmap.isNull()) return pixmap;
  images_.insert(relative, pixmap);
  return pixmap;
}

QString ResourceManager::ImagePath(const QString& image) {
  QString text = image.trimmed();
  const int at = text.indexOf(QLatin1String("file="), 0, Qt::CaseInsensitive);
  if (at < 0) {
    if (text.size() >= 2 && (text.front() == u'\'' || text.front() == u'"') &&
        text.back() == text.front()) {
      return text.mid(1, text.size() - 2);
    }
    return text;
  }
  const int value = at + 5;
  if (value >= text.size()) return QString();
  const QChar quote = text[value];
  if (quote != u'\'' && quote != u'"') {
    const int end = text.indexOf(u' ', value);
    return end < 0 ? text.mid(value) : text.mid(value, end - value);
  }
  const int end = text.indexOf(quote, value + 1);
  if (end < 0) return QString();
  return text.mid(value + 1, end - value - 1);
}

void ResourceManager::Reset() {
  skin_folder_.clear();
  language_.clear();
  language_file_.clear();
  texts_.clear();
  images_.clear();
  QDir::setSearchPaths(QStringLiteral("skin"), {});
}

}  // namespace norvik::ui
