#include "skin_copy.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace norvik::skin {
namespace {

bool SameContents(const QString& a, const QString& b) {
  QFile fa(a);
  QFile fb(b);
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
  return fa.size() == fb.size() && fa.readAll() == fb.readAll();
}

bool CopyFile(const QString& from, const QString& to) {
  // Unchanged files keep their time stamp, so the program folder does not look rebuilt.
  if (QFileInfo::exists(to)) {
    if (SameContents(from, to)) return true;
    QFile::remove(to);
  }
  return QFile::copy(from, to);
}

bool RenderSvg(const QString& from, const QString& to) {
  QSvgRenderer renderer(from);
  if (!renderer.isValid()) return false;
  const QSize size = renderer.defaultSize();
  if (size.isEmpty() || size.width() > 4096 || size.height() > 4096) return false;
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter);
  }
  return image.save(to, "PNG");
}

}  // namespace

bool IsSourceOnly(const QString& relative_path) {
  const QString suffix = QFileInfo(relative_path).suffix().toLower();
  return suffix == QLatin1String("svg") || suffix == QLatin1String("py") ||
         relative_path == QLatin1String("CMakeLists.txt") ||
         relative_path.startsWith(QLatin1String("__pycache__/")) ||
         relative_path.contains(QLatin1String("/__pycache__/"));
}

CopyResult CopySkin(const QString& source_dir, const QString& output_dir) {
  CopyResult result;
  const QDir source(QFileInfo(source_dir).absoluteFilePath());
  QDirIterator it(source.absolutePath(), QDir::Files | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = source.relativeFilePath(QFileInfo(path).absoluteFilePath());
    const QString suffix = QFileInfo(relative).suffix().toLower();
    if (suffix != QLatin1String("svg") && IsSourceOnly(relative)) continue;
    QString target = QDir(output_dir).filePath(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    bool ok = false;
    if (suffix == QLatin1String("svg")) {
      target.chop(3);
      target += QLatin1String("png");
      ok = RenderSvg(path, target);
      if (ok) ++result.rendered;
    } else {
      ok = CopyFile(path, target);
      if (ok) ++result.copied;
    }
    if (!ok) {
      ++result.failed;
      std::fprintf(stderr, "skin_render: cannot produce %s\n", qPrintable(target));
    }
  }
  return result;
}

}  // namespace norvik::skin
