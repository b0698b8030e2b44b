#include "skin_preview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QStackedWidget>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <cstdio>
#include <memory>

namespace norvik::skin {
namespace {

// Custom classes of a layout mapped to the Qt class they extend.
QHash<QString, QString> ReadCustomWidgets(const QString& path) {
  QHash<QString, QString> bases;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return bases;
  QXmlStreamReader xml(&file);
  QString current_class;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("class")) {
      current_class = xml.readElementText();
    } else if (xml.name() == QLatin1String("extends") && !current_class.isEmpty()) {
      bases.insert(current_class, xml.readElementText());
    }
  }
  return bases;
}

class PreviewLoader : public QUiLoader {
 public:
  explicit PreviewLoader(QHash<QString, QString> bases) : bases_(std::move(bases)) {}

  QWidget* createWidget(const QString& class_name, QWidget* parent, const QString& name) override {
    QString qt_class = class_name;
    // Several levels are allowed (a custom class extending another custom class).
    for (int depth = 0; depth < 8 && bases_.contains(qt_class); ++depth) {
      qt_class = bases_.value(qt_class);
    }
    QWidget* widget = QUiLoader::createWidget(qt_class, parent, name);
    if (widget != nullptr && qt_class != class_name) {
      widget->setProperty("previewClass", class_name);
    }
    return widget;
  }

 private:
  QHash<QString, QString> bases_;
};

QWidget* LoadLayout(const QString& path, QWidget* parent) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "skin_render: cannot open %s\n", qPrintable(path));
    return nullptr;
  }
  PreviewLoader loader(ReadCustomWidgets(path));
  QWidget* widget = loader.load(&file, parent);
  if (widget == nullptr) {
    std::fprintf(stderr, "skin_render: %s: %s\n", qPrintable(path),
                 qPrintable(loader.errorString()));
  }
  return widget;
}

QString Translate(const QHash<QString, QString>& texts, const QString& text) {
  if (!text.startsWith(QLatin1Char('@'))) return text;
  return texts.value(text.mid(1), text);
}

void TranslateTree(QWidget* root, const QHash<QString, QString>& texts) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets) {
    widget->setToolTip(Translate(texts, widget->toolTip()));
    widget->setWindowTitle(Translate(texts, widget->windowTitle()));
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setText(Translate(texts, label->text()));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      button->setText(Translate(texts, button->text()));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      group->setTitle(Translate(texts, group->title()));
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) {
        combo->setItemText(i, Translate(texts, combo->itemText(i)));
      }
    }
  }
}

QWidget* FindNamed(QWidget* root, const QString& name) {
  if (root->objectName() == name) return root;
  return root->findChild<QWidget*>(name);
}

QString SkinPath(const QString& skin_dir, const QString& file) {
  return QFileInfo(file).isAbsolute() ? file : QDir(skin_dir).filePath(file);
}

}  // namespace

QHash<QString, QString> ReadLanguageFile(const QString& path) {
  QHash<QString, QString> texts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return texts;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("Text")) {
      const QString id = xml.attributes().value(QLatin1String("id")).toString();
      texts.insert(id, xml.readElementText());
    }
  }
  if (xml.hasError()) {
    std::fprintf(stderr, "skin_render: %s: %s\n", qPrintable(path), qPrintable(xml.errorString()));
  }
  return texts;
}

int RunPreview(const PreviewRequest& request) {
  QDir::setSearchPaths(QStringLiteral("skin"), {request.skin_dir});
  QFile style(QDir(request.skin_dir).filePath(QStringLiteral("style.qss")));
  if (style.open(QIODevice::ReadOnly)) {
    qApp->setStyleSheet(QString::fromUtf8(style.readAll()));
  }
  QHash<QString, QString> texts;
  if (!request.language.isEmpty()) {
    texts = ReadLanguageFile(SkinPath(request.skin_dir, request.language));
    if (texts.isEmpty()) {
      std::fprintf(stderr, "skin_render: no texts in %s\n", qPrintable(request.language));
    }
  }

  std::unique_ptr<QWidget> root(LoadLayout(SkinPath(request.skin_dir, request.layout), nullptr));
  if (!root) return 1;
  for (const auto& [container_name, layout] : request.inserts) {
    QWidget* container = FindNamed(root.get(), container_name);
    if (container == nullptr) {
      std::fprintf(stderr, "skin_render: no container %s\n", qPrintable(container_name));
      return 1;
    }
    QWidget* child = LoadLayout(SkinPath(request.skin_dir, layout), container);
    if (child == nullptr) return 1;
    if (auto* stack = qobject_cast<QStackedWidget*>(container)) {
      stack->addWidget(child);
      stack->setCurrentWidget(child);
    } else if (container->layout() != nullptr) {
      container->layout()->addWidget(child);
    }
  }
  for (const auto& [name, text] : request.texts) {
    QWidget* widget = FindNamed(root.get(), name);
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(text);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
  }
  for (const auto& [name, index] : request.pages) {
    if (auto* stack = qobject_cast<QStackedWidget*>(FindNamed(root.get(), name))) {
      stack->setCurrentIndex(index);
    }
  }
  TranslateTree(root.get(), texts);
  for (const QString& name : request.hide) {
    if (QWidget* w = FindNamed(root.get(), name)) w->hide();
  }
  for (const QString& name : request.show) {
    if (QWidget* w = FindNamed(root.get(), name)) w->show();
  }
  for (const QString& name : request.check) {
    for (auto* button : root->findChildren<QAbstractButton*>(name)) button->setChecked(true);
  }

  root->show();
  QApplication::processEvents();
  if (!root->grab().save(request.output_png, "PNG")) {
    std::fprintf(stderr, "skin_render: cannot write %s\n", qPrintable(request.output_png));
    return 1;
  }
  return 0;
}

}  // namespace norvik::skin
