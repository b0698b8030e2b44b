#pragma once
// Preview screenshots of skin layouts: the layout is loaded with QUiLoader (custom classes are
// built as their Qt base class), styled with the skin's style sheet and translated with a
// language file, then grabbed to a PNG.

#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace norvik::skin {

struct PreviewRequest {
  QString skin_dir;  // the rendered skin folder (style.qss, images, layouts)
  QString layout;    // a .ui file (absolute, or relative to skin_dir)
  QString output_png;
  QString language;  // a language file name of skin_dir, or empty
  // Extra layouts put into containers: (container name, layout file).
  std::vector<std::pair<QString, QString>> inserts;
  QStringList hide;
  QStringList show;
  QStringList check;
  // (stacked widget name, page index) and (widget name, text or "@key").
  std::vector<std::pair<QString, int>> pages;
  std::vector<std::pair<QString, QString>> texts;
};

// Texts of a language file (<Language><Text id="key">text</Text>...</Language>).
QHash<QString, QString> ReadLanguageFile(const QString& path);

// Returns 0 on success.
int RunPreview(const PreviewRequest& request);

}  // namespace norvik::skin
