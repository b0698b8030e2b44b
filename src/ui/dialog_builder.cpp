#include "ui/dialog_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSet>
#include <QUiLoader>

#include "base/debug_trace.h"
#include "ui/control_factory.h"
#include "ui/resource_manager.h"

namespace norvik::ui {
namespace {

QString FromPath(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

// One loader for Qt's own widgets, owned by the application: building one per widget would
// scan the designer plugin folders every time.
QUiLoader& QtLoader() {
  static QPointer<QUiLoader> loader;
  if (!loader) {
    loader = new QUiLoader(QCoreApplication::instance());
    loader->setTranslationEnabled(false);
  }
  return *loader;
}

// The class names of Qt's own widgets; fixed while the program runs.
const QSet<QString>& QtWidgetClasses() {
  static const QSet<QString> classes = [] {
    const QStringList names = QtLoader().availableWidgets();
    return QSet<QString>(names.begin(), names.end());
  }();
  return classes;
}

QWidget* CreateQtWidget(const QString& class_name, QWidget* parent, const QString& name) {
  if (!QtWidgetClasses().contains(class_name)) return nullptr;
  return QtLoader().createWidget(class_name, parent, name);
}

// Resolves every element through ResolveControl. QFormBuilder would otherwise fall back to the
// <extends> base class of a custom class nobody knows; a layout must not silently show a plain
// widget in place of a control of the program, so such elements are dropped instead.
class Loader : public QUiLoader {
 public:
  explicit Loader(IDialogBuilderCallback* callback) : callback_(callback) {
    setTranslationEnabled(false);
  }

  QWidget* createWidget(const QString& class_name, QWidget* parent, const QString& name) override {
    QWidget* widget = ResolveControl(class_name, callback_, parent);
    if (!widget) {
      DebugTraceF("layout: unknown class %s (%s) left out", qUtf8Printable(class_name),
                  qUtf8Printable(name));
      return nullptr;
    }
    widget->setObjectName(name);
    return widget;
  }

 private:
  IDialogBuilderCallback* callback_;
};

}  // namespace

QWidget* ResolveControl(const QString& class_name, IDialogBuilderCallback* callback,
                        QWidget* parent) {
  if (class_name.isEmpty()) return nullptr;
  if (QWidget* widget = ControlFactory::Instance().CreateControl(class_name, parent)) {
    return widget;
  }
  if (callback) {
    if (QWidget* widget = callback->CreateControl(class_name, parent)) return widget;
  }
  return CreateQtWidget(class_name, parent, QString());
}

QWidget* BuildLayout(const QString& layout_name, IDialogBuilderCallback* callback,
                     QWidget* parent) {
  ResourceManager& resources = ResourceManager::Instance();
  const QString path = FromPath(resources.LayoutFile(layout_name));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    DebugTraceF("layout %s: cannot open %s", qUtf8Printable(layout_name), qUtf8Printable(path));
    return nullptr;
  }
  Loader loader(callback);
  loader.setWorkingDirectory(QDir(FromPath(resources.ResourcePath())));
  QWidget* root = loader.load(&file, parent);
  if (!root) {
    DebugTraceF("layout %s: %s", qUtf8Printable(layout_name), qUtf8Printable(loader.errorString()));
    return nullptr;
  }
  resources.AdoptTextKeys(root);
  return root;
}

}  // namespace norvik::ui
