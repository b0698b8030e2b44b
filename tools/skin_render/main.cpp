// skin_render <skin_src> <skin_out>
//   copies the skin to the program folder and renders its drawings (*.svg -> *.png).
// skin_render --preview <skin_out> <layout.ui> <out.png> [lan file] [options]
//   saves a screenshot of a layout. Options: --into <container>=<layout.ui> (repeatable),
//   --hide <name>, --show <name>, --check <name>, --page <stack>=<index>,
//   --text <name>=<text or @key>.

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "skin_copy.h"
#include "skin_preview.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: skin_render <skin_src> <skin_out>\n"
               "       skin_render --preview <skin_out> <layout.ui> <out.png> [lan file]\n"
               "                   [--into container=layout.ui] [--hide name] [--show name]\n"
               "                   [--check name] [--page stack=index] [--text name=text]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--preview") == 0) {
    if (argc < 5) return Usage();
    QApplication app(argc, argv);
    norvik::skin::PreviewRequest request;
    request.skin_dir = QString::fromLocal8Bit(argv[2]);
    request.layout = QString::fromLocal8Bit(argv[3]);
    request.output_png = QString::fromLocal8Bit(argv[4]);
    for (int i = 5; i < argc; ++i) {
      const QString arg = QString::fromLocal8Bit(argv[i]);
      const bool has_value = i + 1 < argc;
      if (arg == QLatin1String("--into") && has_value) {
        const QString value = QString::fromLocal8Bit(argv[++i]);
        const auto eq = value.indexOf(QLatin1Char('='));
        if (eq <= 0) return Usage();
        request.inserts.emplace_back(value.left(eq), value.mid(eq + 1));
      } else if ((arg == QLatin1String("--page") || arg == QLatin1String("--text")) && has_value) {
        const QString value = QString::fromLocal8Bit(argv[++i]);
        const auto eq = value.indexOf(QLatin1Char('='));
        if (eq <= 0) return Usage();
        if (arg == QLatin1String("--page")) {
          request.pages.emplace_back(value.left(eq), value.mid(eq + 1).toInt());
        } else {
          request.texts.emplace_back(value.left(eq), value.mid(eq + 1));
        }
      } else if (arg == QLatin1String("--hide") && has_value) {
        request.hide << QString::fromLocal8Bit(argv[++i]);
      } else if (arg == QLatin1String("--show") && has_value) {
        request.show << QString::fromLocal8Bit(argv[++i]);
      } else if (arg == QLatin1String("--check") && has_value) {
        request.check << QString::fromLocal8Bit(argv[++i]);
      } else if (!arg.startsWith(QLatin1String("--")) && request.language.isEmpty()) {
        request.language = arg;
      } else {
        return Usage();
      }
    }
    return norvik::skin::RunPreview(request);
  }
  if (argc != 3) return Usage();
  // Rendering needs fonts and a paint device but no display.
  QGuiApplication app(argc, argv);
  const auto result =
      norvik::skin::CopySkin(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
  std::printf("skin_render: %d files copied, %d drawings rendered\n", result.copied,
              result.rendered);
  return result.failed == 0 ? 0 : 1;
}
