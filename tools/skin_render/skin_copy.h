#pragma once
// The build step of the skin: every source file is copied to the program's skin folder, every
// drawing (*.svg) is rendered to a PNG of the same relative name at the drawing's own size.

#include <QString>

namespace norvik::skin {

struct CopyResult {
  int copied = 0;
  int rendered = 0;
  int failed = 0;
};

// Files that stay out of the program folder: drawing sources and the generator scripts.
bool IsSourceOnly(const QString& relative_path);

CopyResult CopySkin(const QString& source_dir, const QString& output_dir);

}  // namespace norvik::skin
